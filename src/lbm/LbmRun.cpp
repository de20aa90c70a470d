// SPDX-License-Identifier: GPL-3.0-or-later
#include "LbmRun.h"

#include "Communicator.h"
#include "Descriptor.h"
#include "Domain.h"
#include "GenericLattice.h"
#include "Lattice.h"
#include "LbmRun3.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <strings.h>
#include <thread>
#include <unistd.h>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace lbm {

void RunControl::Pause() { paused_.store(true); }

void RunControl::Resume()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        paused_.store(false);
    }
    wake_.notify_all();
}

void RunControl::Cancel()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_.store(true);
    }
    wake_.notify_all();
}

bool RunControl::WaitWhilePaused()
{
    if (paused_.load() && !cancelled_.load()) {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return !paused_.load() || cancelled_.load(); });
    }
    return !cancelled_.load();
}

const char* StatusName(RunStatus status)
{
    switch (status) {
    case RunStatus::Converged:
        return "converged";
    case RunStatus::NotConverged:
        return "not converged";
    case RunStatus::Diverged:
        return "diverged";
    case RunStatus::Cancelled:
        return "cancelled";
    case RunStatus::Rejected:
        break;
    }
    return "rejected";
}

Slab SlabOf(int rows, int rank, int size)
{
    const int base = rows / size;
    const int extra = rows % size;
    Slab slab;
    slab.count = base + (rank < extra ? 1 : 0);
    slab.first = rank * base + std::min(rank, extra);
    return slab;
}

int DefaultThreads(bool leaveOneCore)
{
    const char* asked = std::getenv("OMP_NUM_THREADS");
#ifdef _OPENMP
    // The runtime's own reading of OMP_NUM_THREADS (its first entry for the
    // outermost level), or the cores of this process's affinity mask.
    const int threads = std::max(1, omp_get_max_threads());
    const int cores = std::max(1, omp_get_num_procs());
#else
    const int threads = 1;
    const int cores = 1;
#endif
    if (asked && *asked)
        return threads;
    return leaveOneCore && cores > 1 ? cores - 1 : cores;
}

void RestartWithPassiveWaiting(char** argv)
{
    const auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return !value || !*value;
    };
    if (!unset("OMP_WAIT_POLICY") || !unset("GOMP_SPINCOUNT") || !argv || !argv[0])
        return;
    if (setenv("OMP_WAIT_POLICY", "PASSIVE", 1) != 0)
        return;
    // The program's own file, by its name: started through /proc/self/exe the
    // process would be listed (ps, pkill, top) as "exe".
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        self[length] = '\0';
        execv(self, argv);
    }
    // No restart (no /proc, or the file is gone): run on with the runtime's
    // default waiting.
    unsetenv("OMP_WAIT_POLICY");
}

const char* WaitPolicyName()
{
    const char* policy = std::getenv("OMP_WAIT_POLICY");
    if (policy && strcasecmp(policy, "passive") == 0)
        return "passive";
    if (policy && strcasecmp(policy, "active") == 0)
        return "active";
    return "default";
}

std::string Text(const char* format, double a, double b, double c, double d)
{
    char text[300];
    std::snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}

std::string DivergedMessage(std::int64_t step, double maxSpeed, double limit, const char* betterModel)
{
    std::string what =
        !std::isfinite(maxSpeed)
            ? Text("The run diverged at step %.0f: the flow field is no longer finite.", double(step))
            : Text("The run diverged at step %.0f: a speed of %.3g exceeds the lattice's limit "
                   "of %.3g.",
                   double(step), maxSpeed, limit);
    // A larger grid both resolves the flow better and moves the relaxation
    // time away from 1/2 (a smaller lid speed alone would bring it closer).
    return what + (betterModel
                       ? " Try a larger grid, or the \"" + std::string(betterModel) + "\" model."
                       : std::string(" Try a larger grid, or a larger grid with a smaller lid speed."));
}

