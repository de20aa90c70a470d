#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// Keys and values are used as UTF-8 text as they stand.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <stdexcept>

struct TIniFile::Data {
    // Section and key names match without regard to case.
    CSimpleIniA ini{false, false, false};
};

TIniFile::TIniFile(QString path) : FPath(std::move(path)), FData(std::make_unique<Data>()) {}

TIniFile::~TIniFile() = default;

QString TIniFile::DefaultPath() { return PathFor(QCoreApplication::applicationFilePath()); }

QString TIniFile::PathFor(const QString& executable)
{
    const QFileInfo info(executable);
    const QString name = info.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(base + QStringLiteral(".INI"));
}

void TIniFile::Load()
{
    FData->ini.Reset();
    QFile file(FPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray text = file.readAll();
    FData->ini.LoadData(text.constData(), static_cast<size_t>(text.size()));
}

QString TIniFile::ReadString(const char* section, const char* key, const QString& defaultValue) const
{
    const char* value = FData->ini.GetValue(section, key, nullptr);
    return value ? QString::fromUtf8(value) : defaultValue;
}

bool TIniFile::ReadBool(const char* section, const char* key, bool defaultValue) const
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

void TIniFile::WriteString(const char* section, const char* key, const QString& value)
{
    FData->ini.SetValue(section, key, value.toUtf8().constData());
}

void TIniFile::WriteBool(const char* section, const char* key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::Save() const
{
    std::string text;
    if (FData->ini.Save(text) < 0)
        throw std::runtime_error("Cannot write the settings file " + FPath.toStdString());
    QSaveFile file(FPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
        !file.commit())
        throw std::runtime_error(QStringLiteral("Cannot write the settings file %1: %2")
                                     .arg(FPath, file.errorString())
                                     .toStdString());
}
