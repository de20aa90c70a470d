#pragma once

// Running a lattice-Boltzmann task to its steady state.
//
//   lbm::RunControl control;              // shared with the thread that may pause or cancel
//   lbm::RunResult r = lbm::Run(task, settings, [](const lbm::Progress& p) { ... }, &control);
//   if (r.status == lbm::RunStatus::Converged) lbm::WriteResults(folder, task, settings, r);
//
// Run blocks the calling thread (run it on a worker thread in a program with a
// window); the progress callback is called on that thread. Pause, Resume and
// Cancel may be called from any thread at any time; the run notices them
// between two time steps.

#include "LbmTask.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace lbm {

class Communicator;

struct Progress {
    std::int64_t step = 0;
    std::int64_t maxSteps = 0;
    double residual = 0; // largest velocity change over the last check interval, in lid speeds
    double mlups = 0;    // million lattice-node updates per second so far (all processes)
    double seconds = 0;
};
using ProgressCallback = std::function<void(const Progress&)>;

class RunControl {
public:
    void Pause();
    void Resume();
    void Cancel();
    bool IsPaused() const { return paused_.load(); }
    bool IsCancelled() const { return cancelled_.load(); }

    // For the solver: blocks while paused; false once the run is cancelled.
    bool WaitWhilePaused();

private:
    std::atomic<bool> paused_{false};
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

enum class RunStatus {
    Converged,    // the residual fell below the tolerance
    NotConverged, // the step limit was reached first
    Diverged,     // non-finite values or speeds beyond the lattice's limit
    Cancelled,
    Rejected, // the task did not pass CheckTask, or memory could not be had
};
const char* StatusName(RunStatus status);

// Macroscopic fields of the whole cavity, node (i, j) at index j * gx + i;
// velocities in lattice units (divide by the lid speed for the usual scaling).
struct Fields {
    int gx = 0;
    int gy = 0;
    std::vector<double> ux, uy, rho;
};

struct RunResult {
    RunStatus status = RunStatus::Rejected;
    std::string message; // why the run stopped, in words a user understands
    std::int64_t steps = 0;
    double residual = 0;
    double seconds = 0;
    double mlups = 0;
    int processes = 1;
    int threads = 1;
    Fields fields; // filled on rank 0 when the run converged, reached the step limit or was cancelled
};

// Runs the task. `comm` splits the cavity over processes (null: one process);
// every process calls Run with the same task and settings.
RunResult Run(const Task& task, const Settings& settings, const ProgressCallback& progress = {},
              RunControl* control = nullptr, Communicator* comm = nullptr);

// Lower-level entry for tests and tools: runs exactly `steps` steps of the
// cavity with an explicit lid speed (which may be 0) and relaxation time, with
// no convergence check. Fails (status Rejected) on a bad size or model.
RunResult RunSteps(const std::string& model, int gx, int gy, double lidSpeed, double tau, std::int64_t steps,
                   Precision precision = Precision::Double, int threads = 1);

} // namespace lbm
