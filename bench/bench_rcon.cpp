// RCON exchange latency against the simulated server on loopback (connect, login, command,
// answer; the server runs on its own thread) and the packet codec's decode throughput.

#include "monitor/PollCycle.h"
#include "rcon/RconChannel.h"
#include "rcon/RconPacket.h"

#include "SimServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Exchanges = 1000;

double percentile(std::vector<qint64> sorted, double p) {
    std::sort(sorted.begin(), sorted.end());
    const auto index = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return static_cast<double>(sorted[index]) / 1000.0;
}

void benchExchanges(QCoreApplication &app) {
    QThread simThread;
    simThread.start();
    QObject simContext;
    simContext.moveToThread(&simThread);
    SimServer *server = nullptr;
    QString port;
    QMetaObject::invokeMethod(
        &simContext,
        [&] {
            server = new SimServer(QStringLiteral("Bench"), QStringLiteral("secret"));
            server->start();
            for (int i = 0; i < 10; ++i)
                server->addRandomPlayer();
            port = server->portText();
        },
        Qt::BlockingQueuedConnection);

    RconChannel channel(PollCycle::channelProfile());
    std::vector<qint64> micros;
    micros.reserve(Exchanges);
    QElapsedTimer clock;
    int failures = 0;

    auto next = [&] {
        if (static_cast<int>(micros.size()) + failures >= Exchanges) {
            app.quit();
            return;
        }
        clock.start();
        channel.openchannel(QStringLiteral("127.0.0.1"), port, QStringLiteral("secret"),
                            QStringLiteral("listplayers"));
    };
    QObject::connect(&channel, &RconChannel::completed, &app, [&] {
        micros.push_back(clock.nsecsElapsed() / 1000);
        channel.closechannel();
        QTimer::singleShot(0, &app, next);
    });
    auto failed = [&] {
        ++failures;
        QTimer::singleShot(0, &app, next);
    };
    QObject::connect(&channel, &RconChannel::connectFailed, &app, failed);
    QObject::connect(&channel, &RconChannel::readFailed, &app, failed);
    QObject::connect(&channel, &RconChannel::refused, &app, failed);

    QTimer::singleShot(0, &app, next);
    app.exec();

    QMetaObject::invokeMethod(
        &simContext, [&] { delete server; }, Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();

    std::printf("RCON exchange (connect, login, listplayers, answer) on loopback, %d runs:\n",
                Exchanges);
    std::printf("  median %.3f ms, 99th percentile %.3f ms, max %.3f ms, failures %d\n",
                percentile(micros, 0.5), percentile(micros, 0.99), percentile(micros, 1.0),
                failures);
}

void benchDecode() {
    // A mix of what the console reads: small answers and long split chunks.
    QByteArray stream;
    const QByteArray small =
        "\n0. Anna Lena, 76561198000000001\n1. Dr. Rex, Jr., 76561198000000002\n";
    const QByteArray chunk(4096, 'x');
    for (int i = 0; i < 2000; ++i) {
        stream += RconPacket::encode(i + 1, 0, small);
        if (i % 10 == 0)
            stream += RconPacket::encode(i + 1, 0, chunk);
    }

    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    qint64 packets = 0;
    while (clock.elapsed() < 1000) {
        qsizetype offset = 0;
        for (;;) {
            const RconPacket::DecodeResult result =
                RconPacket::decode(stream.constData() + offset, stream.size() - offset);
            if (result.status != RconPacket::DecodeStatus::Packet)
                break;
            offset += result.consumed;
            ++packets;
        }
        bytes += offset;
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("Packet decode: %.0f MB/s (%.2f M packets/s)\n",
                static_cast<double>(bytes) / 1e6 / seconds,
                static_cast<double>(packets) / 1e6 / seconds);

    const QByteArray ascii =
        QByteArray("2017.01.05_09.08.07: Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!)\n");
    const QByteArray mixed = QByteArray("0. J\xC3\xB6rg, the Tamer, 76561198000000042 \xFC\n");
    for (const auto &[name, sample] :
         {std::pair{"ASCII", ascii.repeated(2000)}, std::pair{"mixed", mixed.repeated(2000)}}) {
        clock.start();
        qint64 textBytes = 0;
        qsizetype length = 0;
        while (clock.elapsed() < 500) {
            length += RconPacket::decodeText(sample).size();
            textBytes += sample.size();
        }
        const double textSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        std::printf("Body text decode (%s): %.0f MB/s (%lld chars)\n", name,
                    static_cast<double>(textBytes) / 1e6 / textSeconds,
                    static_cast<long long>(length));
    }
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    benchExchanges(app);
    benchDecode();
    return 0;
}