std::string EndMessage(const RunResult& result, const Settings& settings)
{
    switch (result.status) {
    case RunStatus::Converged:
        return Text("Converged after %.0f steps (residual %.3g below the tolerance %.3g).",
                    double(result.steps), result.residual, settings.tolerance);
    case RunStatus::NotConverged:
        return Text("Not converged: the step limit of %.0f steps was reached with the residual at "
                    "%.3g (tolerance %.3g).",
                    double(settings.maxSteps), result.residual, settings.tolerance);
    case RunStatus::Cancelled:
        return Text("Cancelled after %.0f steps.", double(result.steps));
    default:
        return result.message;
    }
}

namespace {

using Clock = std::chrono::steady_clock;

// Largest speed a population can carry on the lattice: its speed of sound.
double SpeedLimit(const LatticeParams& params)
{
    return params.descriptor ? std::sqrt(params.descriptor->cs2) : 1.0 / std::sqrt(3.0);
}

// The D2Q9 models run on their own kernel; the others on the generic one.
template <typename T> int NativeColumns(const Lattice<T>&, const LatticeParams& p) { return p.gx; }
template <typename T> int NativeColumns(const GenericLattice<T>& l, const LatticeParams&)
{
    return l.Columns();
}
int NativeRows(const LatticeParams& p) { return p.descriptor ? p.descriptor->Rows(p.gy) : p.gy; }

// The force on the slab's obstacles in the last step (the nine-velocity
// kernel runs only the cavity, which has none).
template <typename T> std::pair<double, double> ForceOf(const Lattice<T>&) { return {0, 0}; }
template <typename T> std::pair<double, double> ForceOf(const GenericLattice<T>& l)
{
    return {l.ForceX(), l.ForceY()};
}

// What a channel run keeps besides the fields: each step's force on this
// slab's obstacles until the next check, then (on rank 0) the sum over the
// slabs as coefficients in the history.
struct ForceRecorder {
    bool on = false;
    double scale = 0;          // 2 / (rho U^2 D)
    std::vector<double> local; // fx, fy per step since the last check
    std::int64_t firstStep = 0;

