// SPDX-License-Identifier: GPL-3.0-or-later
// The whole-or-nothing writer against a file system that is really full.
#include "SafeFile.h"
#include "FullDisk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Through one write call, or the way a library writes through stdio: many
// small buffered writes whose failure only the final flush reports.
enum class Way { Whole, Stream };

std::string Save(Way way, const std::string& path, const std::string& bytes)
{
    if (way == Way::Whole)
        return safefile::WriteWhole(path, bytes);
    safefile::Writer file(path);
    if (!file.Open())
        return file.Error();
    std::FILE* stream = file.Stream();
    for (std::size_t at = 0; stream && at < bytes.size(); at += 10)
        std::fprintf(stream, "%s", bytes.substr(at, 10).c_str());
    return file.Commit() ? std::string() : file.Error();
}

struct FullCase {
    const char* name;
    FullDisk::Method method;
    Way way;
    std::size_t size; // of the new contents: below and above any write buffer
    std::size_t room; // left on the file system
};

class WriterOnFullDisk : public ::testing::TestWithParam<FullCase> {};

TEST_P(WriterOnFullDisk, LeavesTheOldFileAndNoTemporaryAndSaysWhy)
{
    const FullCase c = GetParam();
    FullDisk disk(c.method);
    ASSERT_FALSE(disk.Folder().empty());
    const std::string target = disk.Path("target.txt");
    const std::string old = "the old contents, which must survive\n";
    WriteFile(target, old);
    const std::string outcome =
        disk.WithRoom(c.room, [&] { return Save(c.way, target, std::string(c.size, 'n')); });
    SCOPED_TRACE(disk.How());
    EXPECT_NE(outcome.find(disk.Reason()), std::string::npos) << outcome;
    if (c.way == Way::Stream) {
        EXPECT_NE(outcome.find(target), std::string::npos) << outcome;
    }
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(disk.Names(), std::vector<std::string>{"target.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterOnFullDisk,
    ::testing::Values(FullCase{"Small", FullDisk::Method::Best, Way::Whole, 100, 0},
                      FullCase{"Large", FullDisk::Method::Best, Way::Whole, 150000, 8192},
                      FullCase{"SmallStream", FullDisk::Method::Best, Way::Stream, 100, 0},
                      FullCase{"LargeStream", FullDisk::Method::Best, Way::Stream, 150000, 8192},
                      FullCase{"SmallLimit", FullDisk::Method::FileSizeLimit, Way::Whole, 100, 0},
                      FullCase{"LargeLimit", FullDisk::Method::FileSizeLimit, Way::Whole, 150000, 8192},
                      FullCase{"SmallStreamLimit", FullDisk::Method::FileSizeLimit, Way::Stream, 100, 0},
                      FullCase{"LargeStreamLimit", FullDisk::Method::FileSizeLimit, Way::Stream, 150000,
                               8192}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Writer, WhatFitsReplacesTheFileWholeThroughEitherWay)
{
    for (Way way : {Way::Whole, Way::Stream}) {
        FullDisk disk;
        const std::string target = disk.Path("target.txt");
        WriteFile(target, "old");
        const std::string bytes(3000, 'x');
        EXPECT_EQ(disk.WithRoom(64 << 10, [&] { return Save(way, target, bytes); }), "");
        EXPECT_EQ(ReadAll(target), bytes);
        EXPECT_EQ(disk.Names(), std::vector<std::string>{"target.txt"});
    }
}

TEST(Writer, ARestartedStreamHoldsOnlyWhatCameAfter)
{
    FullDisk disk;
    const std::string target = disk.Path("target.txt");
    safefile::Writer file(target);
    ASSERT_TRUE(file.Open());
    std::fputs("a first attempt that is thrown away", file.Stream());
    ASSERT_TRUE(file.Restart());
    std::fputs("the second", file.Stream());
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(ReadAll(target), "the second");
}

TEST(Writer, KeepsTheModeOfAnOldFileAndGivesANewOneTheUsualMode)
{
    FullDisk disk;
    const std::string old = disk.Path("old.txt"), fresh = disk.Path("new.txt");
    WriteFile(old, "old");
    chmod(old.c_str(), 0640);
    ASSERT_EQ(safefile::WriteWhole(old, "replaced"), "");
    EXPECT_EQ(ModeOf(old), mode_t(0640));
    const mode_t mask = umask(022);
    ASSERT_EQ(safefile::WriteWhole(fresh, "new"), "");
    umask(mask);
    EXPECT_EQ(ModeOf(fresh), mode_t(0644));
}

TEST(Writer, ReplacesTheFileALinkNamesAndKeepsTheLink)
{
    FullDisk disk;
    const std::string real = disk.Path("real.txt"), link = disk.Path("link.txt");
    WriteFile(real, "old");
    ASSERT_EQ(symlink("real.txt", link.c_str()), 0);
    ASSERT_EQ(safefile::WriteWhole(link, "new"), "");
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadAll(real), "new");
}

TEST(Writer, RefusesWhatIsNoRegularFileAndAFolderThatIsNotThere)
{
    FullDisk disk;
    const std::string fifo = disk.Path("pipe"), folder = disk.Path("folder");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(safefile::WriteWhole(fifo, "x"), "it is not a regular file");
    EXPECT_EQ(safefile::WriteWhole(folder, "x"), safefile::ReasonOf(EISDIR));
    EXPECT_EQ(safefile::WriteWhole(disk.Path("missing/file.txt"), "x"), safefile::ReasonOf(ENOENT));
    EXPECT_EQ(disk.Names().size(), 2u);
}

TEST(Writer, AWriterGivenUpOrDestroyedLeavesTheTargetAndNoTemporary)
{
    FullDisk disk;
    const std::string target = disk.Path("target.txt");
    WriteFile(target, "old");
    {
        safefile::Writer file(target);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("new"));
        EXPECT_EQ(disk.Names().size(), 2u); // the temporary beside the target
    }
    safefile::Writer discarded(target);
    ASSERT_TRUE(discarded.Open());
    ASSERT_TRUE(discarded.Write("new"));
    discarded.Discard();
    EXPECT_FALSE(discarded.Commit());
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(disk.Names(), std::vector<std::string>{"target.txt"});
}

} // namespace
