// Fuzz target: the settings file's reader and writer on any file and any key.
//
// Input: [key length][value length][key bytes][value bytes][file bytes...]; the
// file bytes are the settings file as found on disk before the write.
//
// Properties:
// - any file reads without a crash, and every key of the section reads back its
//   first value, at most 49 bytes;
// - the write is accepted exactly when the key is not empty and the value has no
//   control byte and no blank at either end; a refused write leaves the file
//   byte for byte as it was;
// - an accepted write reads back the same value, and every other line of the file
//   (sections, keys, values, comments) is still there, in order: the only change
//   is the one key line, updated or added (with its section when there was none).
// The oracle below is a separate, plain reading of the line rules, used to list
// the file's lines before and after the write.
#include "FuzzCheck.h"
#include "IniFormat.h"
#include "SettingsFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

constexpr qsizetype ReadLimit = 49;

enum class Kind { Other, Section, Key };

struct IniLine {
    Kind kind = Kind::Other;
    QByteArray name;  // section name, stored key, or the trimmed text of another line
    QByteArray value; // a key's value
    bool operator==(const IniLine &) const = default;
};

QByteArray trimBlanks(QByteArray text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove(0, 1);
    }
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t')) {
        text.chop(1);
    }
    return text;
}

IniLine classify(const QByteArray &text) {
    if (text.isEmpty() || text.front() == ';' || text.front() == '#') {
        return {Kind::Other, text, {}};
    }
    if (text.front() == '[') {
        const qsizetype close = text.indexOf(']');
        return {Kind::Section, trimBlanks(text.mid(1, close < 0 ? -1 : close - 1)), {}};
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) {
        return {Kind::Other, text, {}};
    }
    return {Kind::Key, trimBlanks(text.left(equals)), trimBlanks(text.mid(equals + 1))};
}

QList<IniLine> linesOf(const QByteArray &file) {
    QList<IniLine> lines;
    qsizetype pos = file.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < file.size()) {
        const qsizetype newline = file.indexOf('\n', pos);
        qsizetype end = newline < 0 ? file.size() : newline;
        const qsizetype next = newline < 0 ? file.size() : newline + 1;
        if (end > pos && file[end - 1] == '\r') {
            --end;
        }
        lines.append(classify(trimBlanks(file.mid(pos, end - pos))));
        pos = next;
    }
    return lines;
}

bool sameName(const QByteArray &a, const QByteArray &b, bool ignoreCase) {
    return a.size() == b.size() &&
           (ignoreCase ? qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0 : a == b);
}

// The lines of the first "Zelvora" section: [header, end) in `lines`; header -1
// when there is none.
struct Block {
    qsizetype header = -1;
    qsizetype end = -1;
};

Block sectionBlock(const QList<IniLine> &lines) {
    Block block;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Kind::Section) {
            continue;
        }
        if (block.header >= 0) {
            block.end = i;
            return block;
        }
        if (sameName(lines[i].name, "Zelvora", true)) {
            block.header = i;
        }
    }
    block.end = lines.size();
    return block;
}

// The first key line of the block that stands for `key`, or -1.
qsizetype findKey(const QList<IniLine> &lines, const Block &block, const QByteArray &key,
                  bool ignoreCase) {
    for (qsizetype i = block.header + 1; block.header >= 0 && i < block.end; ++i) {
        if (lines[i].kind != Kind::Key) {
            continue;
        }
        const std::optional<QByteArray> decoded = IniFormat::decodeKey(lines[i].name);
        if (decoded && sameName(*decoded, key, ignoreCase)) {
            return i;
        }
    }
    return -1;
}

bool isFixedKey(const QString &key) {
    return key.compare(QLatin1String(SettingsFile::SpeedKey), Qt::CaseInsensitive) == 0 ||
           key.compare(QLatin1String(SettingsFile::LanguageKey), Qt::CaseInsensitive) == 0;
}

bool storable(const QByteArray &value) {
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return !value.startsWith(' ') && !value.endsWith(' ');
}

