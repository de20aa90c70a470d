// SPDX-License-Identifier: GPL-3.0-or-later
#include "LbmRun3.h"

#include "Communicator.h"
#include "Lattice3.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

namespace lbm {

namespace {

using Clock = std::chrono::steady_clock;

struct Slab3Fields {
    std::vector<double> rho, ux, uy, uz;
};

// The obstacle nodes of the whole grid (empty without obstacles).
std::vector<std::uint8_t> SolidNodes3(const Domain3& domain)
{
    std::vector<std::uint8_t> solid;
    if (!domain.HasObstacles())
        return solid;
    solid.resize(std::size_t(domain.Size(0)) * std::size_t(domain.Size(1)) * std::size_t(domain.Size(2)));
    std::size_t at = 0;
    for (int k = 0; k < domain.Size(2); ++k)
        for (int j = 0; j < domain.Size(1); ++j)
            for (int i = 0; i < domain.Size(0); ++i)
                solid[at++] = domain.Solid(i, j, k) >= 0 ? 1 : 0;
    return solid;
}

void Gather3(Communicator& comm, const Domain3& domain, const std::vector<std::uint8_t>& solid,
             Slab3Fields& mine, Fields& out)
{
    Fields all;
    comm.Gather(mine.rho, all.rho);
    comm.Gather(mine.ux, all.ux);
    comm.Gather(mine.uy, all.uy);
    comm.Gather(mine.uz, all.uz);
    if (comm.Rank() != 0)
        return;
    all.gx = domain.Size(0);
    all.gy = domain.Size(1);
    all.gz = domain.Size(2);
    all.solid = solid;
    out = std::move(all);
}

template <typename T>
RunResult RunLattice3(const Task& task, const Settings& settings, const ProgressCallback& progress,
                      RunControl* control, Communicator& comm, const Domain3& domain, int threads)
{
    RunResult result;
    result.processes = comm.Size();
    result.threads = threads;
    const Slab slab = SlabOf(task.gz, comm.Rank(), comm.Size());
    Lattice3Params params;
    params.trt = task.model == kModel3Trt;
    params.tau = RelaxationTime(task, settings);
    params.domain = &domain;
    std::unique_ptr<Lattice3<T>> lattice;
    Slab3Fields now;
    std::vector<double> prev[3];
    try {
        lattice = std::make_unique<Lattice3<T>>(params, slab, &comm);
        const std::size_t local = std::size_t(task.gx) * std::size_t(task.gy) * std::size_t(slab.count);
        for (auto& p : prev)
            p.assign(local, 0.0);
    } catch (const std::bad_alloc&) {
        result.message =
            Text("Not enough memory for a grid of %.0f x %.0f x %.0f nodes.", task.gx, task.gy, task.gz);
        return result;
    }
    const bool single = comm.Size() == 1;
    const bool channel = domain.IsChannel();
    const bool forcesOn = channel && domain.HasObstacles();
    const double U = settings.lidSpeed;
    // 2 / (rho U^2 A), A the obstacles' frontal area.
    const double scale =
        forcesOn && domain.Obstacles().frontalArea > 0 ? 2 / (U * U * domain.Obstacles().frontalArea) : 0;
    std::vector<double> local; // fx, fy per step since the last check
    std::int64_t firstStep = 1;
    const double nodes = double(task.gx) * double(task.gy) * double(task.gz);
    const double limit = 1 / std::sqrt(3.0);
    double computeSeconds = 0;
    auto lastReport = Clock::now();
    auto lastField = lastReport;
    bool reported = false, anyField = false;
    std::int64_t step = 0;
    result.status = RunStatus::NotConverged;
    Fields shown;
    const std::vector<std::uint8_t> solid =
        comm.Rank() == 0 ? SolidNodes3(domain) : std::vector<std::uint8_t>();
    while (step < settings.maxSteps) {
        if (single && control && !control->WaitWhilePaused()) {
            result.status = RunStatus::Cancelled;
            break;
        }
        const auto t0 = Clock::now();
        lattice->Step(threads);
        ++step;
        computeSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        if (forcesOn) {
            local.push_back(lattice->Force()[0]);
            local.push_back(lattice->Force()[1]);
        }
        const bool snapshotDue = settings.snapshotEvery > 0 && step % settings.snapshotEvery == 0;
        if (step % settings.checkInterval != 0 && step != settings.maxSteps && !snapshotDue)
            continue;
        if (forcesOn) {
            std::vector<double> all;
            comm.Gather(local, all);
            if (comm.Rank() == 0 && !local.empty()) {
                const std::size_t per = local.size(), ranks = all.size() / per;
                for (std::size_t k = 0; k < per; k += 2) {
                    double fx = 0, fy = 0;
                    for (std::size_t r = 0; r < ranks; ++r) {
                        fx += all[r * per + k];
                        fy += all[r * per + k + 1];
                    }
                    result.channel.history.Add(firstStep + std::int64_t(k / 2), scale * fx, scale * fy);
                }
            }
            firstStep += std::int64_t(local.size() / 2);
            local.clear();
        }
        lattice->Macroscopic(now.rho, now.ux, now.uy, now.uz, threads);
        double change = 0, speed2 = 0;
        bool finite = true;
        const std::vector<double>* u[3] = {&now.ux, &now.uy, &now.uz};
        for (std::size_t k = 0; k < now.ux.size(); ++k) {
            double s2 = 0;
            for (int a = 0; a < 3; ++a) {
                const double v = (*u[a])[k];
                finite = finite && std::isfinite(v);
                change = std::max(change, std::abs(v - prev[a][k]));
                s2 += v * v;
            }
            finite = finite && std::isfinite(now.rho[k]);
            speed2 = std::max(speed2, s2);
        }
        for (int a = 0; a < 3; ++a)
            prev[a] = *u[a];
        double residual = finite ? change / U : INFINITY;
        residual = comm.Max(residual);
        double maxSpeed = comm.Max(finite ? std::sqrt(speed2) : INFINITY);
        if (!single && control)
            control->WaitWhilePaused();
        const bool cancelled = !single && comm.Max(control && control->IsCancelled() ? 1.0 : 0.0) > 0;
        result.steps = step;
        result.residual = residual;
        result.seconds = computeSeconds;
        result.mlups = computeSeconds > 0 ? nodes * double(step) / computeSeconds / 1e6 : 0;
        const bool diverged = !(maxSpeed <= limit);
        const bool converged = !diverged && residual < settings.tolerance;
        const bool last = diverged || converged || cancelled || step == settings.maxSteps;
        const auto t = Clock::now();
        bool gathered = false;
        if (!single && settings.fieldSeconds > 0) {
            const bool due =
                comm.Rank() == 0 &&
                (!anyField || std::chrono::duration<double>(t - lastField).count() >= settings.fieldSeconds);
            if (comm.Broadcast(due ? 1 : 0) != 0) {
                Gather3(comm, domain, solid, now, shown);
                lastField = t;
                gathered = anyField = true;
            }
        }
        Fields snapshot;
        if (snapshotDue)
            Gather3(comm, domain, solid, now, snapshot);
        if (progress && (last || !reported || gathered || snapshotDue ||
                         std::chrono::duration<double>(t - lastReport).count() >= settings.progressSeconds)) {
            Progress report{step, settings.maxSteps, residual, result.mlups, computeSeconds};
            if (forcesOn && !result.channel.history.cd.empty()) {
                report.cd = result.channel.history.cd.back();
                report.cl = result.channel.history.cl.back();
                report.forces = &result.channel.history;
            }
            if (snapshotDue && comm.Rank() == 0)
                report.snapshot = &snapshot;
            // One process reports its own fields as they are (no copy); several
            // the fields last gathered on rank 0.
            if (gathered) {
                report.ux = &shown.ux;
                report.uy = &shown.uy;
                report.uz = &shown.uz;
                report.rho = &shown.rho;
            } else if (single) {
                report.ux = &now.ux;
                report.uy = &now.uy;
                report.uz = &now.uz;
                report.rho = &now.rho;
            }
            if (report.ux && !solid.empty())
                report.solid = &solid;
            progress(report);
            lastReport = t;
            reported = true;
        }
        if (diverged) {
            result.status = RunStatus::Diverged;
            result.message =
                DivergedMessage(step, maxSpeed, limit, task.model == kModel3Trt ? nullptr : kModel3Trt);
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
    result.message = EndMessage(result, settings);
    try {
        lattice->Macroscopic(now.rho, now.ux, now.uy, now.uz, threads);
        Gather3(comm, domain, solid, now, result.fields);
        if (comm.Rank() == 0 && !result.channel.history.cd.empty()) {
            result.channel.cd = result.channel.history.cd.back();
            result.channel.cl = result.channel.history.cl.back();
        }
    } catch (const std::bad_alloc&) {
        result.status = RunStatus::Rejected;
        result.message = "Not enough memory to collect the results.";
    }
    return result;
}

} // namespace

Domain3 Domain3Of(const Task& task, double speed, Obstacles3 obstacles)
{
    if (task.flow == Flow::Cavity)
        return Domain3::Cavity(task.gx, task.gy, task.gz, speed);
    return Domain3::Channel(task.gx, task.gy, task.gz, speed, task.channel.inflow, std::move(obstacles),
                            task.channel.slipWalls);
}

RunResult Run3(const Task& task, const Settings& settings, const ProgressCallback& progress,
               RunControl* control, Communicator& comm)
{
    RunResult result;
    result.processes = comm.Size();
    if (task.gz < kMinSlabRows * comm.Size()) {
        result.message =
            Text("A grid of %.0f planes cannot be split over %.0f processes: each process needs at "
                 "least %.0f planes.",
                 task.gz, comm.Size(), kMinSlabRows);
        return result;
    }
    const int threads = settings.threads > 0 ? settings.threads : DefaultThreads();
    Obstacles3 obstacles;
    try {
        if (task.flow == Flow::Channel && !task.channel.surface.empty())
            obstacles = ChannelObstacles3(task, threads);
    } catch (const std::bad_alloc&) {
        result.message = "Not enough memory to place the obstacles on the grid.";
        return result;
    }
    const Domain3 domain = Domain3Of(task, settings.lidSpeed, std::move(obstacles));
    if (settings.precision == Precision::Float)
        return RunLattice3<float>(task, settings, progress, control, comm, domain, threads);
    return RunLattice3<double>(task, settings, progress, control, comm, domain, threads);
}

} // namespace lbm
