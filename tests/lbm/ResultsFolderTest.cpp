// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a results folder back: whole, from runs before, and damaged.

#include "ResultsFolder.h"
#include "LbmTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class ResultsFolderRead : public ::testing::Test {
protected:
    TempDir dir;
    std::string out;
    lbm::Task task;
    lbm::Settings settings;
    lbm::RunResult result;

    void SetUp() override
    {
        out = dir.path + "/run";
        task.gx = 9;
        task.gy = 7;
        task.reynolds = 50;
        result = lbm::RunSteps("D2Q9", 9, 7, 0.1, 0.7, 200);
        result.status = lbm::RunStatus::NotConverged;
        result.residual = 3.5e-6;
        result.seconds = 0.25;
        result.message = "Stopped at the \"step limit\"\n";
        ASSERT_EQ(lbm::WriteResults(out, task, settings, result), "");
    }
    std::string File(const char* name) const { return out + "/" + name; }
};

TEST_F(ResultsFolderRead, AWholeFolderReadsAsItWasWritten)
{
    for (const std::string& path : {out, out + "/", File(lbm::kSummaryFile), File(lbm::kFieldFile)}) {
        SCOPED_TRACE(path);
        const lbm::ResultsFolder r = lbm::ReadResultsFolder(path);
        EXPECT_EQ(r.folder, out);
        EXPECT_TRUE(r.problems.empty()) << r.problems.front();
        ASSERT_TRUE(r.hasSummary && r.hasField && r.hasU && r.hasV);
        EXPECT_EQ(r.summary.model, "D2Q9");
        EXPECT_EQ(r.summary.gx, 9);
        EXPECT_EQ(r.summary.gy, 7);
        EXPECT_EQ(r.summary.reynolds, 50);
        EXPECT_EQ(r.summary.status, "not converged");
        EXPECT_FALSE(r.summary.converged);
        EXPECT_EQ(r.summary.steps, 200);
        EXPECT_EQ(r.summary.residual, 3.5e-6);
        EXPECT_EQ(r.summary.seconds, 0.25);
        EXPECT_EQ(r.summary.lidSpeed, settings.lidSpeed);
        EXPECT_EQ(r.summary.precision, "double");
        EXPECT_EQ(r.summary.message, result.message);
        EXPECT_EQ(r.u, lbm::UCentreline(result.fields, settings.lidSpeed));
        EXPECT_EQ(r.v, lbm::VCentreline(result.fields, settings.lidSpeed));
        const lbm::FieldImage expected = lbm::FieldOf(result.fields, settings.lidSpeed);
        ASSERT_EQ(r.field.arrays.size(), expected.arrays.size());
        for (std::size_t a = 0; a < expected.arrays.size(); ++a)
            EXPECT_EQ(r.field.arrays[a].values, expected.arrays[a].values) << expected.arrays[a].name;
    }
}

// A folder written before the field file was compressed reopens, its
// values as close as its twelve digits allow.
TEST_F(ResultsFolderRead, AFolderOfRunsBeforeReopens)
{
    const lbm::FieldImage expected = lbm::FieldOf(result.fields, settings.lidSpeed);
    Write(File(lbm::kFieldFile), lbm::FieldFileBytes(expected, lbm::FieldEncoding::Ascii));
    const lbm::ResultsFolder r = lbm::ReadResultsFolder(out);
    EXPECT_TRUE(r.problems.empty()) << r.problems.front();
    ASSERT_TRUE(r.hasField);
    const lbm::FieldArray* speed = r.field.Find("speed");
    ASSERT_NE(speed, nullptr);
    for (std::size_t k = 0; k < speed->values.size(); ++k)
        EXPECT_NEAR(speed->values[k], expected.Find("speed")->values[k], 1e-12) << k;
}

struct PartialCase {
    const char* what;
    std::function<void(const std::string& folder)> damage;
    const char* file;          // named in the one problem
    const char* problem;       // part of its sentence
    bool summary, field, u, v; // what still opens
};

