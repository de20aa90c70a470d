// SPDX-License-Identifier: GPL-3.0-or-later
#include "LbmTask.h"

#include "Descriptor.h"
#include "Lattice.h"
#include "Lattice3.h"
#include "LbmRun3.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace lbm {

namespace {

// Larger sides would overflow the byte counts long before memory runs out.
constexpr int kMaxSide = 1 << 24;
// More outline than any scene's cut needs; the boundary links' search goes
// through every piece.
constexpr std::size_t kMaxOutlineSegments = 1 << 20;
// Far more triangles than a scene's solids have at their finest detail.
constexpr std::size_t kMaxSurfaceTriangles = 1 << 23;

std::string Format(const char* format, double a, double b = 0, double c = 0, double d = 0, double e = 0)
{
    char text[400];
    std::snprintf(text, sizeof text, format, a, b, c, d, e);
    return text;
}

// Least tau - 1/2 the cavity runs stable at. Hou, Zou, Chen, Doolen and
// Cogley (J. Comput. Phys. 118 (1995) 329) ran it with BGK at Re 10000 on
// 256 x 256 nodes with the lid at 0.1, tau - 1/2 = 0.0077; the multiple-
// relaxation-time collision holds Re 5000 on 129 x 129 at the same margin,
// where BGK already fails. Closer to 1/2 the viscosity is too small for the
// grid to resolve the flow and every run blows up within its first thousands
// of steps: the task is refused with the grid that would do instead.
constexpr double kLeastTauMargin = 0.0075;

std::uint64_t PhysicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return std::uint64_t(pages) * std::uint64_t(pageSize);
}

// What is wrong with a channel's rectangle, grid, inflow and outline.
std::string CheckChannel(const Task& task)
{
    const ChannelSpec& c = task.channel;
    if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.length) || !std::isfinite(c.height) ||
        c.length <= 0 || c.height <= 0 || c.length > 1e12 || c.height > 1e12)
        return Format("The channel needs a positive finite length and height (got %g x %g).", c.length,
                      c.height);
    if (!std::isfinite(c.meanSpeed) || c.meanSpeed <= 0 || c.meanSpeed > 1e12)
        return Format("The mean inflow speed must be a positive number (got %g).", c.meanSpeed);
    // Square cells: the spacing along the channel must be the one across it.
    const double across = c.height / task.gy, along = c.length / task.gx;
    if (std::abs(along - across) > 0.01 * across) {
        const double gx = std::round(c.length / across);
        return Format("The grid's cells must be square: a channel %g long and %g high on %g nodes across "
                      "needs about %.0f nodes along it.",
                      c.length, c.height, task.gy, gx);
    }
    if (IsThreeDimensional(task.model)) {
        if (!std::isfinite(c.z) || !std::isfinite(c.depth) || c.depth <= 0 || c.depth > 1e12)
            return Format("The channel needs a positive finite depth (got %g).", c.depth);
        const double deep = c.depth / task.gz;
        if (std::abs(deep - across) > 0.01 * across)
            return Format("The grid's cells must be cubes: a channel %g high and %g deep on %g nodes across "
                          "needs about %.0f nodes along z.",
                          c.height, c.depth, task.gy, std::round(c.depth / across));
        if (c.surface.size() > kMaxSurfaceTriangles)
            return Format("The obstacles' surfaces have too many triangles (%g; at most %g).",
                          double(c.surface.size()), double(kMaxSurfaceTriangles));
        for (const Triangle& t : c.surface)
            for (const auto& p : t.p)
                if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
                    return "An obstacle's surface holds a point that is not a finite number.";
    }
    if (c.outline.size() > kMaxOutlineSegments)
        return Format("The obstacles' outlines have too many pieces (%g; at most %g).",
                      double(c.outline.size()), double(kMaxOutlineSegments));
    for (const Segment& s : c.outline)
        if (!std::isfinite(s.x0) || !std::isfinite(s.y0) || !std::isfinite(s.x1) || !std::isfinite(s.y1))
            return "An obstacle's outline holds a point that is not a finite number.";
    return {};
}

} // namespace

std::vector<std::string> SupportedModels()
{
    return {kModelHex, kModelBgk, kModelMrt, kModelHexMrt, kModelQ13Mrt, kModel3Bgk, kModel3Trt};
}

const Descriptor* ModelLattice(const std::string& model)
{
    if (model == kModelBgk || model == kModelMrt)
        return &D2Q9();
    if (model == kModelHex || model == kModelHexMrt)
        return &D2Q7();
    if (model == kModelQ13Mrt)
        return &D2Q13();
    return nullptr;
}

bool ModelIsMrt(const std::string& model)
{
    return model == kModelMrt || model == kModelHexMrt || model == kModelQ13Mrt;
}

bool IsThreeDimensional(const std::string& model) { return model == kModel3Bgk || model == kModel3Trt; }

