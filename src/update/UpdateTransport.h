#pragma once

#include <QString>

class QNetworkReply;
class QUrl;

// How the update service may be reached, and how its failures read. Whatever it sends can end
// up running as the console, so it is fetched over https:// only; plain http:// is left to this
// computer (localhost, 127.0.0.0/8, ::1), where tests and local mirrors serve it. A redirect is
// followed only to an address the same rule allows.
class UpdateTransport final {
public:
    UpdateTransport() = delete;

    static bool isLoopbackHost(const QString &host);
    // Empty when `url` may be used, else why not, naming the rule ("updates are fetched over
    // https:// only; ...").
    static QString refusal(const QUrl &url);
    // Follows the reply's redirects that keep to the rule and ends it at any other.
    static void guardRedirects(QNetworkReply *reply);
    // Why a reply failed: the service's error status, a redirect refused, a transfer that
    // stopped, or the network's own reason.
    static QString failureOf(const QNetworkReply *reply);
};
