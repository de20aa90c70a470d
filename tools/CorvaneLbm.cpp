// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-lbm: runs one lid-driven cavity or channel task and writes its results.
//
//   corvane-lbm --model D2Q9 --re 400 --grid 129x129 --out DIR [--tolerance T]
//               [--max-steps N] [--lid-speed U] [--precision float|double] [--threads N]
//               [--check-interval N] [--progress text|json]
//   corvane-lbm --scene FILE.cvs [--plane Z] [--channel X,Y,LENGTH,HEIGHT] [--inflow KIND]
//               [--mean-speed U] --model D2Q9(New) --re 20 --grid 440x82 --out DIR
//
// Under mpirun every process takes a slab of rows; rank 0 reports and writes.
// Exit status: 0 converged, 1 step limit reached (results written),
// 2 bad arguments or a task that cannot run, 3 diverged, 4 output folder not
// writable, 5 cancelled by SIGINT or SIGTERM (results written), 6 out of memory.

#include "LbmResults.h"
#include "LbmRun.h"
#include "LbmTask.h"
#include "ProgramNotice.h"
#include "SceneFile.h"
#include "SceneSection.h"
#include "SceneSurface.h"
#include "TSceneDocument.h"

#include <QString>
#include <QStringList>

#ifdef CORVANE_HAVE_MPI
#include "MpiCommunicator.h"
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

enum Exit {
    kConverged = 0,
    kNotConverged = 1,
    kBadArguments = 2,
    kDiverged = 3,
    kUnwritable = 4,
    kCancelled = 5,
    kNoMemory = 6,
};

const char* const kUsage =
    "Usage: corvane-lbm --model MODEL --re RE --grid GXxGY --out DIR [options]\n"
    "       corvane-lbm --scene FILE.cvs --model MODEL --re RE --grid GXxGY --out DIR [options]\n"
    "Runs the lid-driven cavity to its steady state and writes u_centreline.csv,\n"
    "v_centreline.csv, field.vti and summary.json into DIR; or, with --scene or\n"
    "--channel, the flow through a channel past the scene's solids and meshes (where\n"
    "the plane cuts them) to its steady or periodic state, and writes forces.csv,\n"
    "field.vti and summary.json (cd, cl, dp, and la or strouhal) into DIR.\n"
    "  --model MODEL          D2Q7 (hexagonal, BGK), D2Q9 (BGK), D2Q9(New), D2Q7(New) or\n"
    "                         D2Q13(New) (\"(New)\": multiple relaxation times); in three\n"
    "                         dimensions D3Q19 (BGK) or D3Q19(New) (two relaxation times)\n"
    "  --re RE                Reynolds number U*L/nu, L = GX (the cavity width in nodes)\n"
    "  --grid GXxGY           lattice nodes across and up, at least 3x3; GXxGYxGZ in\n"
    "                         three dimensions (the cube cavity, or the channel box)\n"
    "  --out DIR              output folder (created if missing)\n"
    "  --tolerance T          stop when no velocity changes by more than T lid speeds\n"
    "                         over a check interval (default 1e-7)\n"
    "  --check-interval N     steps between two convergence checks (default 100)\n"
    "  --max-steps N          step limit (default 2000000)\n"
    "  --lid-speed U          lid speed in lattice units (default 0.1)\n"
    "  --precision P          double (default) or float\n"
    "  --threads N            threads per process (default: OMP_NUM_THREADS, else all\n"
    "                         cores; 1 under mpirun); waiting threads sleep unless\n"
    "                         OMP_WAIT_POLICY says otherwise\n"
    "  --snapshots N          also keep the field every N steps (field_<step>.vti)\n"
    "                         and a collection of them, field.pvd, for ParaView\n"
    "  --progress FORMAT      text (default): a progress line on standard error now\n"
    "                         and then; json: one JSON object per line on standard\n"
    "                         output at every check, see below\n"
    "Channel (D2Q9 or D2Q9(New); Re = U*D/nu, U the mean inflow speed, D the\n"
    "obstacles' extent across the channel, or its height when there is none):\n"
    "  --scene FILE.cvs       the scene whose solids and meshes are the obstacles\n"
    "  --plane Z              the plane z = Z that cuts them (default 0)\n"
    "  --channel X,Y,L,H      the channel's lower left corner and its length and\n"
    "                         height in scene units (default 0,0,2.2,0.41); the\n"
    "                         grid's cells must be square: GX/GY = L/H\n"
    "  --channel X,Y,Z,L,H,D  in three dimensions: the box's corner, length, height and\n"
    "                         depth (default 0,0,0,2.5,0.41,0.41); cells must be cubes;\n"
    "                         every closed solid or mesh in it is an obstacle as it is,\n"
    "                         an open mesh a sheet without an inside; Re's length is\n"
    "                         the obstacles' smaller extent across the flow (y or z)\n"
    "                         and cd, cl are made with their frontal area\n"
    "  --walls KIND           in three dimensions: the box's side walls at rest\n"
    "                         (no-slip, default) or without friction (slip)\n"
    "  --inflow KIND          parabolic (default; in three dimensions the product of\n"
    "                         two parabolas) or uniform\n"
    "  --mean-speed U         mean inflow speed in scene units per second, the unit\n"
    "                         of dp (rho U^2) and of forces.csv's time (default 0.2)\n"
    "  --lattice-speed U      mean inflow speed in lattice units (default 0.05)\n"
    "  --help, --version      print this text or the version, and exit\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the run and writes what it reached.\n"
    "With --progress json every check prints\n"
    "  {\"step\": S, \"steps\": LIMIT, \"residual\": R, \"mlups\": M, \"seconds\": T}\n"
    "and at most once a second also \"field\": {\"nx\": NX, \"ny\": NY, \"ux\": [...],\n"
    "\"uy\": [...]}, the velocity in lid speeds sampled on at most 64 x 64 nodes, row\n"
    "by row from the bottom (in three dimensions at most 24 a side, with \"nz\", \"uz\"\n"
    "and a channel's \"obstacle\", a string of 0 and 1, plane by plane). The last line is {\"done\": true, "
    "\"status\": STATUS,\n"
    "\"message\": TEXT, \"exit\": CODE, ...} with the final step, residual, mlups and\n"
    "seconds; STATUS is converged, not converged, cancelled, diverged, rejected or\n"
    "unwritable. The line \"stop\" on standard input then stops the run as SIGTERM does.\n"
    "Exit status: 0 converged, 1 step limit reached, 2 bad arguments or task,\n"
    "3 diverged, 4 output folder not writable, 5 cancelled, 6 out of memory.\n";

