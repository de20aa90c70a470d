// SPDX-License-Identifier: GPL-3.0-or-later
// The corvane-lbm command line: its exit codes, messages and files.

#include "LbmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct Outcome {
    int code = -1;
    std::string out, err;
};

// Runs the tool with `args` (already quoted for the shell), standard error
// going to a file so it is not a terminal.
Outcome RunTool(const TempDir& dir, const std::string& args)
{
    const std::string out = dir.path + "/stdout.txt", err = dir.path + "/stderr.txt";
    const std::string command =
        std::string("'") + CORVANE_LBM_TOOL + "' " + args + " >'" + out + "' 2>'" + err + "' </dev/null";
    const int status = std::system(command.c_str());
    Outcome o;
    o.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = ReadText(out);
    o.err = ReadText(err);
    return o;
}

struct CliCase {
    const char* what;
    std::string args; // "@" stands for the temporary folder
    int code;
    const char* message; // expected on standard error
};

std::string Expand(std::string args, const std::string& dir)
{
    for (std::size_t at; (at = args.find('@')) != std::string::npos;)
        args.replace(at, 1, dir);
    return args;
}

TEST(LbmCli, BadArgumentsAndTasksExitWithAMessage)
{
    TempDir dir;
    const std::string ok = " --re 100 --grid 17x17 --out @/r";
    const CliCase cases[] = {
        {"nothing", "", 2, "are required"},
        {"no output folder", "--model D2Q9 --re 100 --grid 17x17", 2, "are required"},
        {"model not published", "--model 'D2Q11(New)'" + ok, 2, "no eleven-velocity lattice"},
        {"model unknown", "--model D3Q27" + ok, 2, "is not a lattice model"},
        {"3-D model, 2-D grid", "--model D3Q19" + ok, 2, "--grid needs GXxGYxGZ"},
        {"2-D model, 3-D grid", "--model D2Q9 --re 100 --grid 17x17x17 --out @/r", 2, "--grid takes GXxGY"},
        {"3-D box, 2-D channel", "--model D3Q19 --re 20 --grid 50x8x8 --channel 0,0,2.5,0.41 --out @/r", 2,
         "--channel needs X,Y,Z,LENGTH,HEIGHT,DEPTH"},
        {"3-D cells not cubes", "--model D3Q19 --re 20 --grid 50x8x9 --channel 0,0,0,2.5,0.4,0.4 --out @/r",
         2, "must be cubes"},
        {"Re not a number", "--model D2Q9 --re abc --grid 17x17 --out @/r", 2, "--re needs a number"},
        {"Re zero", "--model D2Q9 --re 0 --grid 17x17 --out @/r", 2, "Reynolds number must be a positive"},
        {"Re NaN", "--model D2Q9 --re nan --grid 17x17 --out @/r", 2, "Reynolds number must be a positive"},
        {"grid too small", "--model D2Q9 --re 100 --grid 2x2 --out @/r", 2, "at least 3 x 3"},
        {"grid one number", "--model D2Q9 --re 100 --grid 129 --out @/r", 2, "GXxGY"},
        {"grid negative", "--model D2Q9 --re 100 --grid -5x9 --out @/r", 2, "GXxGY"},
        {"grid absurd", "--model D2Q9 --re 100 --grid 300000x300000 --out @/r", 2, "GB of memory"},
        {"precision", "--model D2Q9 --precision half" + ok, 2, "float or double"},
        {"threads zero", "--model D2Q9 --threads 0" + ok, 2, "--threads"},
        {"steps zero", "--model D2Q9 --max-steps 0" + ok, 2, "--max-steps"},
        {"check interval zero", "--model D2Q9 --check-interval 0" + ok, 2, "--check-interval"},
        {"progress format", "--model D2Q9 --progress xml" + ok, 2, "text or json"},
        {"snapshots zero", "--model D2Q9 --snapshots 0" + ok, 2, "--snapshots needs"},
        {"lid too fast", "--model D2Q9 --lid-speed 0.9" + ok, 2, "lid speed"},
        {"tau near 1/2", "--model D2Q9 --re 5000 --grid 33x33 --out @/r", 2, "at least 125 nodes across"},
        {"option without value", "--model D2Q9" + ok + " --tolerance", 2, "needs a value"},
        {"unknown option", "--model D2Q9 --colour red" + ok, 2, "Unknown option"},
        {"scene missing", "--scene @/none.cvs --model D2Q9 --re 20 --grid 113x21 --out @/r", 2, "none.cvs"},
        {"channel three numbers", "--channel 0,0,2.2 --model D2Q9 --re 20 --grid 113x21 --out @/r", 2,
         "X,Y,LENGTH,HEIGHT"},
        {"channel flat", "--channel 0,0,2.2,0 --model D2Q9 --re 20 --grid 113x21 --out @/r", 2,
         "positive finite length and height"},
        {"channel cells not square", "--channel 0,0,2.2,0.41 --model D2Q9 --re 20 --grid 21x21 --out @/r", 2,
         "about 113 nodes along it"},
        {"channel inflow",
         "--channel 0,0,2.2,0.41 --inflow sideways --model D2Q9 --re 20 --grid 113x21 --out @/r", 2,
         "parabolic or uniform"},
        {"channel hexagonal", "--channel 0,0,2.2,0.41 --model D2Q7 --re 20 --grid 113x21 --out @/r", 2,
         "square nine-velocity lattice"},
        {"output is a file", "--model D2Q9 --re 100 --grid 17x17 --out @/stdout.txt", 4, "is not a folder"},
        {"output below a file", "--model D2Q9 --re 100 --grid 17x17 --out @/stdout.txt/x", 4,
         "Cannot create the folder"},
    };
    for (const CliCase& c : cases) {
        const Outcome o = RunTool(dir, Expand(c.args, dir.path));
        EXPECT_EQ(o.code, c.code) << c.what << "\n" << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.what << "\n" << o.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path + "/r/field.vti")) << c.what;
    }
}