std::string ModelNote(const std::string& model)
{
    if (model == kModelHex)
        return "Hexagonal lattice, seven velocities, BGK collision (Qian, d'Humieres & Lallemand 1992).";
    if (model == kModelBgk)
        return "Square lattice, nine velocities, BGK collision (Qian, d'Humieres & Lallemand 1992).";
    if (model == kModelMrt)
        return "Square lattice, nine velocities, multiple relaxation times (Lallemand & Luo 2000).";
    if (model == kModelHexMrt)
        return "Hexagonal lattice, seven velocities, multiple relaxation times in its orthogonal moment "
               "basis (d'Humieres 1992).";
    if (model == kModelQ13Mrt)
        return "Square lattice, thirteen velocities (the nine and four of speed two, weights of Lopez & "
               "Bayazitoglu), multiple relaxation times.";
    if (model == kModel3Bgk)
        return "Cubic lattice, nineteen velocities, BGK collision (Qian, d'Humieres & Lallemand 1992).";
    if (model == kModel3Trt)
        return "Cubic lattice, nineteen velocities, two relaxation times (Ginzburg, Verhaeghe & d'Humieres "
               "2008).";
    if (model == kModelQ11)
        return "Cannot run: no eleven-velocity lattice with the isotropy a fluid needs is published (ten "
               "moving velocities cannot have the square or hexagonal lattice's symmetry); choose "
               "D2Q9(New) or D2Q13(New).";
    return "Not a lattice model.";
}

bool IsKnownModel(const std::string& model)
{
    for (const char* name :
         {"D2Q7", "D2Q9", "D2Q9(New)", "D2Q11(New)", "D2Q7(New)", "D2Q13(New)", "D3Q19", "D3Q19(New)"})
        if (model == name)
            return true;
    return false;
}

std::uint64_t NodeCount(const Task& task)
{
    if (task.gx <= 0 || task.gy <= 0)
        return 0;
    if (IsThreeDimensional(task.model))
        return task.gz <= 0 ? 0 : std::uint64_t(task.gx) * std::uint64_t(task.gy) * std::uint64_t(task.gz);
    return std::uint64_t(task.gx) * std::uint64_t(task.gy);
}

std::uint64_t BytesPerNode(const Task& task, const Settings& settings)
{
    const bool single = settings.precision == Precision::Float;
    if (IsThreeDimensional(task.model)) {
        // Two lattices, the velocity of the previous check (3 doubles), the
        // slab's fields (4), the gathered fields (4) and the obstacle flags (2 bytes).
        return (single ? kLattice3BytesPerNode<float> : kLattice3BytesPerNode<double>)+11 * sizeof(double) +
               2;
    }
    const Descriptor* d = ModelLattice(task.model);
    const std::uint64_t q = d ? std::uint64_t(d->q) : 9;
    // Two lattices, the velocity of the previous check (2 doubles), the
    // slab's fields (3 doubles) and the gathered fields (3 doubles).
    return 2 * q * (single ? 4 : 8) + 8 * sizeof(double);
}

std::uint64_t MemoryNeeded(const Task& task, const Settings& settings)
{
    if (IsThreeDimensional(task.model))
        return NodeCount(task) * BytesPerNode(task, settings);
    const Descriptor* d = ModelLattice(task.model);
    const std::uint64_t perNode = BytesPerNode(task, settings);
    // The hexagonal lattice has 2 / sqrt(3) rows per spacing.
    const std::uint64_t nodes = d && d->hexagonal ? NodeCount(task) / 6 * 7 + 7 : NodeCount(task);
    return nodes * perNode;
}

double ReynoldsLength(const Task& task)
{
    if (task.flow == Flow::Cavity)
        return double(task.gx);
    const ChannelSpec& c = task.channel;
    const double spacing = c.height / task.gy;
    if (IsThreeDimensional(task.model)) {
        // The obstacles' smaller extent across the flow: a sphere's diameter,
        // a cylinder's across a channel whose whole depth it spans.
        const double box[3] = {double(task.gx), double(task.gy), double(task.gz)};
        const SurfaceFigures f = SurfaceFiguresOf(LatticeSurface(task), box);
        if (!f.any || !(spacing > 0))
            return double(task.gy);
        return std::min(f.hi[1] - f.lo[1], f.hi[2] - f.lo[2]);
    }
    if (c.outline.empty() || !(spacing > 0))
        return double(task.gy);
    double bottom = c.outline.front().y0, top = bottom;
    for (const Segment& s : c.outline) {
        bottom = std::min({bottom, s.y0, s.y1});
        top = std::max({top, s.y0, s.y1});
    }
    return (top - bottom) / spacing;
}

Domain ChannelDomain(const Task& task, double meanSpeed)
{
    const ChannelSpec& c = task.channel;
    const double spacing = c.height / task.gy;
    std::vector<Segment> outline = c.outline;
    for (Segment& s : outline) {
        s.x0 = (s.x0 - c.x) / spacing;
        s.x1 = (s.x1 - c.x) / spacing;
        s.y0 = (s.y0 - c.y) / spacing;
        s.y1 = (s.y1 - c.y) / spacing;
    }
    return Domain::Channel(task.gx, task.gy, meanSpeed, c.inflow, std::move(outline));
}

double RelaxationTime(const Task& task, const Settings& settings)
{
    const double nu = settings.lidSpeed * ReynoldsLength(task) / task.reynolds;
    const Descriptor* d = ModelLattice(task.model);
    return nu / (d ? d->cs2 : 1.0 / 3) + 0.5;
}

