#pragma once

#include "base/LogStamp.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "console/Console.h"
#include "servers/ServerListModel.h"

#include "SimServer.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A console in its own temporary program folder, after its real start-up with an empty server
// list, with the simulated game servers a test starts. Test programs derive their fixture from it
// and add the part under test and its server rows.
struct ConsoleFixture {
    QTemporaryDir dir;
    std::unique_ptr<Console> console;
    QList<SimServer *> sims;

    ConsoleFixture() {
        console = std::make_unique<Console>(dir.path());
        console->start();
    }
    ~ConsoleFixture() { qDeleteAll(sims); }
    ConsoleFixture(const ConsoleFixture &) = delete;
    ConsoleFixture &operator=(const ConsoleFixture &) = delete;

    // A started simulated server, kept until the fixture ends; its row is the caller's choice.
    SimServer *startSim(const QString &name, const QString &password) {
        auto *server = new SimServer(name, password);
        server->start();
        sims << server;
        return server;
    }

    ServerListModel *servers() const { return console->servers(); }
    ProgramState *state() const { return console->state(); }
    // Changes options in force, as the options dialog does, without writing app.ini.
    template <typename Change> void setOptions(Change change) const {
        ProgramOptions options = state()->options();
        change(options);
        state()->setOptions(options);
    }
    const ServerEntry &entry(const QString &name) const {
        return servers()->entry(servers()->rowOfName(name));
    }
    QString logPath(const QString &name) const {
        return dir.filePath(QStringLiteral("logs/") + name + QStringLiteral(".log"));
    }
    // Program-log messages without their stamps, oldest first, the start marker left out.
    QStringList messages() const {
        QStringList texts;
        const QStringList &lines = console->programLog()->lines();
        for (qsizetype i = lines.size() - 2; i >= 0; --i)
            texts << lines.at(i).mid(LogStamp::kLength);
        return texts;
    }
};