// What the file's lines must be after `key` = `value` has been written.
QList<IniLine> expectedAfterWrite(QList<IniLine> lines, const QByteArray &key, bool ignoreCase,
                                  const QByteArray &value) {
    const Block block = sectionBlock(lines);
    const qsizetype found = findKey(lines, block, key, ignoreCase);
    if (found >= 0) {
        lines[found].value = value;
        return lines;
    }
    const IniLine added{Kind::Key, IniFormat::encodeKey(key), value};
    if (block.header < 0) {
        lines.append({Kind::Section, "Zelvora", {}});
        lines.append(added);
        return lines;
    }
    qsizetype after = block.header;
    for (qsizetype i = block.header + 1; i < block.end; ++i) {
        after = lines[i].kind == Kind::Key ? i : after;
    }
    lines.insert(after + 1, added);
    return lines;
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void writeFileBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

// Every key of the section whose name is text reads back its first value.
void checkReads(SettingsFile &settings, const QList<IniLine> &lines) {
    const Block block = sectionBlock(lines);
    int checked = 0;
    for (qsizetype i = block.header + 1; block.header >= 0 && i < block.end && checked < 8; ++i) {
        const std::optional<QByteArray> key =
            lines[i].kind == Kind::Key ? IniFormat::decodeKey(lines[i].name) : std::nullopt;
        if (!key || key->isEmpty() || QString::fromUtf8(*key).toUtf8() != *key) {
            continue;
        }
        const QString text = QString::fromUtf8(*key);
        const qsizetype first = findKey(lines, block, *key, isFixedKey(text));
        FUZZ_CHECK(settings.readValue(text) == lines[first].value.left(ReadLimit));
        ++checked;
    }
    (void)settings.readReadingSpeed();
    (void)settings.storedLanguageIsSpanish();
}

// The private folder of the settings file, in memory when possible; a plain array
// so that it is still there when the exit handler removes the folder.
char settingsFolderName[256];

void removeSettingsFolder() {
    QDir(QString::fromUtf8(settingsFolderName)).removeRecursively();
}

QString settingsFolder() {
    if (settingsFolderName[0] == '\0') {
        const QByteArray base = QFile::exists(QStringLiteral("/dev/shm"))
                                    ? QByteArray("/dev/shm")
                                    : QFile::encodeName(QDir::tempPath());
        const QByteArray pattern = base + "/fuzz_settingsfile.XXXXXX";
        FUZZ_CHECK(pattern.size() < qsizetype(sizeof settingsFolderName));
        std::memcpy(settingsFolderName, pattern.constData(), size_t(pattern.size()) + 1);
        FUZZ_CHECK(::mkdtemp(settingsFolderName) != nullptr);
        std::atexit(removeSettingsFolder);
    }
    return QString::fromUtf8(settingsFolderName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray rawKey = input.mid(2, static_cast<unsigned char>(input[0]));
    const QByteArray value = input.mid(2 + rawKey.size(), static_cast<unsigned char>(input[1]));
    const QByteArray before = input.mid(2 + rawKey.size() + value.size());
    const QString key = QString::fromUtf8(rawKey);
    const QByteArray keyBytes = key.toUtf8(); // what the settings file stores for it
    const bool ignoreCase = isFixedKey(key);

    const QString path = settingsFolder() + QStringLiteral("/Tirova2001.ini");
    writeFileBytes(path, before);
    SettingsFile settings(path);
    const QList<IniLine> linesBefore = linesOf(before);
    checkReads(settings, linesBefore);

    const bool accepted = !key.isEmpty() && storable(value);
    FUZZ_CHECK(settings.writeValue(key, value) == accepted);
    const QByteArray after = fileBytes(path);
    if (!accepted) {
        FUZZ_CHECK(after == before);
        return 0;
    }
    FUZZ_CHECK(settings.readValue(key) == value.left(ReadLimit));
    FUZZ_CHECK(linesOf(after) == expectedAfterWrite(linesBefore, keyBytes, ignoreCase, value));
    return 0;
}