bool ParseDouble(const char* text, double& value)
{
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno != ERANGE;
}

bool ParseInt(const char* text, long long min, long long max, long long& value)
{
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && errno != ERANGE && value >= min && value <= max;
}

constexpr double kChannelLatticeSpeed = 0.05;

// n numbers separated by commas.
bool ParseList(const char* text, double* values, int n)
{
    std::string rest = text;
    for (int k = 0; k < n; ++k) {
        const std::size_t comma = rest.find(',');
        if ((comma == std::string::npos) != (k == n - 1))
            return false;
        const std::string item = rest.substr(0, comma);
        if (!ParseDouble(item.c_str(), values[k]) || !std::isfinite(values[k]))
            return false;
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    return true;
}

// GXxGY, or GXxGYxGZ; `sizes` says how many there were.
bool ParseGrid(const std::string& text, int& gx, int& gy, int& gz, int& sizes)
{
    long long v[3] = {0, 0, 1};
    std::size_t at = 0;
    sizes = 0;
    while (sizes < 3) {
        const std::size_t x = text.find_first_of("xX", at);
        const std::string item = text.substr(at, x == std::string::npos ? std::string::npos : x - at);
        if (!ParseInt(item.c_str(), 1, 1 << 30, v[sizes]))
            return false;
        ++sizes;
        if (x == std::string::npos)
            break;
        at = x + 1;
        if (sizes == 3)
            return false;
    }
    if (sizes < 2)
        return false;
    gx = int(v[0]);
    gy = int(v[1]);
    gz = int(v[2]);
    return true;
}

struct Options {
    lbm::Task task;
    lbm::Settings settings;
    std::string out;
    std::string scene;
    double plane = 0;
    bool latticeSpeedGiven = false;
    bool json = false; // --progress json
    bool help = false;
    bool version = false;
};

// Fills `options`; returns an empty string or what is wrong.
std::string Parse(int argc, char** argv, Options& options)
{
    bool haveModel = false, haveRe = false, haveGrid = false;
    int gridSizes = 0, channelNumbers = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return {};
        }
        if (arg == "--version") {
            options.version = true;
            return {};
        }
        if (arg.rfind("--", 0) != 0)
            return "Unexpected argument \"" + arg + "\".";
        if (i + 1 >= argc)
            return "The option " + arg + " needs a value.";
        const char* value = argv[++i];
        double d = 0;
        long long n = 0;
        if (arg == "--model") {
            options.task.model = value;
            haveModel = true;
        } else if (arg == "--re") {
            if (!ParseDouble(value, d))
                return std::string("--re needs a number, not \"") + value + "\".";
            options.task.reynolds = d;
            haveRe = true;
        } else if (arg == "--grid") {
            if (!ParseGrid(value, options.task.gx, options.task.gy, options.task.gz, gridSizes))
                return std::string("--grid needs GXxGY (GXxGYxGZ in three dimensions) with positive whole "
                                   "numbers, not \"") +
                       value + "\".";
            haveGrid = true;
        } else if (arg == "--out") {
            options.out = value;
        } else if (arg == "--tolerance") {
            if (!ParseDouble(value, d))
                return std::string("--tolerance needs a number, not \"") + value + "\".";
            options.settings.tolerance = d;
        } else if (arg == "--max-steps") {
            if (!ParseInt(value, 1, INT64_MAX, n))
                return std::string("--max-steps needs a whole number of at least 1, not \"") + value + "\".";
            options.settings.maxSteps = n;
        } else if (arg == "--check-interval") {
            if (!ParseInt(value, 1, 1000000000, n))
                return std::string("--check-interval needs a whole number of at least 1, not \"") + value +
                       "\".";
            options.settings.checkInterval = int(n);
        } else if (arg == "--lid-speed") {
            if (!ParseDouble(value, d))
                return std::string("--lid-speed needs a number, not \"") + value + "\".";
            options.settings.lidSpeed = d;
            options.latticeSpeedGiven = true;
        } else if (arg == "--scene") {
            options.scene = value;
            options.task.flow = lbm::Flow::Channel;
        } else if (arg == "--plane") {
            if (!ParseDouble(value, d) || !std::isfinite(d))
                return std::string("--plane needs a number, not \"") + value + "\".";
            options.plane = d;
        } else if (arg == "--channel") {
            double v[6];
            lbm::ChannelSpec& c = options.task.channel;
            if (ParseList(value, v, 4)) {
                c.x = v[0];
                c.y = v[1];
                c.length = v[2];
                c.height = v[3];
                channelNumbers = 4;
            } else if (ParseList(value, v, 6)) {
                c.x = v[0];
                c.y = v[1];
                c.z = v[2];
                c.length = v[3];
                c.height = v[4];
                c.depth = v[5];
                channelNumbers = 6;
            } else {
                return std::string(
                           "--channel needs X,Y,LENGTH,HEIGHT (four numbers), or X,Y,Z,LENGTH,HEIGHT,DEPTH "
                           "in three dimensions, not \"") +
                       value + "\".";
            }
            options.task.flow = lbm::Flow::Channel;
        } else if (arg == "--walls") {
            const std::string kind = value;
            if (kind != "slip" && kind != "no-slip")
                return "--walls is no-slip or slip, not \"" + kind + "\".";
            options.task.channel.slipWalls = kind == "slip";
        } else if (arg == "--inflow") {
            const std::string kind = value;
            if (kind == "parabolic")
                options.task.channel.inflow = lbm::Inflow::Parabolic;
            else if (kind == "uniform")
                options.task.channel.inflow = lbm::Inflow::Uniform;
            else
                return "--inflow is parabolic or uniform, not \"" + kind + "\".";
        } else if (arg == "--mean-speed") {
            if (!ParseDouble(value, d))
                return std::string("--mean-speed needs a number, not \"") + value + "\".";
            options.task.channel.meanSpeed = d;
        } else if (arg == "--lattice-speed") {
            if (!ParseDouble(value, d))
                return std::string("--lattice-speed needs a number, not \"") + value + "\".";
            options.settings.lidSpeed = d;
            options.latticeSpeedGiven = true;
        } else if (arg == "--snapshots") {
            if (!ParseInt(value, 1, INT64_MAX, n))
                return std::string("--snapshots needs a whole number of steps of at least 1, not \"") +
                       value + "\".";
            options.settings.snapshotEvery = n;
        } else if (arg == "--precision") {
            const std::string p = value;
            if (p == "double")
                options.settings.precision = lbm::Precision::Double;
            else if (p == "float")
                options.settings.precision = lbm::Precision::Float;
            else
                return "--precision is float or double, not \"" + p + "\".";
        } else if (arg == "--progress") {
            const std::string p = value;
            if (p == "json" || p == "text")
                options.json = p == "json";
            else
                return "--progress is text or json, not \"" + p + "\".";
        } else if (arg == "--threads") {
            if (!ParseInt(value, 1, 4096, n))
                return std::string("--threads needs a whole number from 1 to 4096, not \"") + value + "\".";
            options.settings.threads = int(n);
        } else {
            return "Unknown option \"" + arg + "\".";
        }
    }
    if (!haveModel || !haveRe || !haveGrid || options.out.empty())
        return "--model, --re, --grid and --out are required.";
    const bool threeD = lbm::IsThreeDimensional(options.task.model);
    if (threeD && gridSizes != 3)
        return "The model \"" + options.task.model + "\" is three-dimensional: --grid needs GXxGYxGZ.";
    if (!threeD && gridSizes == 3)
        return "The model \"" + options.task.model + "\" is two-dimensional: --grid takes GXxGY.";
    if (threeD && channelNumbers == 4)
        return "In three dimensions --channel needs X,Y,Z,LENGTH,HEIGHT,DEPTH.";
    if (!threeD && channelNumbers == 6)
        return "In two dimensions --channel takes X,Y,LENGTH,HEIGHT.";
    // The three-dimensional benchmark's channel is 2.5 long.
    if (threeD && channelNumbers == 0)
        options.task.channel.length = 2.5;
    // A channel's inflow is slower than a lid: its maximum is half as fast
    // again as its mean, and obstacles speed it up further.
    if (options.task.flow == lbm::Flow::Channel && !options.latticeSpeedGiven)
        options.settings.lidSpeed = kChannelLatticeSpeed;
    return {};
}

