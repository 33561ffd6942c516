#include "update/UpdateTransport.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {
// Set on a reply ended at a redirect the rule refuses; failureOf() reads it.
const char *const kRefusedRedirect = "kvdRefusedRedirect";

QString tr(const char *text) {
    return QCoreApplication::translate("UpdateTransport", text);
}
} // namespace

bool UpdateTransport::isLoopbackHost(const QString &host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString UpdateTransport::refusal(const QUrl &url) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return QString();
    if (scheme == QLatin1String("http") && isLoopbackHost(url.host()))
        return QString();
    if (scheme == QLatin1String("http"))
        return tr("updates are fetched over https:// only; plain http:// only from this "
                  "computer (localhost, 127.0.0.0/8, ::1)");
    return tr("it is no https:// address");
}

void UpdateTransport::guardRedirects(QNetworkReply *reply) {
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl &target) {
        const QUrl next = reply->url().resolved(target);
        const QString why = refusal(next);
        if (why.isEmpty()) {
            emit reply->redirectAllowed();
            return;
        }
        reply->setProperty(kRefusedRedirect,
                           tr("the update service redirected to %1, which is refused: %2")
                               .arg(next.toDisplayString(), why));
        reply->abort();
    });
}

QString UpdateTransport::failureOf(const QNetworkReply *reply) {
    const QString redirect = reply->property(kRefusedRedirect).toString();
    if (!redirect.isEmpty())
        return redirect;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        const QString phrase =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        return tr("the update service answered %1 %2").arg(status).arg(phrase).trimmed();
    }
    if (reply->error() == QNetworkReply::OperationCanceledError ||
        reply->error() == QNetworkReply::TimeoutError)
        return tr("the update service stopped answering");
    return reply->errorString();
}
