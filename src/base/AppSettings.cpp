#include "base/AppSettings.h"

#include "base/IniFile.h"

#include <functional>

namespace {
const QString kDesign = QStringLiteral("Design");
const QString kConfig = QStringLiteral("Config");
const QString kOptions = QStringLiteral("pum1");
const QString kNotify = QStringLiteral("Notify");

struct IntKey {
    QString section;
    QString key;
    std::function<int &(AppSettings::Values &)> field;
};

bool reported(const IniFile &ini, bool ok, QString *error) {
    if (!ok && error)
        *error = ini.errorString();
    return ok;
}

QString indexed(const char *prefix, int i) {
    return QLatin1String(prefix) + QString::number(i);
}

// Every integer key in the order start-up reads and applies them.
std::vector<IntKey> readOrder() {
    using V = AppSettings::Values;
    std::vector<IntKey> keys = {
        {kDesign, QStringLiteral("left"), [](V &v) -> int & { return v.layout.left; }},
        {kDesign, QStringLiteral("top"), [](V &v) -> int & { return v.layout.top; }},
        {kDesign, QStringLiteral("width"), [](V &v) -> int & { return v.layout.width; }},
        {kDesign, QStringLiteral("height"), [](V &v) -> int & { return v.layout.height; }},
        {kDesign, QStringLiteral("lv1height"), [](V &v) -> int & { return v.layout.lv1height; }},
        {kDesign, QStringLiteral("lv2height"), [](V &v) -> int & { return v.layout.lv2height; }},
    };
    for (int i = 0; i < 6; ++i)
        keys.push_back(
            {kDesign, indexed("lv2col", i), [i](V &v) -> int & { return v.layout.lv2col[i]; }});
    for (int i = 0; i < 4; ++i)
        keys.push_back(
            {kDesign, indexed("lv1col", i), [i](V &v) -> int & { return v.layout.lv1col[i]; }});
    for (int i = 0; i < 4; ++i)
        keys.push_back(
            {kDesign, indexed("lv4col", i), [i](V &v) -> int & { return v.layout.lv4col[i]; }});
    keys.push_back({kDesign, QStringLiteral("p1w"), [](V &v) -> int & { return v.layout.p1w; }});
    keys.push_back({kDesign, QStringLiteral("p12w"), [](V &v) -> int & { return v.layout.p12w; }});
    keys.push_back({kDesign, QStringLiteral("lv2lastsort"),
                    [](V &v) -> int & { return v.layout.lv2lastsort; }});
    keys.push_back({kDesign, QStringLiteral("lv2lastimage"),
                    [](V &v) -> int & { return v.layout.lv2lastimage; }});
    return keys;
}

// Follows the options at start-up, as the last key read.
IntKey p4hKey() {
    return {kDesign, QStringLiteral("p4h"),
            [](AppSettings::Values &v) -> int & { return v.layout.p4h; }};
}

constexpr AppSettings::Option kOptionOrder[] = {
    AppSettings::Option::NotificationKind, AppSettings::Option::LogSource,
    AppSettings::Option::MinimizeToTray,   AppSettings::Option::ShowProgramLog,
    AppSettings::Option::Crosshair,        AppSettings::Option::BackgroundChat,
};

int fileValue(const ProgramOptions &options, AppSettings::Option option) {
    switch (option) {
    case AppSettings::Option::NotificationKind:
        return static_cast<int>(options.notification);
    case AppSettings::Option::LogSource:
        return static_cast<int>(options.logSource);
    case AppSettings::Option::MinimizeToTray:
        return options.minimizeToTray ? 1 : 0;
    case AppSettings::Option::ShowProgramLog:
        return options.showProgramLog ? 1 : 0;
    case AppSettings::Option::Crosshair:
        return options.crosshair ? 1 : 0;
    case AppSettings::Option::BackgroundChat:
        return options.backgroundChat ? 1 : 0;
    }
    return 0;
}

// A switch is on for 1 alone; a log source other than 1 asks for the game log; a notification
// kind outside the list is taken like an unreadable value, as the default.
void setFromFile(ProgramOptions *options, AppSettings::Option option, int value) {
    switch (option) {
    case AppSettings::Option::NotificationKind:
        options->notification = value >= 0 && value <= 4 ? static_cast<NotificationKind>(value)
                                                         : ProgramOptions().notification;
        return;
    case AppSettings::Option::LogSource:
        options->logSource = value == 1 ? LogSource::Chat : LogSource::GameLog;
        return;
    case AppSettings::Option::MinimizeToTray:
        options->minimizeToTray = value == 1;
        return;
    case AppSettings::Option::ShowProgramLog:
        options->showProgramLog = value == 1;
        return;
    case AppSettings::Option::Crosshair:
        options->crosshair = value == 1;
        return;
    case AppSettings::Option::BackgroundChat:
        options->backgroundChat = value == 1;
        return;
    }
}
} // namespace