// Progress on standard error: a bar redrawn in place on a terminal, a plain
// line per report otherwise (for logs).
class Reporter {
public:
    explicit Reporter(bool tty) : tty_(tty) {}
    void operator()(const lbm::Progress& p)
    {
        const double fraction = p.maxSteps > 0 ? double(p.step) / double(p.maxSteps) : 0;
        if (tty_) {
            constexpr int width = 30;
            const int filled = int(std::lround(fraction * width));
            std::fprintf(stderr, "\r[%.*s%*s] step %lld  residual %.3e  %.1f MLUPS ", filled,
                         "##############################", width - filled, "", static_cast<long long>(p.step),
                         p.residual, p.mlups);
            drawn_ = true;
        } else {
            std::fprintf(stderr, "step %lld of %lld, residual %.3e, %.1f MLUPS\n",
                         static_cast<long long>(p.step), static_cast<long long>(p.maxSteps), p.residual,
                         p.mlups);
        }
        std::fflush(stderr);
    }
    void Finish()
    {
        if (drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    bool tty_;
    bool drawn_ = false;
};

// A JSON string's text: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + '"';
}

// A number as JSON writes it: the shortest text that reads back as the same
// double, null for what JSON has no number for (a diverged residual).
std::string JsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[32];
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    return text;
}