    void Collect(Communicator& comm, ChannelFigures& figures)
    {
        std::vector<double> all;
        comm.Gather(local, all);
        if (comm.Rank() == 0 && !local.empty()) {
            const std::size_t perRank = local.size();
            const std::size_t ranks = all.size() / perRank;
            for (std::size_t k = 0; k < perRank; k += 2) {
                double fx = 0, fy = 0;
                for (std::size_t r = 0; r < ranks; ++r) {
                    fx += all[r * perRank + k];
                    fy += all[r * perRank + k + 1];
                }
                figures.history.Add(firstStep + std::int64_t(k / 2), scale * fx, scale * fy);
            }
        }
        firstStep += std::int64_t(local.size() / 2);
        local.clear();
    }
};

// Solid nodes of a channel on the results' grid.
std::vector<std::uint8_t> SolidNodes(const Domain& domain)
{
    std::vector<std::uint8_t> solid(std::size_t(domain.Width()) * std::size_t(domain.Height()), 0);
    for (int j = 0; j < domain.Height(); ++j)
        for (int i = 0; i < domain.Width(); ++i)
            solid[std::size_t(j) * std::size_t(domain.Width()) + std::size_t(i)] =
                domain.InObstacle(i + 0.5, j + 0.5) ? 1 : 0;
    return solid;
}

// The native fields of the whole cavity as the results' Gx x Gy fields.
void ToFields(const LatticeParams& p, std::vector<double>& rho, std::vector<double>& ux,
              std::vector<double>& uy, Fields& out)
{
    if (p.descriptor && p.descriptor->hexagonal) {
        HexagonalToGrid(*p.descriptor, p.gx, p.gy, p.lidSpeed, rho, ux, uy, out);
        return;
    }
    out.gx = p.gx;
    out.gy = p.gy;
    out.rho = std::move(rho);
    out.ux = std::move(ux);
    out.uy = std::move(uy);
}

struct Check {
    double residual = 0;
    double maxSpeed = 0; // NaN when a value is not finite
};

// Velocity change since the previous check (in lid speeds) and the largest speed.
Check Measure(const std::vector<double>& rho, const std::vector<double>& ux, const std::vector<double>& uy,
              std::vector<double>& prevUx, std::vector<double>& prevUy, double lidSpeed)
{
    Check c;
    double change = 0;
    double speed2 = 0;
    bool finite = true;
    for (std::size_t k = 0; k < ux.size(); ++k) {
        finite = finite && std::isfinite(rho[k]) && std::isfinite(ux[k]) && std::isfinite(uy[k]);
        change = std::max(change, std::max(std::abs(ux[k] - prevUx[k]), std::abs(uy[k] - prevUy[k])));
        speed2 = std::max(speed2, ux[k] * ux[k] + uy[k] * uy[k]);
    }
    prevUx = ux;
    prevUy = uy;
    c.residual = lidSpeed > 0 ? change / lidSpeed : change;
    c.maxSpeed = finite ? std::sqrt(speed2) : std::nan("");
    return c;
}

void GatherFields(Communicator& comm, const LatticeParams& p, std::vector<double>& rho,
                  std::vector<double>& ux, std::vector<double>& uy, Fields& fields)
{
    std::vector<double> allRho, allUx, allUy;
    comm.Gather(rho, allRho);
    comm.Gather(ux, allUx);
    comm.Gather(uy, allUy);
    if (comm.Rank() == 0)
        ToFields(p, allRho, allUx, allUy, fields);
}

// A channel's figures from its history and its final fields, in the
// benchmark's units: pressure in rho U^2 of the scene's mean inflow speed,
// lengths in the scene's units.
void FinishChannel(const Task& task, const Settings& settings, const Domain& domain,
                   const Oscillation& oscillation, RunResult& result)
{
    ChannelFigures& c = result.channel;
    result.fields.solid = SolidNodes(domain);
    const double spacing = task.channel.height / task.gy;
    if (c.periodic) {
        c.cd = oscillation.cdMax;
        c.cl = oscillation.clMax;
        c.clMin = oscillation.clMin;
        c.strouhal =
            oscillation.period > 0 ? ReynoldsLength(task) / (oscillation.period * settings.lidSpeed) : 0;
    } else if (!c.history.cd.empty()) {
        c.cd = c.history.cd.back();
        c.cl = c.history.cl.back();
    }
    WakeFigures(domain, result.fields, 1.0 / 3, c);
    const double u = task.channel.meanSpeed;
    c.dp *= u * u / (settings.lidSpeed * settings.lidSpeed);
    c.la *= spacing;
    c.frontX = task.channel.x + c.frontX * spacing;
    c.backX = task.channel.x + c.backX * spacing;
    c.lineY = task.channel.y + c.lineY * spacing;
    if (c.periodic)
        c.la = 0;
}

template <class L>
RunResult RunLattice(const Task& task, const Settings& settings, const ProgressCallback& progress,
                     RunControl* control, Communicator& comm, const LatticeParams& params, int threads)
{
    RunResult result;
    result.processes = comm.Size();
    result.threads = threads;
    const Slab slab = SlabOf(NativeRows(params), comm.Rank(), comm.Size());
    std::unique_ptr<L> lattice;
    std::vector<double> rho, ux, uy, prevUx, prevUy;
    const bool hexagonal = params.descriptor && params.descriptor->hexagonal;
    Fields shown; // a hexagonal lattice's fields on the results' grid, for progress reports
    try {
        lattice = std::make_unique<L>(params, slab, &comm);
        const std::size_t local = std::size_t(NativeColumns(*lattice, params)) * std::size_t(slab.count);
        prevUx.assign(local, 0.0);
        prevUy.assign(local, 0.0);
        rho.reserve(local);
        ux.reserve(local);
        uy.reserve(local);
    } catch (const std::bad_alloc&) {
        result.message = Text("Not enough memory for a grid of %.0f x %.0f nodes.", task.gx, task.gy);
        return result;
    }

    const bool single = comm.Size() == 1;
    const double nodes = double(task.gx) * double(task.gy);
    double computeSeconds = 0;
    auto lastReport = Clock::now();
    auto lastField = lastReport;
    bool anyField = false;
    bool reported = false;
    std::int64_t step = 0;
    Check check;
    result.status = RunStatus::NotConverged;
    ForceRecorder forces;
    std::int64_t endAt = 0; // a periodic channel's last step, once known
    const bool channel = params.domain && params.domain->IsChannel();
    Oscillation oscillation;
    if (channel) {
        forces.on = true;
        forces.scale = 2 / (params.lidSpeed * params.lidSpeed * ReynoldsLength(task));
        forces.firstStep = 1;
        forces.local.reserve(2 * std::size_t(settings.checkInterval));
    }
    while (step < settings.maxSteps) {
        if (single && control && !control->WaitWhilePaused()) {
            result.status = RunStatus::Cancelled;
            break;
        }
        const auto t0 = Clock::now();
        lattice->Step(threads);
        ++step;
        computeSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        if (forces.on) {
            const std::pair<double, double> f = ForceOf(*lattice);
            forces.local.push_back(f.first);
            forces.local.push_back(f.second);
        }
        const bool snapshotDue = settings.snapshotEvery > 0 && step % settings.snapshotEvery == 0;
        if (step % settings.checkInterval != 0 && step != settings.maxSteps && step != endAt && !snapshotDue)
            continue;

        // A channel's lift that oscillates alike period after period ends
        // the run as surely as a residual below the tolerance.
        bool periodic = false;
        if (forces.on) {
            forces.Collect(comm, result.channel);
            // Once the lift repeats, the run goes on to half a period after
            // its last maximum, where the benchmark takes the pressure
            // difference, and ends there.
            if (endAt == 0) {
                double end = 0;
                if (comm.Rank() == 0 && step % (20 * std::int64_t(settings.checkInterval)) == 0) {
                    oscillation = AnalyseLift(result.channel.history);
                    if (oscillation.settled) {
                        double at = oscillation.clMaxStep + oscillation.period / 2;
                        while (at < double(step))
                            at += oscillation.period;
                        end = std::min(double(settings.maxSteps), std::round(at));
                    }
                }
                endAt = std::int64_t(comm.Max(end));
            }
            periodic = endAt > 0 && step >= endAt;
        }

        lattice->Macroscopic(rho, ux, uy, threads);
        check = Measure(rho, ux, uy, prevUx, prevUy, params.lidSpeed);
        // NaN in any slab must win the reductions: turn it into infinity.
        check.residual = comm.Max(std::isnan(check.residual) ? INFINITY : check.residual);
        const double speed = comm.Max(std::isnan(check.maxSpeed) ? INFINITY : check.maxSpeed);
        check.maxSpeed = std::isinf(speed) ? std::nan("") : speed;
        if (!single && control)
            control->WaitWhilePaused();
        const bool cancelled = !single && comm.Max(control && control->IsCancelled() ? 1.0 : 0.0) > 0;

        result.steps = step;
        result.residual = check.residual;
        result.seconds = computeSeconds;
        result.mlups = computeSeconds > 0 ? nodes * double(step) / computeSeconds / 1e6 : 0;
        const bool diverged = !(check.maxSpeed <= SpeedLimit(params));
        const bool converged = !diverged && (check.residual < settings.tolerance || periodic);
        result.channel.periodic = periodic;
        const bool last = diverged || converged || cancelled || step == settings.maxSteps;
        const auto now = Clock::now();
        // On several processes the fields are gathered for a report only now
        // and then, when rank 0's clock says so (every rank joins the gathering).
        bool gathered = false;
        if (!single && settings.fieldSeconds > 0) {
            const bool due =
                comm.Rank() == 0 && (!anyField || std::chrono::duration<double>(now - lastField).count() >=
                                                      settings.fieldSeconds);
            if (comm.Broadcast(due ? 1 : 0) != 0) {
                GatherFields(comm, params, rho, ux, uy, shown);
                lastField = now;
                gathered = anyField = true;
            }
        }
        Fields snapshot;
        if (snapshotDue) {
            GatherFields(comm, params, rho, ux, uy, snapshot);
            if (channel && comm.Rank() == 0)
                snapshot.solid = SolidNodes(*params.domain);
        }
        if (progress &&
            (last || !reported || gathered || snapshotDue ||
             std::chrono::duration<double>(now - lastReport).count() >= settings.progressSeconds)) {
            Progress report{step, settings.maxSteps, check.residual, result.mlups, computeSeconds};
            if (forces.on && !result.channel.history.cd.empty()) {
                report.cd = result.channel.history.cd.back();
                report.cl = result.channel.history.cl.back();
                report.forces = &result.channel.history;
            }
            if (snapshotDue && comm.Rank() == 0)
                report.snapshot = &snapshot;
            if (gathered) {
                report.ux = &shown.ux;
                report.uy = &shown.uy;
                report.rho = &shown.rho;
            } else if (single && hexagonal) {
                HexagonalToGrid(*params.descriptor, params.gx, params.gy, params.lidSpeed, rho, ux, uy,
                                shown);
                report.ux = &shown.ux;
                report.uy = &shown.uy;
                report.rho = &shown.rho;
            } else if (single) {
                report.ux = &ux;
                report.uy = &uy;
                report.rho = &rho;
            }
            progress(report);
            lastReport = now;
            reported = true;
        }
        if (diverged) {
            result.status = RunStatus::Diverged;
            result.message = DivergedMessage(step, check.maxSpeed, SpeedLimit(params),
                                             params.collision == Collision::Mrt ? nullptr : kModelMrt);
            return result;
        }
        if (converged) {
            result.status = RunStatus::Converged;
            break;
        }
        if (cancelled) {
            result.status = RunStatus::Cancelled;
            break;
        }
    }
    result.steps = step;
    result.seconds = computeSeconds;
    result.mlups = computeSeconds > 0 ? nodes * double(step) / computeSeconds / 1e6 : 0;
    result.message = result.status == RunStatus::Converged && result.channel.periodic
                         ? Text("Periodic after %.0f steps: the lift repeats with a period of %.0f steps.",
                                double(step), oscillation.period)
                         : EndMessage(result, settings);
    try {
        lattice->Macroscopic(rho, ux, uy, threads);
        GatherFields(comm, params, rho, ux, uy, result.fields);
        if (channel && comm.Rank() == 0)
            FinishChannel(task, settings, *params.domain, oscillation, result);
    } catch (const std::bad_alloc&) {
        result.status = RunStatus::Rejected;
        result.message = "Not enough memory to collect the results.";
    }
    return result;
}

} // namespace

