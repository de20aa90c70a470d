// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The whole-or-nothing writer (SafeFile.h) for Qt code: file names as
// QString, data as QByteArray.

#include "SafeFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace safefile {

inline std::string LocalPath(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

// Writes bytes to fileName whole or not at all. Returns an empty string, or
// the reason it could not ("No space left on device").
inline QString WriteWhole(const QString& fileName, const QByteArray& bytes)
{
    return QString::fromStdString(
        WriteWhole(LocalPath(fileName), std::string_view(bytes.constData(), std::size_t(bytes.size()))));
}

} // namespace safefile
