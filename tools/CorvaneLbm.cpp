// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-lbm: runs one lid-driven cavity or channel task and writes its results.
//
//   corvane-lbm --model D2Q9 --re 400 --grid 129x129 --out DIR [--tolerance T]
//               [--max-steps N] [--lid-speed U] [--precision float|double] [--threads N]
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
#include "TSceneDocument.h"

#include <QString>
#include <QStringList>

#ifdef CORVANE_HAVE_MPI
#include "MpiCommunicator.h"
#endif

#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
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
    "                         D2Q13(New) (\"(New)\": multiple relaxation times)\n"
    "  --re RE                Reynolds number U*L/nu, L = GX (the cavity width in nodes)\n"
    "  --grid GXxGY           lattice nodes across and up, at least 3x3\n"
    "  --out DIR              output folder (created if missing)\n"
    "  --tolerance T          stop when no velocity changes by more than T lid speeds\n"
    "                         over 100 steps (default 1e-7)\n"
    "  --max-steps N          step limit (default 2000000)\n"
    "  --lid-speed U          lid speed in lattice units (default 0.1)\n"
    "  --precision P          double (default) or float\n"
    "  --threads N            threads per process (default: OMP_NUM_THREADS, else all\n"
    "                         cores; 1 under mpirun); waiting threads sleep unless\n"
    "                         OMP_WAIT_POLICY says otherwise\n"
    "Channel (D2Q9 or D2Q9(New); Re = U*D/nu, U the mean inflow speed, D the\n"
    "obstacles' extent across the channel, or its height when there is none):\n"
    "  --scene FILE.cvs       the scene whose solids and meshes are the obstacles\n"
    "  --plane Z              the plane z = Z that cuts them (default 0)\n"
    "  --channel X,Y,L,H      the channel's lower left corner and its length and\n"
    "                         height in scene units (default 0,0,2.2,0.41); the\n"
    "                         grid's cells must be square: GX/GY = L/H\n"
    "  --inflow KIND          parabolic (default) or uniform\n"
    "  --mean-speed U         mean inflow speed in scene units per second, the unit\n"
    "                         of dp (rho U^2) and of forces.csv's time (default 0.2)\n"
    "  --lattice-speed U      mean inflow speed in lattice units (default 0.05)\n"
    "  --help, --version      print this text or the version, and exit\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the run and writes what it reached.\n"
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

bool ParseGrid(const std::string& text, int& gx, int& gy)
{
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    long long a = 0, b = 0;
    const std::string left = text.substr(0, x), right = text.substr(x + 1);
    if (!ParseInt(left.c_str(), 1, 1 << 30, a) || !ParseInt(right.c_str(), 1, 1 << 30, b))
        return false;
    gx = int(a);
    gy = int(b);
    return true;
}

struct Options {
    lbm::Task task;
    lbm::Settings settings;
    std::string out;
    std::string scene;
    double plane = 0;
    bool latticeSpeedGiven = false;
    bool help = false;
    bool version = false;
};

// Fills `options`; returns an empty string or what is wrong.
std::string Parse(int argc, char** argv, Options& options)
{
    bool haveModel = false, haveRe = false, haveGrid = false;
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
            if (!ParseGrid(value, options.task.gx, options.task.gy))
                return std::string("--grid needs GXxGY with two positive whole numbers, not \"") + value +
                       "\".";
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
            double v[4];
            if (!ParseList(value, v, 4))
                return std::string("--channel needs X,Y,LENGTH,HEIGHT (four numbers), not \"") + value +
                       "\".";
            lbm::ChannelSpec& c = options.task.channel;
            c.x = v[0];
            c.y = v[1];
            c.length = v[2];
            c.height = v[3];
            options.task.flow = lbm::Flow::Channel;
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
        } else if (arg == "--precision") {
            const std::string p = value;
            if (p == "double")
                options.settings.precision = lbm::Precision::Double;
            else if (p == "float")
                options.settings.precision = lbm::Precision::Float;
            else
                return "--precision is float or double, not \"" + p + "\".";
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
std::string LoadObstacles(const std::string& file, double plane, lbm::ChannelSpec& channel, bool report)
{
    TSceneDocument document;
    QString error;
    QStringList skipped;
    if (!scenefile::Read(document, QString::fromLocal8Bit(file.c_str()), error, skipped))
        return error.toStdString();
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
    auto fail = [&](int code, const std::string& message) {
        if (root)
            std::fprintf(stderr, "corvane-lbm: %s\n", message.c_str());
        return code;
    };

    Options options;
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
            LoadObstacles(options.scene, options.plane, options.task.channel, root);
        if (!sceneError.empty())
            return fail(kBadArguments, sceneError);
    }
    const std::string taskError = lbm::CheckTask(options.task, options.settings);
    if (!taskError.empty())
        return fail(kBadArguments, taskError);

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
    options.settings.progressSeconds = isatty(STDERR_FILENO) == 1 ? 0.2 : 2.0;
    lbm::ProgressCallback progress;
    if (root)
        progress = [&reporter](const lbm::Progress& p) { reporter(p); };
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
        const std::string writeError = lbm::WriteResults(options.out, options.task, options.settings, result);
        if (!writeError.empty()) {
            lbm::RemoveEmptyFolders(createdFolders);
            std::fprintf(stderr, "corvane-lbm: %s\n", writeError.c_str());
            code = kUnwritable;
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
    return int(comm->Broadcast(code));
}