TEST_F(ResultsFolderRead, DamagedFoldersSayWhatIsWrongAndOpenTheRest)
{
    const auto cut = [](const char* name, std::size_t keep) {
        return [=](const std::string& folder) { fs::resize_file(folder + "/" + name, keep); };
    };
    const auto replace = [](const char* name, std::string bytes) {
        return [=](const std::string& folder) { Write(folder + "/" + name, bytes); };
    };
    const auto edit = [](const char* name, std::string from, std::string to) {
        return [=](const std::string& folder) {
            std::string text = ReadText(folder + "/" + name);
            const std::size_t at = text.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            Write(folder + "/" + name, text.replace(at, from.size(), to));
        };
    };
    const auto remove = [](const char* name) {
        return [=](const std::string& folder) { fs::remove(folder + "/" + name); };
    };
    lbm::RunResult other = lbm::RunSteps("D2Q9", 11, 7, 0.1, 0.7, 20);
    const std::string otherField = lbm::FieldFileBytes(lbm::FieldOf(other.fields, 0.1));

    const PartialCase cases[] = {
        {"no summary", remove("summary.json"), "summary.json", "is missing", false, true, true, true},
        {"summary cut", cut("summary.json", 100), "summary.json", "cut short", false, true, true, true},
        {"summary not JSON", replace("summary.json", "model D2Q9"), "summary.json", "not a JSON object",
         false, true, true, true},
        {"summary without a grid", edit("summary.json", "\"gx\": 9,", ""), "summary.json", "has no \"gx\"",
         false, true, true, true},
        {"summary grid a string", edit("summary.json", "\"gx\": 9", "\"gx\": \"9\""), "summary.json",
         "\"gx\" is not a number", false, true, true, true},
        {"summary grid negative", edit("summary.json", "\"gy\": 7", "\"gy\": -7"), "summary.json",
         "\"gy\" is not a whole number", false, true, true, true},
        {"summary grid huge", edit("summary.json", "\"gx\": 9", "\"gx\": 1e300"), "summary.json",
         "\"gx\" is not a whole number", false, true, true, true},
        {"summary too large", replace("summary.json", "{" + std::string(70000, ' ') + "}"), "summary.json",
         "larger than the 65536 bytes", false, true, true, true},
        {"summary a folder",
         [](const std::string& f) {
             fs::remove(f + "/summary.json");
             fs::create_directory(f + "/summary.json");
         },
         "summary.json", "not a regular file", false, true, true, true},
        {"field missing", remove("field.vti"), "field.vti", "is missing", true, false, true, true},
        {"field cut", cut("field.vti", 900), "field.vti", "cut short", true, false, true, true},
        {"field empty", cut("field.vti", 0), "field.vti", "not a VTK XML file", true, false, true, true},
        {"field of another grid", replace("field.vti", otherField), "field.vti",
         "holds a grid of 11 x 7 nodes where summary.json says 9 x 7", true, false, true, true},
        {"field a pipe",
         [](const std::string& f) {
             fs::remove(f + "/field.vti");
             mkfifo((f + "/field.vti").c_str(), 0600);
         },
         "field.vti", "not a regular file", true, false, true, true},
        {"profile missing", remove("u_centreline.csv"), "u_centreline.csv", "is missing", true, true, false,
         true},
        {"profile header", edit("v_centreline.csv", "x,v", "x,w"), "v_centreline.csv",
         "first line is not \"x,v\"", true, true, true, false},
        {"profile short", edit("u_centreline.csv", "\n1,1\n", "\n"), "u_centreline.csv",
         "rows where a grid of 9 x 7 nodes gives 9", true, true, false, true},
        {"profile NaN", edit("v_centreline.csv", "\n0,0\n", "\n0,nan\n"), "v_centreline.csv",
         "line 2 is not two finite numbers", true, true, true, false},
        {"profile text", edit("u_centreline.csv", "\n0,0\n", "\n0,zero\n"), "u_centreline.csv",
         "line 2 is not two finite numbers", true, true, false, true},
        {"profile extra column", edit("u_centreline.csv", "\n0,0\n", "\n0,0,0\n"), "u_centreline.csv",
         "line 2 is not two finite numbers", true, true, false, true},
    };
    for (const PartialCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out);
        ASSERT_EQ(lbm::WriteResults(out, task, settings, result), "");
        c.damage(out);
        const lbm::ResultsFolder r = lbm::ReadResultsFolder(out);
        ASSERT_EQ(r.problems.size(), 1u)
            << (r.problems.empty() ? "" : r.problems[0] + "\n" + r.problems.back());
        EXPECT_NE(r.problems[0].find("\"" + out + "/" + c.file + "\""), std::string::npos) << r.problems[0];
        EXPECT_NE(r.problems[0].find(c.problem), std::string::npos) << r.problems[0];
        EXPECT_EQ(r.hasSummary, c.summary);
        EXPECT_EQ(r.hasField, c.field);
        EXPECT_EQ(r.hasU, c.u);
        EXPECT_EQ(r.hasV, c.v);
        EXPECT_EQ(r.hasField, !r.field.arrays.empty());
    }
}

