// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoragePlaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace corvane {

namespace {

QString HomeFolder(const QProcessEnvironment& env)
{
    const QString home = env.value(QStringLiteral("HOME"));
    return !home.isEmpty() && QDir::isAbsolutePath(home) ? QDir::cleanPath(home) : QDir::homePath();
}

// An XDG base directory variable, or the home-relative default when the
// variable is unset, empty or relative (relative values are to be ignored).
QString BaseDirectory(const QProcessEnvironment& env, const char* variable, const char* homeRelative)
{
    const QString value = env.value(QString::fromLatin1(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(QDir(HomeFolder(env)).filePath(QString::fromLatin1(homeRelative)));
}

bool IsSystemFolder(const QString& folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    static const char* const kSystem[] = {"/usr", "/bin", "/sbin", "/lib", "/lib64", "/etc"};
    for (const char* root : kSystem) {
        const QString r = QString::fromLatin1(root);
        if (path == r || path.startsWith(r + QLatin1Char('/')))
            return true;
    }
#ifdef CORVANE_INSTALL_BINDIR
    if (path == QDir::cleanPath(QStringLiteral(CORVANE_INSTALL_BINDIR)))
        return true;
#endif
    return false;
}

} // namespace

QString PortableSettingsFile(const QString& executablePath)
{
    const QFileInfo info(executablePath);
    const QString name = info.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(base + QStringLiteral(".INI"));
}

StoragePlaces StoragePlacesFor(const QString& executablePath, bool portable, const QProcessEnvironment& env)
{
    StoragePlaces places;
    places.portable = portable;
    if (portable) {
        places.settingsFile = PortableSettingsFile(executablePath);
        places.dataParent = QFileInfo(executablePath).absolutePath();
        places.startFolder = places.dataParent;
        return places;
    }
    const QString config = BaseDirectory(env, "XDG_CONFIG_HOME", ".config");
    const QString data = BaseDirectory(env, "XDG_DATA_HOME", ".local/share");
    places.settingsFile = QDir(config).filePath(QStringLiteral("corvane/corvane.INI"));
    places.dataParent = QDir(data).filePath(QStringLiteral("corvane"));
    places.startFolder = HomeFolder(env);
    return places;
}

bool IsPortableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && !IsSystemFolder(folder);
}

const StoragePlaces& ProgramStoragePlaces()
{
    static const StoragePlaces places = [] {
        const QString executable = QCoreApplication::applicationFilePath();
        return StoragePlacesFor(executable, IsPortableFolder(QFileInfo(executable).absolutePath()),
                                QProcessEnvironment::systemEnvironment());
    }();
    return places;
}

} // namespace corvane
