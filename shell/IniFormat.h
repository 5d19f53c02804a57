#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The line structure of an INI file, on bytes: finding one key's value and setting
// one key while every other byte of the file stays as it was.
//
// A line is ended by "\n" (a "\r" before it belongs to the ending). Blanks (space,
// tab) around a line, a key and a value are not part of them. A line whose first
// non-blank byte is "[" opens a section (its name runs to the first "]"); ";" and
// "#" start comments; any other line with a "=" is a key line (key before the first
// "=", value after it); the rest is kept and otherwise ignored. A UTF-8 byte order
// mark at the start of the file is skipped.
//
// Keys are stored escaped when their bytes would not survive that structure: every
// "%", "=", control byte (0x00-0x1F, 0x7F), a leading "[", ";", "#" or blank and a
// trailing blank become "%" and two upper-case hex digits. Every other key is
// stored as it is, so a stored key holding "%" is always an escaped one.
class IniFormat {
public:
    // How a stored key is compared with the key asked for.
    enum class KeyMatch {
        Exact,     // byte for byte (book paths)
        IgnoreCase // ASCII letters without regard to case (fixed keys)
    };

    // The key as it is stored in a file.
    static QByteArray encodeKey(QByteArrayView key);
    // The key a stored key stands for; nullopt for a "%" not followed by two hex
    // digits (a hand-edited key that matches nothing).
    static std::optional<QByteArray> decodeKey(QByteArrayView stored);
    // A value can be stored when it has no control byte and no blank at either end
    // (so that it reads back unchanged and can never start another line).
    static bool isStorableValue(QByteArrayView value);

    // The value of `key` (unescaped bytes) in the first section called `section`
    // (ASCII case ignored), or nullopt. The first matching key line wins.
    static std::optional<QByteArrayView> findValue(QByteArrayView file, QByteArrayView section,
                                                   QByteArrayView key, KeyMatch match);
    // `file` with `key` set to `value`: the first matching key line is rewritten in
    // place (keeping its stored spelling of the key), else a line is inserted after
    // the section's last key line (or its header), else the section is appended at
    // the end of the file. New lines end like the file's first line. The value must
    // be storable.
    static QByteArray withValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                                KeyMatch match, QByteArrayView value);
    // `file` without the first matching key line of `key` (its line ending
    // included); every other byte as it was. The file itself when there is none.
    static QByteArray withoutKey(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                                 KeyMatch match);
};
