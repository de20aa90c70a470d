// SPDX-License-Identifier: GPL-3.0-or-later
#include "Icons.h"

#include <QFile>

namespace corvane {

QIcon Icon(const char* name)
{
    const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace corvane
