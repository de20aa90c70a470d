// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniFile.h"

#include "SafeFileQt.h"
#include "StoragePlaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>
#include <vector>

namespace {

// A settings file is a few lines; anything beyond this is not one, and
// holding it line by line would only tie up memory.
constexpr qint64 MaxFileSize = 1024 * 1024;

const QByteArray ByteOrderMark("\xEF\xBB\xBF");

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

QByteArray Trimmed(const QByteArray& text, qsizetype begin, qsizetype end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAscii(const QByteArray& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool IsUtf8(const QByteArray& text) { return QString::fromUtf8(text).toUtf8() == text; }

// Names match without regard to case: a name in ASCII only by its ASCII
// letters, other names by their Unicode letters when both are proper UTF-8
// (bytes that are not UTF-8 match only themselves).
bool SameName(const QByteArray& a, const QByteArray& b)
{
    if (a.size() == b.size()) {
        qsizetype i = 0;
        while (i < a.size() && AsciiLower(a[i]) == AsciiLower(b[i]))
            ++i;
        if (i == a.size())
            return true;
    }
    if (IsAscii(a) || IsAscii(b))
        return false;
    return IsUtf8(a) && IsUtf8(b) &&
           QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

enum class Kind { Blank, Comment, Header, Entry, Other };

// One line of the file, as offsets into its bytes.
struct Line {
    qsizetype begin = 0; // first byte of the line
    qsizetype end = 0;   // end of its text, where its line break starts
    qsizetype next = 0;  // first byte after its line break
    Kind kind = Kind::Blank;
    QByteArray name;  // the section name of a header, the key of an entry
    int section = -1; // the index of the header above (its own for a header); -1 before any
    qsizetype valueBegin = 0, valueEnd = 0; // the value of an entry, inside its quotes if quoted
    bool quoted = false;
    bool HasLineBreak() const { return next > end; }
};

void Classify(const QByteArray& text, Line& line)
{
    qsizetype at = line.begin;
    while (at < line.end && IsBlank(text[at]))
        ++at;
    if (at == line.end)
        return;
    const char first = text[at];
    if (first == ';' || first == '#') {
        line.kind = Kind::Comment;
        return;
    }
    if (first == '[') {
        line.kind = Kind::Header;
        qsizetype close = at + 1;
        while (close < line.end && text[close] != ']')
            ++close;
        line.name = Trimmed(text, at + 1, close);
        return;
    }
    qsizetype equals = at;
    while (equals < line.end && text[equals] != '=')
        ++equals;
    if (equals == line.end) {
        line.kind = Kind::Other;
        return;
    }
    line.kind = Kind::Entry;
    line.name = Trimmed(text, at, equals);
    qsizetype begin = equals + 1;
    qsizetype end = line.end;
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (end - begin >= 2 && text[begin] == '"' && text[end - 1] == '"') {
        line.quoted = true;
        ++begin;
        --end;
    }
    line.valueBegin = begin;
    line.valueEnd = end;
}

// A value that reads back as written only when enclosed in double quotes.
bool NeedsQuotes(const QByteArray& value)
{
    if (value.isEmpty())
        return false;
    return IsBlank(value.front()) || IsBlank(value.back()) ||
           (value.size() >= 2 && value.front() == '"' && value.back() == '"');
}

bool HasLineBreak(const QByteArray& text) { return text.contains('\n') || text.contains('\r'); }

QByteArray CheckedSection(const QString& section)
{
    const QByteArray name = section.toUtf8();
    if (HasLineBreak(name) || name.contains(']') || Trimmed(name, 0, name.size()) != name)
        throw std::invalid_argument(
            QStringLiteral("'%1' cannot be a section name of the settings file").arg(section).toStdString());
    return name;
}

QByteArray CheckedKey(const QString& key)
{
    const QByteArray name = key.toUtf8();
    if (name.isEmpty() || HasLineBreak(name) || name.contains('=') || name.front() == '[' ||
        name.front() == ';' || name.front() == '#' || Trimmed(name, 0, name.size()) != name)
        throw std::invalid_argument(
            QStringLiteral("'%1' cannot be a key of the settings file").arg(key).toStdString());
    return name;
}

std::runtime_error ReadError(const QString& path, const QString& reason)
{
    return std::runtime_error(
        QStringLiteral("Cannot read the settings file %1: %2").arg(path, reason).toStdString());
}

} // namespace

struct TIniFile::Data {
    QByteArray text;
    std::vector<Line> lines;
    bool loaded = false;

    void Parse()
    {
        lines.clear();
        lines.reserve(static_cast<std::size_t>(text.count('\n') + text.count('\r')) + 1);
        qsizetype at = text.startsWith(ByteOrderMark) ? ByteOrderMark.size() : 0;
        int section = -1;
        while (at < text.size()) {
            Line line;
            line.begin = at;
            line.end = at;
            while (line.end < text.size() && !IsLineBreak(text[line.end]))
                ++line.end;
            line.next = line.end; // past the line break: "\r\n", "\n" or "\r"
            if (line.next < text.size() && text[line.next++] == '\r' && line.next < text.size() &&
                text[line.next] == '\n')
                ++line.next;
            Classify(text, line);
            if (line.kind == Kind::Header)
                section = static_cast<int>(lines.size());
            line.section = section;
            at = line.next;
            lines.push_back(std::move(line));
        }
    }

    // The line break of new lines: the file's first one, "\n" in a file without any.
    QByteArray LineBreak() const
    {
        for (const Line& line : lines)
            if (line.HasLineBreak())
                return text.mid(line.end, line.next - line.end);
        return QByteArrayLiteral("\n");
    }

    bool InSection(const Line& line, const QByteArray& section) const
    {
        return line.section < 0 ? section.isEmpty()
                                : SameName(lines[static_cast<std::size_t>(line.section)].name, section);
    }

    const Line* Find(const QByteArray& section, const QByteArray& key) const
    {
        for (const Line& line : lines)
            if (line.kind == Kind::Entry && InSection(line, section) && SameName(line.name, key))
                return &line;
        return nullptr;
    }

    void Replace(qsizetype begin, qsizetype end, const QByteArray& bytes)
    {
        text.replace(begin, end - begin, bytes);
        Parse();
    }

    // Inserts whole lines (each ending in a line break) after the given line,
    // first ending that line when it is the file's last and has no line break.
    void InsertAfter(const Line& line, const QByteArray& newLines)
    {
        const qsizetype at = line.next;
        const QByteArray lead = line.HasLineBreak() ? QByteArray() : LineBreak();
        Replace(at, at, lead + newLines);
    }
};

TIniFile::TIniFile(QString path) : FPath(std::move(path)), FData(std::make_unique<Data>()) {}

TIniFile::~TIniFile() = default;

QString TIniFile::DefaultPath() { return corvane::ProgramStoragePlaces().settingsFile; }

QString TIniFile::PathFor(const QString& executable) { return corvane::PortableSettingsFile(executable); }

void TIniFile::Load()
{
    FData->text.clear();
    FData->lines.clear();
    FData->loaded = false;
    const QFileInfo info(FPath);
    if (!info.exists()) {
        FData->loaded = true;
        return;
    }
    // Opening a pipe or a device could block or never end.
    if (!info.isFile())
        throw ReadError(FPath, QStringLiteral("it is not a regular file"));
    if (info.size() > MaxFileSize)
        throw ReadError(FPath, QStringLiteral("it is too large for a settings file"));
    QFile file(FPath);
    if (!file.open(QIODevice::ReadOnly))
        throw ReadError(FPath, file.errorString());
    QByteArray text = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw ReadError(FPath, file.errorString());
    if (text.size() > MaxFileSize)
        throw ReadError(FPath, QStringLiteral("it is too large for a settings file"));
    FData->text = std::move(text);
    FData->Parse();
    FData->loaded = true;
}

const QByteArray& TIniFile::Bytes() const { return FData->text; }

bool TIniFile::Contains(const QString& section, const QString& key) const
{
    return FData->Find(section.toUtf8(), key.toUtf8()) != nullptr;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Line* line = FData->Find(section.toUtf8(), key.toUtf8());
    return line ? QString::fromUtf8(FData->text.mid(line->valueBegin, line->valueEnd - line->valueBegin))
                : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    const QString text = ReadString(section, key, QString()).trimmed();
    bool ok = false;
    long long value = 0;
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive) ||
        text.startsWith(QStringLiteral("-0x"), Qt::CaseInsensitive)) {
        const bool negative = text.startsWith(QLatin1Char('-'));
        value = text.mid(negative ? 3 : 2).toLongLong(&ok, 16);
    } else {
        value = text.toLongLong(&ok, 10);
    }
    return ok ? value != 0 : defaultValue;
}

QStringList TIniFile::Sections() const
{
    std::vector<QByteArray> names;
    QStringList result;
    for (const Line& line : FData->lines) {
        if (line.kind != Kind::Header)
            continue;
        bool seen = false;
        for (const QByteArray& name : names)
            seen = seen || SameName(name, line.name);
        if (!seen) {
            names.push_back(line.name);
            result << QString::fromUtf8(line.name);
        }
    }
    return result;
}

QStringList TIniFile::Keys(const QString& section) const
{
    const QByteArray wanted = section.toUtf8();
    std::vector<QByteArray> names;
    QStringList result;
    for (const Line& line : FData->lines) {
        if (line.kind != Kind::Entry || line.name.isEmpty() || !FData->InSection(line, wanted))
            continue;
        bool seen = false;
        for (const QByteArray& name : names)
            seen = seen || SameName(name, line.name);
        if (!seen) {
            names.push_back(line.name);
            result << QString::fromUtf8(line.name);
        }
    }
    return result;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QByteArray sectionName = CheckedSection(section);
    const QByteArray keyName = CheckedKey(key);
    const QByteArray bytes = value.toUtf8();
    if (HasLineBreak(bytes))
        throw std::invalid_argument(
            QStringLiteral("The value of '%1' cannot hold a line break in the settings file")
                .arg(key)
                .toStdString());
    const QByteArray quoted = NeedsQuotes(bytes) ? '"' + bytes + '"' : bytes;
    Data& d = *FData;
    if (const Line* line = d.Find(sectionName, keyName)) {
        const qsizetype begin = line->valueBegin;
        const qsizetype end = line->valueEnd;
        d.Replace(begin, end, line->quoted ? bytes : quoted);
        return;
    }
    const QByteArray entry = keyName + '=' + quoted + d.LineBreak();

    // After the last entry (or other text) of the section's first occurrence,
    // so that comments and blank lines before the next section stay with it.
    int header = -2; // -2: no such section
    if (sectionName.isEmpty()) {
        header = -1;
    } else {
        for (std::size_t i = 0; i < d.lines.size() && header == -2; ++i)
            if (d.lines[i].kind == Kind::Header && SameName(d.lines[i].name, sectionName))
                header = static_cast<int>(i);
    }
    if (header == -2) {
        const QByteArray newLines = '[' + sectionName + ']' + d.LineBreak() + entry;
        if (d.lines.empty())
            d.Replace(d.text.size(), d.text.size(), newLines);
        else
            d.InsertAfter(d.lines.back(), newLines);
        return;
    }
    const Line* last = header >= 0 ? &d.lines[static_cast<std::size_t>(header)] : nullptr;
    for (const Line& line : d.lines)
        if (line.section == header && (line.kind == Kind::Entry || line.kind == Kind::Other))
            last = &line;
    if (last) {
        d.InsertAfter(*last, entry);
    } else {
        // The first entry of the lines before any header: at the top of the file.
        const qsizetype top = d.text.startsWith(ByteOrderMark) ? ByteOrderMark.size() : 0;
        d.Replace(top, top, entry);
    }
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::RemoveKey(const QString& section, const QString& key)
{
    const QByteArray sectionName = section.toUtf8();
    const QByteArray keyName = key.toUtf8();
    Data& d = *FData;
    for (std::size_t i = d.lines.size(); i-- > 0;) {
        const Line& line = d.lines[i];
        if (line.kind == Kind::Entry && d.InSection(line, sectionName) && SameName(line.name, keyName))
            d.text.remove(line.begin, line.next - line.begin);
    }
    d.Parse();
}

void TIniFile::RemoveSection(const QString& section)
{
    const QByteArray sectionName = section.toUtf8();
    Data& d = *FData;
    qsizetype end = d.text.size();
    for (std::size_t i = d.lines.size(); i-- > 0;) {
        const Line& line = d.lines[i];
        if (line.kind != Kind::Header)
            continue;
        if (SameName(line.name, sectionName))
            d.text.remove(line.begin, end - line.begin);
        end = line.begin;
    }
    d.Parse();
}

void TIniFile::Save() const
{
    if (!FData->loaded)
        throw std::logic_error(QStringLiteral("The settings file %1 was not read, so it is not written")
                                   .arg(FPath)
                                   .toStdString());
    // The per-user settings folder does not exist before the first save.
    const QDir folder = QFileInfo(FPath).dir();
    if (!folder.exists())
        QDir().mkpath(folder.path());
    const QString reason = safefile::WriteWhole(FPath, FData->text);
    if (!reason.isEmpty())
        throw std::runtime_error(
            QStringLiteral("Cannot write the settings file %1: %2").arg(FPath, reason).toStdString());
}
