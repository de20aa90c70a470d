// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemSummary.h"

#include <gtest/gtest.h>

TEST(SystemSummary, FormatsWholeMegabytesFrom64BitCounts)
{
    struct Case {
        unsigned cpu;
        std::uint64_t available, total;
        const char* expected;
    };
    const std::uint64_t MB = 1ull << 20;
    const Case cases[] = {
        {586, 0, 0, "You CPU type is 586,  Available Memory=0MB, Total Memory is 0MB"},
        {8664, 512 * MB + MB - 1, 1024 * MB,
         "You CPU type is 8664,  Available Memory=512MB, Total Memory is 1024MB"},
        // Beyond 4 GiB the figures keep growing: no 4095 MB ceiling.
        {8664, 6144 * MB, 65536 * MB,
         "You CPU type is 8664,  Available Memory=6144MB, Total Memory is 65536MB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatSystemSummary(c.cpu, c.available, c.total).toStdString(), c.expected);
}

TEST(SystemSummary, DescribesThisMachine)
{
    const QString summary = SystemSummary();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("You CPU type is "))) << summary.toStdString();
    EXPECT_FALSE(summary.contains(QStringLiteral("Total Memory is 0MB"))) << summary.toStdString();
#if defined(__x86_64__)
    EXPECT_EQ(ProcessorType(), 8664u);
#endif
}