LatticeParams ParamsOf(const std::string& model, int gx, int gy, double lidSpeed, double tau)
{
    LatticeParams params;
    params.collision = ModelIsMrt(model) ? Collision::Mrt : Collision::Bgk;
    // D2Q9 keeps its own kernel; every other lattice runs on the descriptor.
    const Descriptor* d = ModelLattice(model);
    params.descriptor = d == &D2Q9() ? nullptr : d;
    params.gx = gx;
    params.gy = gy;
    params.lidSpeed = lidSpeed;
    params.tau = tau;
    return params;
}

RunResult Run(const Task& task, const Settings& settings, const ProgressCallback& progress,
              RunControl* control, Communicator* comm)
{
    SerialCommunicator serial;
    Communicator& c = comm ? *comm : serial;
    RunResult result;
    result.processes = c.Size();
    result.message = CheckTask(task, settings);
    if (!result.message.empty())
        return result;
    if (IsThreeDimensional(task.model))
        return Run3(task, settings, progress, control, c);
    LatticeParams params =
        ParamsOf(task.model, task.gx, task.gy, settings.lidSpeed, RelaxationTime(task, settings));
    Domain domain;
    if (task.flow == Flow::Channel) {
        // Channels run on the generic step, which knows inflow, outflow and
        // obstacles: the nine-velocity models keep their lattice.
        if (ModelLattice(task.model) != &D2Q9()) {
            result.message = "A channel runs on the square nine-velocity lattice: choose \"D2Q9\" or "
                             "\"D2Q9(New)\" (the model \"" +
                             task.model + "\" runs the cavity only).";
            return result;
        }
        domain = ChannelDomain(task, settings.lidSpeed);
        params.descriptor = &D2Q9();
        params.domain = &domain;
        // The heat-flux moments relax at the rate that makes (1/s_nu - 1/2)
        // (1/s_q - 1/2) = 3/16, the "magic" combination of Ginzburg,
        // d'Humieres & Kuzmin (J. Stat. Phys. 139 (2010) 1090) with which a
        // bounce-back wall stays exactly where it is put whatever the
        // viscosity: the obstacle keeps its size at every Reynolds number
        // (with the cavity's fixed 1.9 the cylinder's lift at Re 100 comes
        // out 3 % lower on 20 nodes across it).
        const double shear = 1 / params.tau;
        params.rateHeatFlux = 8 * (2 - shear) / (8 - shear);
    }
    const int rows = NativeRows(params);
    if (rows < kMinSlabRows * c.Size()) {
        result.message =
            Text("A grid of %.0f rows cannot be split over %.0f processes: each process needs at "
                 "least %.0f rows.",
                 rows, c.Size(), kMinSlabRows);
        return result;
    }
    const int threads = settings.threads > 0 ? settings.threads : DefaultThreads();
    const bool generic = params.descriptor != nullptr;
    if (settings.precision == Precision::Float)
        return generic
                   ? RunLattice<GenericLattice<float>>(task, settings, progress, control, c, params, threads)
                   : RunLattice<Lattice<float>>(task, settings, progress, control, c, params, threads);
    return generic ? RunLattice<GenericLattice<double>>(task, settings, progress, control, c, params, threads)
                   : RunLattice<Lattice<double>>(task, settings, progress, control, c, params, threads);
}

