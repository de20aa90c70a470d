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

#include "CorvaneLbmOptions.h"
#include "CorvaneLbmProgress.h"
#include "LbmResults.h"
#include "LbmRun.h"
#include "LbmTask.h"
#include "ProgramNotice.h"

#ifdef CORVANE_HAVE_MPI
#include "MpiCommunicator.h"
#endif

#include <atomic>
#include <cerrno>
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

using namespace corvanelbm;

namespace {

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