TEST(ResultsFolderPaths, WhatIsNoResultsFolderSaysSo)
{
    TempDir dir;
    Write(dir.path + "/notes.txt", "x");
    const std::pair<std::string, const char*> cases[] = {
        {"", "no path was given"},
        {dir.path + "/none", "No such file"},
        {dir.path, "is not a results folder: it holds none of summary.json"},
        {dir.path + "/notes.txt", "is neither a results folder nor a run's summary.json"},
    };
    for (const auto& [path, message] : cases) {
        const lbm::ResultsFolder r = lbm::ReadResultsFolder(path);
        ASSERT_EQ(r.problems.size(), 1u) << path;
        EXPECT_NE(r.problems[0].find(message), std::string::npos) << r.problems[0];
        EXPECT_TRUE(r.Nothing());
    }
}

TEST(ResultsSummary, MembersOfLaterVersionsAreSkippedAndStringsDecoded)
{
    lbm::RunSummary s;
    ASSERT_EQ(
        lbm::ParseSummary("{\"model\": \"D2Q9\\u00e9\\n\", \"gx\": 3, \"gy\": 4, \"status\": \"converged\","
                          " \"steps\": 0, \"later\": {\"a\": [1, [2, {}], \"]\"]}, \"residual\": null}",
                          s),
        "");
    EXPECT_EQ(s.model, "D2Q9\xc3\xa9\n");
    EXPECT_TRUE(std::isnan(s.residual));

    const std::pair<std::string, const char*> broken[] = {
        {"[1]", "not a JSON object"},
        {"{\"model\": \"a\"} x", "more after the object"},
        {"{\"gx\": 1, \"gx\": 2}", "comes twice"},
        {"{\"m\": " + std::string(40, '[') + std::string(40, ']') + "}", "nest too deeply"},
        {"{\"m\": \"\\x\"}", "a string is broken"},
        {"{\"m\": \"\\u12\"}", "a string is broken"},
        {"{\"m\": nan}", "not a number, string"},
        {"{\"m\": 1e999}", "not a number, string"},
        {"{\"m\" 1}", "':' is missing"},
        {"{\"m\": 1 \"n\": 2}", "',' or '}' is missing"},
        {"{\"model\": \"D2Q9\", \"gx\": 3.5, \"gy\": 4, \"status\": \"converged\", \"steps\": 0}",
         "\"gx\" is not a whole number"},
        {"{\"model\": \"D2Q9\", \"gx\": 5000, \"gy\": 5000, \"status\": \"converged\", \"steps\": 0}",
         "larger than any run's"},
        {"{\"model\": \"D2Q9\", \"gx\": 3, \"gy\": 3, \"status\": \"converged\", \"steps\": 0, "
         "\"converged\": 1}",
         "\"converged\" is not a true or false"},
    };
    for (const auto& [text, message] : broken)
        EXPECT_NE(lbm::ParseSummary(text, s).find(message), std::string::npos)
            << text << ": " << lbm::ParseSummary(text, s);
}

// A channel's forces.csv read back, and what is no force history refused.
TEST(ResultsForces, RowsReadBackAndBrokenOnesAreNamed)
{
    lbm::ForceSeries f;
    ASSERT_EQ(lbm::ParseForces("step,time,cd,cl\r\n10,0.5,5.5,-0.01\n\n20,1,5.6,1e-3\n", f), "");
    EXPECT_EQ(f.history.steps, (std::vector<std::int64_t>{10, 20}));
    EXPECT_EQ(f.times, (std::vector<double>{0.5, 1}));
    EXPECT_EQ(f.history.cd, (std::vector<double>{5.5, 5.6}));
    EXPECT_EQ(f.history.cl, (std::vector<double>{-0.01, 1e-3}));

    const std::pair<std::string, const char*> broken[] = {
        {"", "first line is not"},
        {"step,time,cd\n1,2,3\n", "first line is not"},
        {"step,time,cd,cl\n1,2,3\n", "line 2 is not"},
        {"step,time,cd,cl\n1,2,3,4,5\n", "line 2 is not"},
        {"step,time,cd,cl\n1,2,3,4\n1.5,2,3,4\n", "line 3 is not"},
        {"step,time,cd,cl\n-1,2,3,4\n", "line 2 is not"},
        {"step,time,cd,cl\n1,2,nan,4\n", "line 2 is not"},
        {"step,time,cd,cl\n1,2,3,4x\n", "line 2 is not"},
    };
    for (const auto& [text, message] : broken) {
        EXPECT_NE(lbm::ParseForces(text, f).find(message), std::string::npos)
            << text << ": " << lbm::ParseForces(text, f);
        // Not the rows before the broken one either.
        EXPECT_TRUE(f.history.steps.empty() && f.times.empty() && f.history.cd.empty()) << text;
    }
}

} // namespace