// Progress for a program that runs the solver: a JSON object per line on
// standard output (see kUsage).
class JsonReporter {
public:
    static constexpr int kMaxSide = 64;
    static constexpr int kMaxSide3 = 24;
    static constexpr double kFieldSeconds = 1.0;

    explicit JsonReporter(double lidSpeed) : lidSpeed_(lidSpeed) {}
    void operator()(const lbm::Progress& p)
    {
        std::string line = "{\"step\": " + std::to_string(p.step) +
                           ", \"steps\": " + std::to_string(p.maxSteps) +
                           ", \"residual\": " + JsonNumber(p.residual) +
                           ", \"mlups\": " + JsonNumber(p.mlups) + ", \"seconds\": " + JsonNumber(p.seconds);
        if (p.forces)
            line += ", \"cd\": " + JsonNumber(p.cd) + ", \"cl\": " + JsonNumber(p.cl);
        const auto now = std::chrono::steady_clock::now();
        if (p.ux && p.uy &&
            (!fieldSent_ || now - lastField_ >= std::chrono::duration<double>(kFieldSeconds))) {
            lastField_ = now;
            fieldSent_ = true;
            AppendField(line, p);
        }
        line += "}\n";
        Write(line);
    }
    void SetGrid(int gx, int gy, int gz)
    {
        gx_ = gx;
        gy_ = gy;
        gz_ = gz;
    }
    static void Write(const std::string& line)
    {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

private:
    // Node centres of a coarser grid, each taking the value of the fine node it
    // falls in; in three dimensions at most kMaxSide3 nodes a side, with uz and
    // the obstacle nodes.
    void AppendField(std::string& line, const lbm::Progress& p) const
    {
        const bool three = gz_ > 1;
        const std::size_t n = std::size_t(gx_) * std::size_t(gy_) * std::size_t(std::max(gz_, 1));
        if (gx_ <= 0 || gy_ <= 0 || p.ux->size() != n || p.uy->size() != n ||
            (three && (!p.uz || p.uz->size() != n)) || !(lidSpeed_ != 0))
            return;
        const int side = three ? kMaxSide3 : kMaxSide;
        const int nx = std::min(gx_, side), ny = std::min(gy_, side), nz = three ? std::min(gz_, side) : 1;
        const bool solid = three && p.solid && p.solid->size() == n;
        std::string u[3] = {"[", "[", "["}, obstacle = "\"";
        const std::vector<double>* values[3] = {p.ux, p.uy, p.uz};
        bool first = true;
        for (int k = 0; k < nz; ++k) {
            const std::size_t plane = std::size_t((k + 0.5) * gz_ / nz) * std::size_t(gy_);
            for (int j = 0; j < ny; ++j) {
                const std::size_t row = (plane + std::size_t((j + 0.5) * gy_ / ny)) * std::size_t(gx_);
                for (int i = 0; i < nx; ++i) {
                    const std::size_t at = row + std::size_t((i + 0.5) * gx_ / nx);
                    for (int c = 0; c < (three ? 3 : 2); ++c) {
                        const double value = (*values[c])[at];
                        char text[64];
                        std::snprintf(text, sizeof text, "%s%.5g", first ? "" : ", ",
                                      std::isfinite(value) ? value / lidSpeed_ : 0.0);
                        u[c] += text;
                    }
                    if (solid)
                        obstacle += (*p.solid)[at] ? '1' : '0';
                    first = false;
                }
            }
        }
        line += ", \"field\": {\"nx\": " + std::to_string(nx) + ", \"ny\": " + std::to_string(ny);
        if (three)
            line += ", \"nz\": " + std::to_string(nz);
        line += ", \"ux\": " + u[0] + "], \"uy\": " + u[1] + "]";
        if (three)
            line += ", \"uz\": " + u[2] + "]";
        if (solid)
            line += ", \"obstacle\": " + obstacle + "\"";
        line += "}";
    }

    double lidSpeed_;
    int gx_ = 0;
    int gy_ = 0;
    int gz_ = 1;
    bool fieldSent_ = false;
    std::chrono::steady_clock::time_point lastField_;
};

// The last line of a JSON run: how it ended.
void WriteJsonEnd(const char* status, const std::string& message, int code, const lbm::RunResult* result)
{
    std::string line = std::string("{\"done\": true, \"status\": ") + JsonString(status) +
                       ", \"message\": " + JsonString(message) + ", \"exit\": " + std::to_string(code);
    if (result)
        line += ", \"step\": " + std::to_string(result->steps) +
                ", \"residual\": " + JsonNumber(result->residual) +
                ", \"mlups\": " + JsonNumber(result->mlups) +
                ", \"seconds\": " + JsonNumber(result->seconds) +
                ", \"processes\": " + std::to_string(result->processes) +
                ", \"threads\": " + std::to_string(result->threads);
    line += "}\n";
    JsonReporter::Write(line);
}

// With JSON progress, the line "stop" on standard input cancels the run (a
// program that started us through mpirun reaches rank 0 this way without
// signalling mpirun, which would kill the processes a second later). The end
// of the input changes nothing: a run started with no input goes on.
class CancelOnStopLine {
public:
    CancelOnStopLine() = default;
    ~CancelOnStopLine()
    {
        stopping_ = true;
        if (reader_.joinable())
            reader_.join();
    }
    CancelOnStopLine(const CancelOnStopLine&) = delete;
    CancelOnStopLine& operator=(const CancelOnStopLine&) = delete;