const char* PrecisionName(Precision precision) { return precision == Precision::Float ? "float" : "double"; }

std::string CheckTask(const Task& task, const Settings& settings)
{
    bool supported = false;
    for (const std::string& name : SupportedModels())
        supported = supported || task.model == name;
    if (!supported) {
        std::string list;
        for (const std::string& name : SupportedModels())
            list += (list.empty() ? "\"" : ", \"") + name + "\"";
        if (task.model == kModelQ11)
            return "The model \"" + task.model + "\" cannot run: " + ModelNote(task.model).substr(12);
        return "The model \"" + task.model + "\" is not a lattice model. Models that run: " + list + ".";
    }
    if (!std::isfinite(task.reynolds) || task.reynolds <= 0)
        return Format("The Reynolds number must be a positive number (got %g).", task.reynolds);
    if (task.gx < 3 || task.gy < 3)
        return Format("The grid must have at least 3 x 3 nodes (got %g x %g).", task.gx, task.gy);
    const bool threeD = IsThreeDimensional(task.model);
    if (threeD && task.gz < 3)
        return Format("A three-dimensional grid must have at least 3 x 3 x 3 nodes (got %g x %g x %g).",
                      task.gx, task.gy, task.gz);
    if (task.gx > kMaxSide || task.gy > kMaxSide || (threeD && task.gz > kMaxSide))
        return Format("The grid is too large: each side may have at most %g nodes (got %g).", kMaxSide,
                      std::max({task.gx, task.gy, threeD ? task.gz : 0}));
    if (task.flow == Flow::Channel) {
        const std::string channel = CheckChannel(task);
        if (!channel.empty())
            return channel;
    }
    if (!std::isfinite(settings.lidSpeed) || settings.lidSpeed <= 0 || settings.lidSpeed > 0.4)
        return Format("The lid speed must be above 0 and at most 0.4 lattice units (got %g); the lattice's "
                      "speed of sound is 0.577.",
                      settings.lidSpeed);
    if (!std::isfinite(settings.tolerance) || settings.tolerance <= 0)
        return Format("The tolerance must be a positive number (got %g).", settings.tolerance);
    if (settings.maxSteps < 1)
        return Format("The step limit must be at least 1 (got %g).", double(settings.maxSteps));
    if (settings.threads < 0 || settings.threads > 4096)
        return Format("The number of threads must be between 1 and 4096, or 0 for all cores (got %g).",
                      settings.threads);
    if (settings.snapshotEvery < 0)
        return Format("The steps between snapshots must be 0 (none) or more (got %g).",
                      double(settings.snapshotEvery));
    if (settings.checkInterval < 1)
        return Format("The check interval must be at least 1 step (got %g).", settings.checkInterval);
    if (!std::isfinite(settings.progressSeconds) || settings.progressSeconds < 0)
        return Format("The progress interval must be 0 or more seconds (got %g).", settings.progressSeconds);
    const double tau = RelaxationTime(task, settings);
    if (!std::isfinite(tau) || tau > 1e6)
        return Format("The Reynolds number %g is too small for this grid and lid speed: the relaxation "
                      "time would be %g.",
                      task.reynolds, tau);
    // (the margin shaved by rounding only: a grid that meets it exactly passes)
    const double least = kLeastTauMargin * (1 - 1e-9);
    if (tau - 0.5 < least && task.flow == Flow::Channel)
        return Format("The relaxation time %.5g is too close to 1/2 for a stable run (at least %.4g is "
                      "needed): at Re %g the obstacle needs more nodes across it (it has %.3g), or the "
                      "inflow a larger lattice speed (it has %g).",
                      tau, 0.5 + kLeastTauMargin, task.reynolds, ReynoldsLength(task), settings.lidSpeed);
    if (tau - 0.5 < least) {
        // tau - 1/2 = 3 U Gx / Re grows with the grid; a smaller lid speed would shrink it.
        double gx = std::ceil(kLeastTauMargin * task.reynolds / (3 * settings.lidSpeed));
        Task wider = task;
        while (gx < kMaxSide && (wider.gx = int(gx), RelaxationTime(wider, settings) - 0.5 < least))
            gx += 1;
        return Format("The relaxation time %.5g is too close to 1/2 for a stable run (at least %.4g is "
                      "needed). At Re %g with the lid at %g, a grid of at least %.0f nodes across would do "
                      "(a smaller lid speed brings the relaxation time closer to 1/2).",
                      tau, 0.5 + kLeastTauMargin, task.reynolds, settings.lidSpeed, gx);
    }
    const std::uint64_t needed = MemoryNeeded(task, settings);
    const std::uint64_t available = PhysicalMemory();
    if (available > 0 && needed > available / 10 * 8) {
        return Format(
            "The grid is too large: it needs %.1f GB of memory (%g bytes per node) and this machine "
            "has %.1f GB.",
            double(needed) / 1e9, double(BytesPerNode(task, settings)), double(available) / 1e9);
    }
    return {};
}

} // namespace lbm
