#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

// One recurring schedule of "scripts/schedules.ini": a script run for some servers (or every
// server) at a local time of day, on some weekdays or at an interval from that time.
struct Schedule final {
    // Bit 0 is Monday, bit 6 Sunday, as QDate::dayOfWeek() counts from 1.
    static constexpr int kEveryDay = 0x7F;

    QString name;        // the section name, unique in the file
    QString script;      // scripts/<script>.kvs
    QStringList servers; // in the order written; ignored while allServers is set
    bool allServers = false;
    QTime at = QTime(0, 0);
    int days = kEveryDay;
    int everyMinutes = 0; // 0: once a day on the chosen days; else every so many minutes from `at`
    bool enabled = true;

    bool runsOnDay(int dayOfWeek) const {
        return everyMinutes > 0 || (days >> (dayOfWeek - 1)) & 1;
    }
    bool appliesTo(const QString &server) const;

    // The values as the file writes them.
    QString serversText() const;
    QString daysText() const;
    QString everyText() const;
    // A line for people: "04:00 daily", "04:00 mon,fri", "every 30m from 04:00".
    QString summary() const;

    // "daily" or days like "mon,tue"; false for an empty list or an unknown word.
    static bool parseDays(const QString &text, int *days);
    // "30m", "6h" or an empty text (0); false for anything else or an interval of a day or more.
    static bool parseEvery(const QString &text, int *minutes);
    // A name that the file can hold as a section: not empty, no brackets, no line break, no
    // blank at either end.
    static bool isValidName(const QString &name);

    bool operator==(const Schedule &other) const;
    bool operator!=(const Schedule &other) const { return !(*this == other); }
};
