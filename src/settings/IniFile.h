// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// The settings file: an INI file edited in place. The file is kept as its raw
// bytes. Reading looks keys up in those bytes; writing replaces only the bytes
// of one value, or adds the lines of a key or a section that is missing. Every
// other byte survives a save as it was: comments, blank lines, lines that are
// not key=value, repeated keys, the line ends, a byte-order mark, the spacing
// around "=", NUL bytes and bytes that are not UTF-8.
//
// How the bytes are read:
// - Lines end at "\r\n", "\n" or "\r".
// - A line whose first non-blank character is '[' starts a section, named by
//   the text up to the first ']' (by the rest of the line when there is no
//   ']'), trimmed of blanks. Lines before the first section header belong to
//   the section named "".
// - A line whose first non-blank character is ';' or '#' is a comment.
// - Any other line with '=' holds key=value: the key is the text before the
//   first '=', the value the text after it, both trimmed of blanks. A value
//   enclosed in double quotes is read without them.
// - Section and key names match without regard to case. Sections of the same
//   name read as one; of a repeated key the first one counts, and it is the
//   one that writing changes.
class TIniFile {
public:
    explicit TIniFile(QString path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    // The settings file of the running program (see StoragePlaces.h).
    static QString DefaultPath();
    // The settings file of a portable copy: its executable's path with the
    // extension replaced by ".INI" (appended when there is none).
    static QString PathFor(const QString& executable);

    const QString& Path() const { return FPath; }

    // Reads the file. A missing file reads as empty. A file that exists but
    // cannot be read (no permission, not a regular file, far too large for a
    // settings file, a read error) throws an error naming it; this object is
    // then empty and refuses to save, so that the file is never overwritten
    // with less than it holds.
    void Load();
    // The bytes that Save writes.
    const QByteArray& Bytes() const;

    bool Contains(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // An integer value (decimal, or hexadecimal after "0x"): non-zero is true;
    // anything else, or no value, is the default.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    // The names of the sections, and of the keys of one section, each once
    // (as first spelt) in the order of the file.
    QStringList Sections() const;
    QStringList Keys(const QString& section) const;

    // Sets a key's value: the value of its first line in place (keeping the
    // double quotes around it, if any), or else a new line "key=value" after
    // the last entry of the section's first occurrence, or else a new section
    // at the end of the file. New lines take the file's own line end. A value
    // that would not read back as written (blanks at either end, or enclosed
    // in double quotes) is written in double quotes. Throws
    // std::invalid_argument for a name or value that an INI line cannot hold
    // (a line break; '=' in a key, ']' in a section name, blanks around a name).
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteBool(const QString& section, const QString& key, bool value);
    // Removes every line of the key in the section.
    void RemoveKey(const QString& section, const QString& key);
    // Removes every occurrence of the section: its header and all lines up to
    // the next header. The lines before the first header have no header and
    // are never removed this way.
    void RemoveSection(const QString& section);

    // Writes the whole file at once through a temporary file renamed over the
    // old one; throws with a message naming the file when that fails (or when
    // the file was not read successfully first), leaving the old file as it was.
    void Save() const;

private:
    struct Data;
    QString FPath;
    std::unique_ptr<Data> FData;
};
