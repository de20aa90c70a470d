// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemSummary.h"

#include <QFile>
#include <QRegularExpression>

#include <cstring>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

QString FormatSystemSummary(unsigned processorType, std::uint64_t availableBytes, std::uint64_t totalBytes)
{
    // Whole megabytes from 64-bit byte counts, the remainder dropped.
    return QStringLiteral("You CPU type is %1,  Available Memory=%2MB, Total Memory is %3MB")
        .arg(processorType)
        .arg(availableBytes >> 20)
        .arg(totalBytes >> 20);
}

unsigned ProcessorType()
{
    struct utsname name {};
    if (uname(&name) != 0)
        return 0;
    const char* m = name.machine;
    struct Entry {
        const char* machine;
        unsigned type;
    };
    static const Entry table[] = {
        {"x86_64", 8664}, {"amd64", 8664}, {"i686", 586},  {"i586", 586},
        {"i486", 486},    {"i386", 386},   {"ia64", 2200},
    };
    for (const Entry& e : table)
        if (std::strcmp(m, e.machine) == 0)
            return e.type;
    return 0;
}

namespace {

// Memory a program can still get without swapping, from /proc/meminfo; the
// kernel's free count (less than what is really available) when that is missing.
std::uint64_t AvailableMemory(const struct sysinfo& info)
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        static const QRegularExpression re(QStringLiteral("^MemAvailable:\\s+(\\d+)\\s+kB"),
                                           QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = re.match(QString::fromLatin1(meminfo.readAll()));
        if (match.hasMatch())
            return match.captured(1).toULongLong() * 1024;
    }
    return static_cast<std::uint64_t>(info.freeram) * info.mem_unit;
}

} // namespace

QString SystemSummary()
{
    struct sysinfo info {};
    std::uint64_t total = 0;
    std::uint64_t available = 0;
    if (sysinfo(&info) == 0) {
        total = static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
        available = AvailableMemory(info);
    }
    return FormatSystemSummary(ProcessorType(), available, total);
}