// A channel past the sample scene's cylinder: the obstacle found, the
// force history and the benchmark's figures written.
TEST(LbmCli, ChannelFromASceneWritesItsForces)
{
    TempDir dir;
    const Outcome o =
        RunTool(dir, "--scene '" CORVANE_SAMPLES_DIR "/cylinder-channel.cvs' --model 'D2Q9(New)' "
                     "--re 20 --grid 113x21 --max-steps 300 --threads 1 --out '" +
                         dir.path + "/r'");
    ASSERT_EQ(o.code, 1) << o.err; // the step limit
    EXPECT_NE(o.err.find("1 obstacle(s) where z = 0 cuts the scene; 2 outside the channel"),
              std::string::npos)
        << o.err;
    const std::string summary = ReadText(dir.path + "/r/summary.json");
    for (const char* key : {"\"flow\": \"channel\"", "\"obstacles\": 1,",
                            "\"cd\": ", "\"cl\": ", "\"dp\": ", "\"la\": ", "\"mean_speed\": 0.2,"})
        EXPECT_NE(summary.find(key), std::string::npos) << key << "\n" << summary;
    const std::vector<std::vector<double>> forces = ReadCsv(dir.path + "/r/forces.csv", "step,time,cd,cl");
    ASSERT_EQ(forces.size(), 300u);
    EXPECT_EQ(forces.front()[0], 1);
    EXPECT_EQ(forces.back()[0], 300);
    // A step lasts spacing * lattice speed / mean speed = (0.41 / 21) * 0.05 / 0.2.
    EXPECT_NEAR(forces.back()[1], 300 * 0.41 / 21 * 0.05 / 0.2, 1e-12);
    EXPECT_TRUE(std::filesystem::exists(dir.path + "/r/field.vti"));
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/r/u_centreline.csv"));
}

