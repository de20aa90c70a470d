// SPDX-License-Identifier: GPL-3.0-or-later
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

#include "Forces.h"
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
    // The velocity and density fields at this step (node (i, j) at j * gx + i, lattice
    // units), for a run in one process, and on several processes now and then
    // (Settings::fieldSeconds); null otherwise. Valid only during the callback:
    // copy what is to be kept.
    const std::vector<double>* ux = nullptr;
    const std::vector<double>* uy = nullptr;
    const std::vector<double>* rho = nullptr;
    const std::vector<double>* uz = nullptr; // three dimensions: node (i, j, k) at (k * gy + j) * gx + i
    // A three-dimensional channel's obstacle nodes (1 inside) with the fields.
    const std::vector<std::uint8_t>* solid = nullptr;
    // A channel's drag and lift coefficients at this step and their history
    // (rank 0; null history for a cavity).
    double cd = 0, cl = 0;
    const ForceHistory* forces = nullptr;
    // Every Settings::snapshotEvery steps: the whole field on the results'
    // grid, as the run's end gives it (rank 0; gathered over the processes).
    const Fields* snapshot = nullptr;
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

// Macroscopic fields of the whole cavity, node (i, j) at index j * gx + i, and
// in three dimensions node (i, j, k) at (k * gy + j) * gx + i; velocities in
// lattice units (divide by the lid speed for the usual scaling).
struct Fields {
    int gx = 0;
    int gy = 0;
    int gz = 1;
    std::vector<double> ux, uy, rho;
    std::vector<double> uz;          // three dimensions only
    std::vector<std::uint8_t> solid; // a channel's: 1 for a node inside an obstacle (at rest, unit density)
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
    ChannelFigures channel; // a channel's forces and figures, on rank 0
};

// Runs the task. `comm` splits the cavity over processes (null: one process);
// every process calls Run with the same task and settings.
RunResult Run(const Task& task, const Settings& settings, const ProgressCallback& progress = {},
              RunControl* control = nullptr, Communicator* comm = nullptr);

// Threads a run takes when its settings leave the choice to the solver
// (Settings::threads 0): OMP_NUM_THREADS when it is set, otherwise every core
// the process may use, or all but one of them with `leaveOneCore` (for a run
// beside a program's window, which needs a core to stay responsive).
int DefaultThreads(bool leaveOneCore = false);

// Makes the OpenMP threads sleep instead of spinning while they wait, unless
// OMP_WAIT_POLICY or GOMP_SPINCOUNT says otherwise. A spinning thread holds its
// core while a thread it waits for sits behind another process on the other
// core, and on a shared machine every step then waits out a scheduler time
// slice. The OpenMP runtime reads its variables once, as it is loaded, so the
// choice takes a fresh start of the executable: with neither variable set this
// sets OMP_WAIT_POLICY=PASSIVE and executes the program again with `argv`
// (main's own, called first thing); it returns only when it leaves the
// process as it was.
void RestartWithPassiveWaiting(char** argv);

// The wait policy the OpenMP runtime was started with: "passive", "active"
// or "default" (the runtime's own spin-then-sleep).
const char* WaitPolicyName();

struct LatticeParams;
// The lattice parameters of a model (its descriptor, collision) for a cavity of
// gx x gy spacings, for tests and tools that drive a lattice directly.
LatticeParams ParamsOf(const std::string& model, int gx, int gy, double lidSpeed, double tau);

// Lower-level entry for tests and tools: runs exactly `steps` steps of the
// cavity with an explicit lid speed (which may be 0) and relaxation time, with
// no convergence check. Fails (status Rejected) on a bad size or model.
RunResult RunSteps(const std::string& model, int gx, int gy, double lidSpeed, double tau, std::int64_t steps,
                   Precision precision = Precision::Double, int threads = 1);

} // namespace lbm