bool AppSettings::read(const QString &path, Values *values) {
    IniFile ini(path);
    if (!ini.exists())
        return false;
    auto readInts = [&](const std::vector<IntKey> &keys) {
        for (const IntKey &k : keys) {
            int &field = k.field(*values);
            const int value = ini.readInt(k.section, k.key, field);
            if (!ini.errorString().isEmpty())
                return false;
            field = value;
        }
        return true;
    };
    auto readOptions = [&] {
        for (const Option option : kOptionOrder) {
            const int value =
                ini.readInt(kOptions, keyOf(option), fileValue(values->options, option));
            if (!ini.errorString().isEmpty())
                return false;
            setFromFile(&values->options, option, value);
        }
        return true;
    };
    bool ok = readInts(readOrder());
    if (ok) {
        const QString name = ini.readString(kConfig, QStringLiteral("Cname"), values->chatName);
        ok = ini.errorString().isEmpty();
        if (ok)
            values->chatName = name;
    }
    ok = ok && readOptions() && readInts({p4hKey()});
    if (!ok)
        ini.remove();
    return true;
}

bool AppSettings::writeLayout(const QString &path, const WindowLayout &layout,
                              const QString &chatName, QString *error) {
    Values values;
    values.layout = layout;
    // Exit order: as read, except that p4h follows p12w.
    std::vector<IntKey> keys = readOrder();
    const auto p12w = std::find_if(keys.begin(), keys.end(),
                                   [](const IntKey &k) { return k.key == QLatin1String("p12w"); });
    keys.insert(p12w + 1, p4hKey());
    // One rewrite for the whole layout: a temporary file and its sync per key would slow the exit.
    QList<IniFile::Setting> settings;
    for (const IntKey &k : keys)
        settings.append({k.section, k.key, QString::number(k.field(values))});
    settings.append({kConfig, QStringLiteral("Cname"), chatName});
    IniFile ini(path);
    return reported(ini, ini.writeStrings(settings), error);
}

bool AppSettings::writeOption(const QString &path, const ProgramOptions &options, Option option,
                              QString *error) {
    IniFile ini(path);
    return reported(ini, ini.inischint(kOptions, keyOf(option), fileValue(options, option)), error);
}

QString AppSettings::keyOf(Option option) {
    switch (option) {
    case Option::NotificationKind:
        return QStringLiteral("cinfo");
    case Option::LogSource:
        return QStringLiteral("ggl");
    case Option::MinimizeToTray:
        return QStringLiteral("tray");
    case Option::ShowProgramLog:
        return QStringLiteral("log");
    case Option::Crosshair:
        return QStringLiteral("cross");
    case Option::BackgroundChat:
        return QStringLiteral("getbchat");
    }
    return QString();
}

QString AppSettings::webhookUrl(const QString &path) {
    return IniFile(path).readString(kNotify, QStringLiteral("webhook")).trimmed();
}

bool AppSettings::writeWebhookUrl(const QString &path, const QString &url, QString *error) {
    IniFile ini(path);
    return reported(ini, ini.writeString(kNotify, QStringLiteral("webhook"), url.trimmed()), error);
}

QString AppSettings::updateUrl(const QString &path) {
    return IniFile(path).readString(QStringLiteral("Update"), QStringLiteral("url")).trimmed();
}