RunResult RunSteps(const std::string& model, int gx, int gy, double lidSpeed, double tau, std::int64_t steps,
                   Precision precision, int threads)
{
    RunResult result;
    Task task;
    task.model = model;
    task.gx = gx;
    task.gy = gy;
    task.reynolds = 1;
    Settings settings;
    settings.precision = precision;
    settings.lidSpeed = 0.1;
    settings.threads = threads;
    settings.maxSteps = std::max<std::int64_t>(1, steps);
    result.message = CheckTask(task, settings);
    if (!result.message.empty())
        return result;
    if (!std::isfinite(lidSpeed) || std::abs(lidSpeed) > 0.4 || !std::isfinite(tau) || tau <= 0.5) {
        result.message = "The lid speed must lie within +-0.4 and the relaxation time above 1/2.";
        return result;
    }
    const LatticeParams params = ParamsOf(model, gx, gy, lidSpeed, tau);
    SerialCommunicator serial;
    auto run = [&](auto lattice) {
        const auto t0 = Clock::now();
        for (std::int64_t s = 0; s < steps; ++s)
            lattice->Step(std::max(1, threads));
        result.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        result.steps = steps;
        result.status = RunStatus::NotConverged;
        result.message = Text("Ran %.0f steps.", double(steps));
        std::vector<double> rho, ux, uy;
        lattice->Macroscopic(rho, ux, uy, std::max(1, threads));
        ToFields(params, rho, ux, uy, result.fields);
    };
    const Slab all{0, NativeRows(params)};
    if (params.descriptor && precision == Precision::Float)
        run(std::make_unique<GenericLattice<float>>(params, all, &serial));
    else if (params.descriptor)
        run(std::make_unique<GenericLattice<double>>(params, all, &serial));
    else if (precision == Precision::Float)
        run(std::make_unique<Lattice<float>>(params, all, &serial));
    else
        run(std::make_unique<Lattice<double>>(params, all, &serial));
    return result;
}

} // namespace lbm
