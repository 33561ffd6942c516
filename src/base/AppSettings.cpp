#include "base/AppSettings.h"

#include "base/IniFile.h"

#include <functional>

namespace {
const QString kDesign = QStringLiteral("Design");
const QString kConfig = QStringLiteral("Config");
const QString kOptions = QStringLiteral("pum1");

struct IntKey {
    QString section;
    QString key;
    std::function<int &(AppSettings::Values &)> field;
};

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

std::vector<IntKey> optionOrder() {
    using V = AppSettings::Values;
    return {
        {kOptions, QStringLiteral("cinfo"), [](V &v) -> int & { return v.options.cinfo; }},
        {kOptions, QStringLiteral("ggl"), [](V &v) -> int & { return v.options.ggl; }},
        {kOptions, QStringLiteral("tray"), [](V &v) -> int & { return v.options.tray; }},
        {kOptions, QStringLiteral("log"), [](V &v) -> int & { return v.options.log; }},
        {kOptions, QStringLiteral("cross"), [](V &v) -> int & { return v.options.cross; }},
        {kOptions, QStringLiteral("getbchat"), [](V &v) -> int & { return v.options.getbchat; }},
        {kDesign, QStringLiteral("p4h"), [](V &v) -> int & { return v.layout.p4h; }},
    };
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
    bool ok = readInts(readOrder());
    if (ok) {
        const QString name = ini.readString(kConfig, QStringLiteral("Cname"), values->chatName);
        ok = ini.errorString().isEmpty();
        if (ok)
            values->chatName = name;
    }
    ok = ok && readInts(optionOrder());
    if (!ok)
        ini.remove();
    return true;
}

bool AppSettings::writeLayout(const QString &path, const WindowLayout &layout,
                              const QString &chatName) {
    Values values;
    values.layout = layout;
    // Exit order: as read, except that p4h follows p12w.
    std::vector<IntKey> keys = readOrder();
    const auto p12w = std::find_if(keys.begin(), keys.end(),
                                   [](const IntKey &k) { return k.key == QLatin1String("p12w"); });
    keys.insert(p12w + 1, optionOrder().back());
    // One rewrite for the whole layout: a temporary file and its sync per key would slow the exit.
    QList<IniFile::Setting> settings;
    for (const IntKey &k : keys)
        settings.append({k.section, k.key, QString::number(k.field(values))});
    settings.append({kConfig, QStringLiteral("Cname"), chatName});
    return IniFile(path).writeStrings(settings);
}

bool AppSettings::writeOption(const QString &path, const QString &key, int value) {
    return IniFile(path).inischint(kOptions, key, value);
}
