// The settings reader (app.ini): the start-up read of every setting, and single keys asked for
// by name, over any bytes in any of the encodings a byte-order mark selects.
#include "base/AppSettings.h"
#include "base/IniFile.h"
#include "base/WholeFile.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    // Up to three questions (section and key, each ended by a zero byte), then the file.
    QList<QPair<QString, QString>> questions;
    for (int n = input.number(0, 3); n > 0; --n) {
        const QString section = QString::fromLatin1(input.piece('\0'));
        questions.append({section, QString::fromLatin1(input.piece('\0'))});
    }
    const QString path = fuzzScratchFile("app.ini");
    FUZZ_CHECK(WholeFile::write(path, input.rest()));

    IniFile ini(path);
    const QString missing = QStringLiteral("\x01missing");
    for (const auto &[section, key] : questions) {
        const QString value = ini.readString(section, key, missing);
        FUZZ_CHECK(value == missing || value.size() <= 2047);
        int number = 0;
        const int read = ini.readInt(section, key, -7);
        FUZZ_CHECK(IniFile::parseInt(value, &number) ? read == number : read == -7);
    }

    AppSettings::Values values;
    FUZZ_CHECK(AppSettings::read(path, &values));
    return 0;
}