TEST(LbmCli, ConvergedRunWritesItsFilesAndExitsZero)
{
    TempDir dir;
    const Outcome o =
        RunTool(dir, "--model 'D2Q9(New)' --re 10 --grid 21x19 --threads 1 --out '" + dir.path + "/r'");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_NE(o.err.find("Converged after"), std::string::npos) << o.err;
    // Plain progress lines when standard error is not a terminal.
    EXPECT_NE(o.err.find("step 100 of 2000000, residual"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\r'), std::string::npos);
    EXPECT_EQ(ReadCsv(dir.path + "/r/u_centreline.csv", "y,u").size(), 19u + 2u);
    EXPECT_EQ(ReadCsv(dir.path + "/r/v_centreline.csv", "x,v").size(), 21u + 2u);
    const std::string json = ReadText(dir.path + "/r/summary.json");
    EXPECT_NE(json.find("\"converged\": true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"model\": \"D2Q9(New)\""), std::string::npos) << json;
    EXPECT_EQ(VtiArrays(ReadText(dir.path + "/r/field.vti")).at("speed").size(), 21u * 19u);
}

TEST(LbmCli, StepLimitWritesResultsAndExitsOne)
{
    TempDir dir;
    const Outcome o =
        RunTool(dir, "--model D2Q9 --re 100 --grid 17x17 --max-steps 250 --precision float --out '" +
                         dir.path + "/r'");
    EXPECT_EQ(o.code, 1) << o.err;
    EXPECT_NE(o.err.find("step limit"), std::string::npos) << o.err;
    const std::string json = ReadText(dir.path + "/r/summary.json");
    EXPECT_NE(json.find("\"converged\": false"), std::string::npos) << json;
    EXPECT_NE(json.find("\"steps\": 250"), std::string::npos) << json;
    EXPECT_NE(json.find("\"precision\": \"float\""), std::string::npos) << json;
}

TEST(LbmCli, DivergenceExitsThreeWithoutFiles)
{
    TempDir dir;
    const Outcome o = RunTool(dir, "--model D2Q9 --re 2000 --grid 65x65 --lid-speed 0.4 --threads 1 --out '" +
                                       dir.path + "/r'");
    EXPECT_EQ(o.code, 3) << o.err;
    EXPECT_NE(o.err.find("diverged"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("D2Q9(New)"), std::string::npos) << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/r/field.vti"));
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/r/summary.json"));
}

// The usual OpenMP variables choose the threads and how they wait; left
// unset, waiting threads sleep so that a busy core elsewhere does not stall
// every step.
TEST(LbmCli, OpenMpVariablesAreRespected)
{
    struct EnvCase {
        const char* env;
        const char* threads; // in summary.json, empty: any
        const char* waiting; // on standard error
    };
    const EnvCase cases[] = {
        {"env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT OMP_NUM_THREADS=1", "\"threads\": 1,",
         ", passive waiting."},
        {"env -u GOMP_SPINCOUNT OMP_WAIT_POLICY= OMP_NUM_THREADS=2", "\"threads\": 2,", ", passive waiting."},
        {"env -u OMP_NUM_THREADS OMP_WAIT_POLICY=active", "", ", active waiting."},
        {"env -u OMP_NUM_THREADS -u OMP_WAIT_POLICY GOMP_SPINCOUNT=1000", "", ", default waiting."},
    };
    for (const EnvCase& c : cases) {
        TempDir dir;
        const std::string command = std::string(c.env) + " '" + CORVANE_LBM_TOOL +
                                    "' --model D2Q9 --re 10 --grid 9x9 --max-steps 100 --out '" + dir.path +
                                    "/r' 2>'" + dir.path + "/err.txt'";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status)) << c.env;
        const std::string err = ReadText(dir.path + "/err.txt");
        EXPECT_NE(err.find(c.waiting), std::string::npos) << c.env << "\n" << err;
        const std::string json = ReadText(dir.path + "/r/summary.json");
        EXPECT_NE(json.find(c.threads), std::string::npos) << c.env << "\n" << json;
    }
}

// Starts the tool on a run that would take very long, waits until it reports
// its first steps, sends it `signal` and returns its exit code.
int RunAndSignal(const TempDir& dir, const std::string& out, int signal)
{
    const std::string err = dir.path + "/stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDERR_FILENO);
        // As from a terminal: not ignored, whoever started the tests.
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        execl(CORVANE_LBM_TOOL, CORVANE_LBM_TOOL, "--model", "D2Q9", "--re", "100", "--grid", "129x129",
              "--threads", "1", "--tolerance", "1e-300", "--out", out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ReadText(err).find("step ") == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Ctrl-C or SIGTERM stops the run between two steps: exit code 5, and a
// complete set of what it reached, with no temporary file beside it.
TEST(LbmCli, SignalsCancelTheRunAndLeaveACompleteSet)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        TempDir dir;
        const std::string out = dir.path + "/r";
        EXPECT_EQ(RunAndSignal(dir, out, signal), 5) << strsignal(signal) << "\n"
                                                     << ReadText(dir.path + "/stderr.txt");
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(out))
            files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, (std::vector<std::string>{"field.vti", "summary.json", "u_centreline.csv",
                                                   "v_centreline.csv"}))
            << strsignal(signal);
        EXPECT_NE(ReadText(out + "/summary.json").find("\"status\": \"cancelled\""), std::string::npos);
        EXPECT_NE(ReadText(dir.path + "/stderr.txt").find("Cancelled after"), std::string::npos);
    }
}

// A run that fails leaves none of the folders it made, but every folder that
// was there before.
TEST(LbmCli, AFailedRunLeavesNoFolderItMade)
{
    TempDir dir;
    const std::string diverges = "--model D2Q9 --re 2000 --grid 65x65 --lid-speed 0.4 --threads 1 --out ";
    Outcome o = RunTool(dir, diverges + "'" + dir.path + "/new/deeper'");
    EXPECT_EQ(o.code, 3) << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/new"));
    ASSERT_TRUE(std::filesystem::create_directory(dir.path + "/mine"));
    o = RunTool(dir, diverges + "'" + dir.path + "/mine'");
    EXPECT_EQ(o.code, 3) << o.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir.path + "/mine")) << "it was there before";
}

TEST(LbmCli, HelpGoesToStandardOutput)
{
    TempDir dir;
    const Outcome o = RunTool(dir, "--help");
    EXPECT_EQ(o.code, 0);
    EXPECT_NE(o.out.find("Usage: corvane-lbm"), std::string::npos);
    EXPECT_NE(o.out.find("L = GX"), std::string::npos);
    EXPECT_NE(o.out.find("5 cancelled"), std::string::npos);
}

} // namespace