    void Start(lbm::RunControl& control)
    {
        reader_ = std::thread([this, &control] {
            std::string pending;
            while (!stopping_) {
                pollfd in{STDIN_FILENO, POLLIN, 0};
                const int ready = poll(&in, 1, 100);
                if (ready < 0 && errno == EINTR)
                    continue;
                if (ready <= 0)
                    continue;
                if (in.revents & (POLLERR | POLLNVAL))
                    return;
                char buffer[256];
                const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
                if (got <= 0) {
                    if (got < 0 && errno == EINTR)
                        continue;
                    return; // the end of the input
                }
                pending.append(buffer, std::size_t(got));
                for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                    std::string line = pending.substr(0, end);
                    pending.erase(0, end + 1);
                    if (!line.empty() && line.back() == '\r')
                        line.pop_back();
                    if (line == "stop")
                        control.Cancel();
                }
                if (pending.size() > 4096) // no line of ours is that long
                    pending.clear();
            }
        });
    }

private:
    std::atomic<bool> stopping_{false};
    std::thread reader_;
};

// SIGINT and SIGTERM cancel the run: it stops between two time steps and
// writes what it reached, whole. The signals are blocked in every thread
// (the mask is set before MPI or OpenMP start theirs) and taken by one
// thread of its own, so that no write is ever cut short by one.
class CancelOnSignal {
public:
    CancelOnSignal()
    {
        sigemptyset(&signals_);
        // A signal ignored by whoever started us (a shell's background job
        // ignores Ctrl-C) stays ignored.
        for (const int signal : {SIGINT, SIGTERM}) {
            struct sigaction action {};
            if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
                sigaddset(&signals_, signal);
        }
        // The waiter is also woken to stop, with SIGTERM.
        sigset_t blocked = signals_;
        sigaddset(&blocked, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    }
    ~CancelOnSignal()
    {
        if (!waiter_.joinable())
            return;
        stopping_ = true;
        pthread_kill(waiter_.native_handle(), SIGTERM);
        waiter_.join();
    }
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

    void Start(lbm::RunControl& control)
    {
        waiter_ = std::thread([this, &control] {
            for (;;) {
                int signal = 0;
                sigset_t wanted = signals_;
                sigaddset(&wanted, SIGTERM);
                if (sigwait(&wanted, &signal) != 0 || stopping_)
                    return;
                if (sigismember(&signals_, signal))
                    control.Cancel();
            }
        });
    }

private:
    sigset_t signals_;
    std::atomic<bool> stopping_{false};
    std::thread waiter_;
};

// The obstacles of a channel: the scene file's solids and meshes where the
// plane cuts them, those reaching into the channel.
std::string LoadObstacles(const std::string& file, double plane, bool threeD, lbm::ChannelSpec& channel,
                          bool report)
{
    TSceneDocument document;
    QString error;
    QStringList skipped;
    if (!scenefile::Read(document, QString::fromLocal8Bit(file.c_str()), error, skipped))
        return error.toStdString();
    if (threeD) {
        const double lo[3] = {channel.x, channel.y, channel.z};
        const double hi[3] = {channel.x + channel.length, channel.y + channel.height,
                              channel.z + channel.depth};
        const meshio::Surface surface = meshio::SurfaceIn(document.Objects(), lo, hi);
        channel.surface.clear();
        for (const meshio::SurfaceTriangle& t : surface.triangles) {
            lbm::Triangle triangle;
            for (int c = 0; c < 3; ++c)
                for (int a = 0; a < 3; ++a)
                    triangle.p[c][a] = t.p[c][a];
            triangle.obstacle = t.object;
            channel.surface.push_back(triangle);
        }
        channel.closed = surface.closed;
        channel.obstacles = surface.taken;
        if (report) {
            std::fprintf(stderr, "corvane-lbm: %d obstacle(s) in the box", surface.taken);
            if (surface.open > 0)
                std::fprintf(stderr, "; %d of them open (sheets without an inside)", surface.open);
            if (surface.outside > 0)
                std::fprintf(stderr, "; %d object(s) outside it", surface.outside);
            std::fputs(".\n", stderr);
        }
        return {};
    }
    const meshio::Section section = meshio::SectionAt(document.Objects(), plane, channel.x, channel.y,
                                                      channel.x + channel.length, channel.y + channel.height);
    channel.outline.clear();
    for (const meshio::SectionSegment& s : section.segments)
        channel.outline.push_back({s.x0, s.y0, s.x1, s.y1, s.object});
    channel.obstacles = section.cut;
    if (report) {
        std::fprintf(stderr, "corvane-lbm: %d obstacle(s) where z = %g cuts the scene", section.cut, plane);
        if (section.open > 0)
            std::fprintf(stderr, "; %d object(s) left out: their section does not close", section.open);
        if (section.outside > 0)
            std::fprintf(stderr, "; %d outside the channel", section.outside);
        if (section.missed > 0)
            std::fprintf(stderr, "; %d not cut", section.missed);
        std::fputs(".\n", stderr);
        for (const QString& what : skipped)
            std::fprintf(stderr, "corvane-lbm: left out of the scene: %s\n", what.toLocal8Bit().constData());
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    // Sleeping, not spinning, OpenMP waits unless the environment chooses.
    lbm::RestartWithPassiveWaiting(argv);
    lbm::RunControl control; // outlives the thread that cancels it
    CancelOnSignal cancelOnSignal;
    std::unique_ptr<lbm::Communicator> comm;
#ifdef CORVANE_HAVE_MPI
    if (lbm::MpiCommunicator::LaunchedByMpi())
        comm = std::make_unique<lbm::MpiCommunicator>(&argc, &argv);
#else
    const char* size = std::getenv("OMPI_COMM_WORLD_SIZE");
    if (size && std::atoi(size) > 1) {
        std::fprintf(stderr, "corvane-lbm: this build has no MPI; it cannot run under mpirun.\n");
        return kBadArguments;
    }
#endif
    if (!comm)
        comm = std::make_unique<lbm::SerialCommunicator>();
    const bool root = comm->Rank() == 0;
    Options options;
    auto fail = [&](int code, const std::string& message) {
        if (root) {
            std::fprintf(stderr, "corvane-lbm: %s\n", message.c_str());
            if (options.json)
                WriteJsonEnd(code == kDiverged     ? "diverged"
                             : code == kUnwritable ? "unwritable"
                                                   : "rejected",
                             message, code, nullptr);
        }
        return code;
    };

    // Under mpirun the cores are shared by the processes: one thread each
    // unless asked otherwise (--threads, or OMP_NUM_THREADS).
    const char* ompThreads = std::getenv("OMP_NUM_THREADS");
    if (comm->Size() > 1 && !(ompThreads && *ompThreads))
        options.settings.threads = 1;
    const std::string parseError = Parse(argc, argv, options);
    if (options.help) {
        if (root)
            std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.version) {
        if (root)
            std::fputs("corvane-lbm " CORVANE_VERSION "\n" CORVANE_LICENCE_NOTICE, stdout);
        return 0;
    }
    if (!parseError.empty())
        return fail(kBadArguments, parseError + "\n" + kUsage);
    if (!options.scene.empty()) {
        const std::string sceneError =
            LoadObstacles(options.scene, options.plane, lbm::IsThreeDimensional(options.task.model),
                          options.task.channel, root);
        if (!sceneError.empty())
            return fail(kBadArguments, sceneError);
    }
    const std::string taskError = lbm::CheckTask(options.task, options.settings);
    if (!taskError.empty())
        return fail(kBadArguments, taskError);
    if (root && lbm::IsThreeDimensional(options.task.model))
        std::fprintf(stderr, "corvane-lbm: %.0f nodes, %.0f bytes per node, %.1f MB in one process.\n",
                     double(lbm::NodeCount(options.task)),
                     double(lbm::BytesPerNode(options.task, options.settings)),
                     double(lbm::MemoryNeeded(options.task, options.settings)) / 1e6);

    // Find an unwritable folder before the run, not after hours of it.
    std::string folderError;
    std::vector<std::string> createdFolders;
    if (root)
        folderError = lbm::PrepareOutputFolder(options.out, &createdFolders);
    // A run that writes nothing leaves no empty folder of its making behind.
    auto failed = [&](int code, const std::string& message) {
        if (root)
            lbm::RemoveEmptyFolders(createdFolders);
        return fail(code, message);
    };
    if (comm->Broadcast(folderError.empty() ? 0 : 1) != 0)
        return failed(kUnwritable, folderError);

    Reporter reporter(isatty(STDERR_FILENO) == 1);
    JsonReporter json(options.settings.lidSpeed);
    json.SetGrid(options.task.gx, options.task.gy,
                 lbm::IsThreeDimensional(options.task.model) ? options.task.gz : 1);
    CancelOnStopLine cancelOnStopLine;
    lbm::ProgressCallback progress;
    if (options.json) {
        // Every check, as a program's own runs report them; the fields at
        // most once a second.
        options.settings.progressSeconds = 0;
        options.settings.fieldSeconds = JsonReporter::kFieldSeconds;
        if (root) {
            progress = [&json](const lbm::Progress& p) { json(p); };
            cancelOnStopLine.Start(control);
        }
    } else {
        options.settings.progressSeconds = isatty(STDERR_FILENO) == 1 ? 0.2 : 2.0;
        if (root)
            progress = [&reporter](const lbm::Progress& p) { reporter(p); };
    }
    // Snapshots are written as they come (rank 0); one that cannot be
    // written ends the snapshots, not the run.
    std::vector<std::int64_t> snapshots;
    if (root && options.settings.snapshotEvery > 0) {
        progress = [&, report = std::move(progress)](const lbm::Progress& p) {
            if (p.snapshot && options.settings.snapshotEvery > 0) {
                const std::string error =
                    lbm::WriteSnapshot(options.out, options.task, options.settings, p.step, *p.snapshot);
                if (error.empty()) {
                    snapshots.push_back(p.step);
                } else {
                    std::fprintf(stderr, "corvane-lbm: %s No more snapshots are written.\n", error.c_str());
                    options.settings.snapshotEvery = 0;
                }
            }
            report(p);
        };
    }
    cancelOnSignal.Start(control);
    const lbm::RunResult result = lbm::Run(options.task, options.settings, progress, &control, comm.get());
    reporter.Finish();

    switch (result.status) {
    case lbm::RunStatus::Rejected:
        return failed(result.message.find("memory") != std::string::npos ? kNoMemory : kBadArguments,
                      result.message);
    case lbm::RunStatus::Diverged:
        return failed(kDiverged, result.message);
    default:
        break;
    }
    int code = kConverged;
    if (root) {
        const std::string writeError =
            lbm::WriteResults(options.out, options.task, options.settings, result, snapshots);
        if (!writeError.empty()) {
            lbm::RemoveEmptyFolders(createdFolders);
            std::fprintf(stderr, "corvane-lbm: %s\n", writeError.c_str());
            code = kUnwritable;
            if (options.json)
                WriteJsonEnd("unwritable", writeError, code, &result);
        } else {
            std::fprintf(stderr,
                         "corvane-lbm: %s %.1f s, %.1f MLUPS, %d process(es) x %d thread(s), %s waiting.\n",
                         result.message.c_str(), result.seconds, result.mlups, result.processes,
                         result.threads, lbm::WaitPolicyName());
        }
    }
    if (code == kConverged && result.status == lbm::RunStatus::NotConverged)
        code = kNotConverged;
    if (code == kConverged && result.status == lbm::RunStatus::Cancelled)
        code = kCancelled;
    if (root && options.json && code != kUnwritable)
        WriteJsonEnd(lbm::StatusName(result.status), result.message, code, &result);
    return int(comm->Broadcast(code));
}
