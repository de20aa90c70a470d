// SPDX-License-Identifier: GPL-3.0-or-later
// The results folder on a full disk, and the folders a run makes.
#include "FullDisk.h"
#include "LbmResults.h"
#include "LbmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

struct FullDiskCase {
    const char* name;
    int grid;          // every file below the write buffer, or a field far above it
    std::size_t room;  // left on the file system
    const char* fails; // the file the disk runs out at; null: any (a full tmpfs
                       // frees the pages of each small file it replaces)
};

class ResultsOnFullDisk : public ::testing::TestWithParam<FullDiskCase> {};

// A new set that does not fit leaves no summary (so the folder never claims
// to hold a complete set), the file it failed at and those after it as they
// were, and no temporary file; the message names the file and the reason.
TEST_P(ResultsOnFullDisk, ASetThatDoesNotFitLeavesNoSummaryAndNoTemporary)
{
    const FullDiskCase c = GetParam();
    FullDisk disk;
    lbm::Task task;
    task.gx = task.gy = c.grid;
    task.reynolds = 50;
    const lbm::Settings settings;
    lbm::RunResult result = lbm::RunSteps("D2Q9", c.grid, c.grid, 0.1, 0.7, 50);
    result.status = lbm::RunStatus::Converged;
    ASSERT_EQ(lbm::WriteResults(disk.Folder(), task, settings, result), "");
    std::map<std::string, std::string> old;
    for (const std::string& name : disk.Names())
        old[name] = ReadText(disk.Path(name));
    result.steps = 4321;
    const std::string outcome =
        disk.WithRoom(c.room, [&] { return lbm::WriteResults(disk.Folder(), task, settings, result); });
    SCOPED_TRACE(disk.How());
    // In the order they are written.
    const std::vector<std::string> order = {"u_centreline.csv", "v_centreline.csv", "field.vti"};
    std::size_t failed = 0;
    while (failed < order.size() && outcome.find(order[failed]) == std::string::npos)
        ++failed;
    ASSERT_LT(failed, order.size()) << outcome;
    if (c.fails) {
        EXPECT_EQ(order[failed], c.fails);
    }
    EXPECT_EQ(outcome, "Cannot write \"" + disk.Path(order[failed]) + "\": " + disk.Reason() + ".");
    EXPECT_EQ(Sorted(disk.Names()), Sorted(order)) << "no summary, no temporary file";
    for (std::size_t k = failed; k < order.size(); ++k)
        EXPECT_EQ(ReadText(disk.Path(order[k])), old[order[k]]) << order[k];
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResultsOnFullDisk,
                         ::testing::Values(FullDiskCase{"Small", 9, 0, nullptr},
                                           FullDiskCase{"Large", 65, 64 << 10, "field.vti"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LbmFolders, OnlyTheEmptyFoldersARunMadeAreRemoved)
{
    TempDir dir;
    const std::string kept = dir.path + "/there-before";
    ASSERT_EQ(mkdir(kept.c_str(), 0755), 0);
    std::vector<std::string> created;
    ASSERT_EQ(lbm::PrepareOutputFolder(kept + "/a/b", &created), "");
    EXPECT_EQ(created, (std::vector<std::string>{kept + "/a", kept + "/a/b"}));
    lbm::RemoveEmptyFolders(created);
    EXPECT_FALSE(fs::exists(kept + "/a"));
    EXPECT_TRUE(fs::exists(kept)) << "a folder that was there before stays, empty or not";

    created.clear();
    ASSERT_EQ(lbm::PrepareOutputFolder(kept + "/a/b", &created), "");
    std::ofstream(kept + "/a/note.txt") << "the user's";
    lbm::RemoveEmptyFolders(created);
    EXPECT_FALSE(fs::exists(kept + "/a/b"));
    EXPECT_EQ(ReadText(kept + "/a/note.txt"), "the user's") << "a folder with anything in it stays";
}

} // namespace
