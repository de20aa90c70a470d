#pragma once

#include <QString>

#include <memory>

// The settings file: an INI file whose section and key names match without
// regard to case. Reading keeps everything the file holds, so that saving
// rewrites the user's other sections and keys as they were.
class TIniFile {
public:
    explicit TIniFile(QString path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    // The settings file of the running program: its executable's path with
    // the extension replaced by ".INI" (appended when there is none).
    static QString DefaultPath();
    static QString PathFor(const QString& executable);

    const QString& Path() const { return FPath; }

    // Reads the file; a missing or unreadable file reads as empty.
    void Load();
    QString ReadString(const char* section, const char* key, const QString& defaultValue) const;
    // An integer value (decimal, or hexadecimal after "0x"): non-zero is true;
    // anything else, or no value, is the default.
    bool ReadBool(const char* section, const char* key, bool defaultValue) const;
    void WriteString(const char* section, const char* key, const QString& value);
    void WriteBool(const char* section, const char* key, bool value);
    // Writes the whole file at once through a temporary file renamed over the
    // old one; throws with a message naming the file when that fails, leaving
    // the old file as it was.
    void Save() const;

private:
    struct Data;
    QString FPath;
    std::unique_ptr<Data> FData;
};
