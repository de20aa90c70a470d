// SPDX-License-Identifier: GPL-3.0-or-later
#include "LbmResults.h"

#include "SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace lbm {

namespace {

// Velocity components with the walls mirrored: a node outside the cavity
// holds 2 * (wall velocity) - (velocity of its mirror node), so that the wall
// velocity is reached half-way between them.
struct Mirrored {
    const Fields& f;
    double scale;
    double U(int i, int j) const
    {
        if (i < 0)
            return -U(0, j);
        if (i >= f.gx)
            return -U(f.gx - 1, j);
        if (j < 0)
            return -U(i, 0);
        if (j >= f.gy)
            return 2.0 - U(i, f.gy - 1);
        return f.ux[std::size_t(j) * f.gx + i] * scale;
    }
    double V(int i, int j) const
    {
        if (i < 0)
            return -V(0, j);
        if (i >= f.gx)
            return -V(f.gx - 1, j);
        if (j < 0)
            return -V(i, 0);
        if (j >= f.gy)
            return -V(i, f.gy - 1);
        return f.uy[std::size_t(j) * f.gx + i] * scale;
    }
};

bool Valid(const Fields& f)
{
    const std::size_t n = std::size_t(f.gx) * std::size_t(f.gy) * std::size_t(std::max(f.gz, 1));
    return f.gx > 0 && f.gy > 0 && f.gz >= 1 && f.ux.size() == n && f.uy.size() == n && f.rho.size() == n &&
           (f.gz == 1 || f.uz.size() == n);
}

// Writes `text` to folder/name whole or not at all: a reader never sees half
// a file, and a failed write leaves the old file as it was.
std::string WriteAtomically(const std::string& folder, const std::string& name, const std::string& text)
{
    const std::string path = folder + "/" + name;
    const std::string reason = safefile::WriteWhole(path, text);
    return reason.empty() ? std::string() : "Cannot write \"" + path + "\": " + reason + ".";
}

std::string ProfileCsv(const char* header, const Profile& profile)
{
    std::string text = std::string(header) + "\n";
    for (const auto& [position, value] : profile)
        text += NumberText(position) + "," + NumberText(value) + "\n";
    return text;
}

// JSON has no NaN or infinity.
std::string JsonNumber(double value, int digits = 17)
{
    return std::isfinite(value) ? NumberText(value, digits) : "null";
}

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (char ch : s) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (static_cast<unsigned char>(ch) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", ch);
            out += esc;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string Summary(const Task& task, const Settings& settings, const RunResult& result)
{
    std::ostringstream s;
    s << "{\n"
      << "  \"model\": " << JsonString(task.model) << ",\n"
      << "  \"reynolds\": " << JsonNumber(task.reynolds) << ",\n"
      << "  \"gx\": " << task.gx << ",\n"
      << "  \"gy\": " << task.gy << ",\n";
    if (IsThreeDimensional(task.model))
        s << "  \"gz\": " << task.gz << ",\n";
    s << "  \"length\": " << task.gx << ",\n"
      << "  \"lid_speed\": " << JsonNumber(settings.lidSpeed) << ",\n"
      << "  \"tolerance\": " << JsonNumber(settings.tolerance) << ",\n"
      << "  \"max_steps\": " << settings.maxSteps << ",\n"
      << "  \"precision\": \"" << PrecisionName(settings.precision) << "\",\n"
      << "  \"status\": \"" << StatusName(result.status) << "\",\n"
      << "  \"converged\": " << (result.status == RunStatus::Converged ? "true" : "false") << ",\n"
      << "  \"steps\": " << result.steps << ",\n"
      << "  \"residual\": " << JsonNumber(result.residual) << ",\n"
      << "  \"seconds\": " << JsonNumber(result.seconds, 6) << ",\n"
      << "  \"mlups\": " << JsonNumber(result.mlups, 6) << ",\n"
      << "  \"processes\": " << result.processes << ",\n"
      << "  \"threads\": " << result.threads << ",\n";
    if (task.flow == Flow::Channel) {
        const ChannelSpec& c = task.channel;
        const ChannelFigures& f = result.channel;
        s << "  \"flow\": \"channel\",\n"
          << "  \"channel\": [" << JsonNumber(c.x) << ", " << JsonNumber(c.y) << ", " << JsonNumber(c.length)
          << ", " << JsonNumber(c.height) << "],\n";
        if (IsThreeDimensional(task.model))
            s << "  \"box\": [" << JsonNumber(c.x) << ", " << JsonNumber(c.y) << ", " << JsonNumber(c.z)
              << ", " << JsonNumber(c.length) << ", " << JsonNumber(c.height) << ", " << JsonNumber(c.depth)
              << "],\n";
        s << "  \"inflow\": \"" << (c.inflow == Inflow::Uniform ? "uniform" : "parabolic") << "\",\n"
          << "  \"mean_speed\": " << JsonNumber(c.meanSpeed) << ",\n"
          << "  \"obstacles\": " << c.obstacles << ",\n"
          << "  \"reynolds_length\": " << JsonNumber(ReynoldsLength(task) * c.height / task.gy) << ",\n"
          << "  \"periodic\": " << (f.periodic ? "true" : "false") << ",\n"
          << "  \"cd\": " << JsonNumber(f.cd) << ",\n"
          << "  \"cl\": " << JsonNumber(f.cl) << ",\n"
          << "  \"dp\": " << JsonNumber(f.dp) << ",\n";
        if (f.periodic)
            s << "  \"strouhal\": " << JsonNumber(f.strouhal) << ",\n"
              << "  \"cl_min\": " << JsonNumber(f.clMin) << ",\n";
        else
            s << "  \"la\": " << JsonNumber(f.la) << ",\n";
    }
    s << "  \"message\": " << JsonString(result.message) << "\n"
      << "}\n";
    return s.str();
}

// A channel's force history: step, time in the scene's seconds (a step
// lasts spacing * lattice speed / mean speed), cD and cL.
std::string ForcesCsv(const Task& task, const Settings& settings, const ForceHistory& h)
{
    const double dt = task.channel.height / task.gy * settings.lidSpeed / task.channel.meanSpeed;
    std::string text = "step,time,cd,cl\n";
    for (std::size_t k = 0; k < h.steps.size(); ++k)
        text += std::to_string(h.steps[k]) + "," + NumberText(double(h.steps[k]) * dt) + "," +
                NumberText(h.cd[k]) + "," + NumberText(h.cl[k]) + "\n";
    return text;
}

} // namespace

FieldImage FieldOf(const Fields& f, double lidSpeed)
{
    FieldImage image;
    if (!Valid(f) || !(lidSpeed != 0))
        return image;
    const std::size_t n = std::size_t(f.gx) * std::size_t(f.gy);
    // Divided as the centreline files divide, so that a node on a centre
    // line holds the very value the profile gives for it.
    std::vector<double> velocity(3 * n), speed(n);
    for (std::size_t k = 0; k < n; ++k) {
        velocity[3 * k] = f.ux[k] / lidSpeed;
        velocity[3 * k + 1] = f.uy[k] / lidSpeed;
        velocity[3 * k + 2] = 0;
        speed[k] = std::hypot(velocity[3 * k], velocity[3 * k + 1]);
    }
    image.nx = f.gx;
    image.ny = f.gy;
    // Node (i, j) lies at ((i + 1/2) / Gx, (j + 1/2) / Gy), as in the centreline files.
    const double hx = 1.0 / f.gx;
    const double hy = 1.0 / f.gy;
    image.origin[0] = hx / 2;
    image.origin[1] = hy / 2;
    image.origin[2] = 0;
    image.spacing[0] = hx;
    image.spacing[1] = hy;
    image.spacing[2] = hx;
    image.arrays.push_back({"velocity", 3, std::move(velocity)});
    image.arrays.push_back({"speed", 1, std::move(speed)});
    image.arrays.push_back({"density", 1, f.rho});
    image.arrays.push_back({"vorticity", 1, Vorticity(f, lidSpeed)});
    image.arrays.push_back({"stream_function", 1, StreamFunction(f, lidSpeed)});
    return image;
}

FieldImage ChannelFieldOf(const Task& task, const Fields& f, double speed)
{
    FieldImage image;
    if (!Valid(f) || !(speed != 0))
        return image;
    const std::size_t n = std::size_t(f.gx) * std::size_t(f.gy);
    const double h = task.channel.height / f.gy;
    std::vector<double> velocity(3 * n), magnitude(n), vorticity(n, 0.0), obstacle(n, 0.0);
    const auto solid = [&](std::size_t k) { return !f.solid.empty() && f.solid[k] != 0; };
    for (std::size_t k = 0; k < n; ++k) {
        velocity[3 * k] = f.ux[k] / speed;
        velocity[3 * k + 1] = f.uy[k] / speed;
        magnitude[k] = std::hypot(velocity[3 * k], velocity[3 * k + 1]);
        obstacle[k] = solid(k) ? 1 : 0;
    }
    // dv/dx - du/dy in mean speeds per scene unit: central differences, one-
    // sided next to the ends and to an obstacle, the walls at rest mirrored.
    const auto at = [&](int i, int j) { return std::size_t(j) * std::size_t(f.gx) + std::size_t(i); };
    for (int j = 0; j < f.gy; ++j)
        for (int i = 0; i < f.gx; ++i) {
            const std::size_t k = at(i, j);
            if (solid(k))
                continue;
            const auto v = [&](int ii) { return f.uy[at(ii, j)] / speed; };
            const bool left = i > 0 && !solid(at(i - 1, j)), right = i + 1 < f.gx && !solid(at(i + 1, j));
            double dvdx = 0;
            if (left && right)
                dvdx = (v(i + 1) - v(i - 1)) / (2 * h);
            else if (right)
                dvdx = (v(i + 1) - v(i)) / h;
            else if (left)
                dvdx = (v(i) - v(i - 1)) / h;
            const auto u = [&](int jj) {
                if (jj < 0 || jj >= f.gy || solid(at(i, jj)))
                    return -f.ux[k] / speed; // mirrored through the wall half a spacing away
                return f.ux[at(i, jj)] / speed;
            };
            const double dudy = (u(j + 1) - u(j - 1)) / (2 * h);
            vorticity[k] = dvdx - dudy;
        }
    image.nx = f.gx;
    image.ny = f.gy;
    image.origin[0] = task.channel.x + h / 2;
    image.origin[1] = task.channel.y + h / 2;
    image.origin[2] = 0;
    image.spacing[0] = image.spacing[1] = image.spacing[2] = h;
    image.arrays.push_back({"velocity", 3, std::move(velocity)});
    image.arrays.push_back({"speed", 1, std::move(magnitude)});
    image.arrays.push_back({"density", 1, f.rho});
    image.arrays.push_back({"vorticity", 1, std::move(vorticity)});
    image.arrays.push_back({"obstacle", 1, std::move(obstacle)});
    return image;
}

// The average of the two middle planes when there is an even number of them.
Fields MidPlane(const Fields& f)
{
    if (f.gz <= 1)
        return f;
    Fields plane;
    plane.gx = f.gx;
    plane.gy = f.gy;
    const std::size_t n = std::size_t(f.gx) * std::size_t(f.gy);
    const std::size_t lower = std::size_t((f.gz - 1) / 2) * n, upper = std::size_t(f.gz / 2) * n;
    plane.ux.resize(n);
    plane.uy.resize(n);
    plane.rho.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        plane.ux[k] = 0.5 * (f.ux[lower + k] + f.ux[upper + k]);
        plane.uy[k] = 0.5 * (f.uy[lower + k] + f.uy[upper + k]);
        plane.rho[k] = 0.5 * (f.rho[lower + k] + f.rho[upper + k]);
    }
    return plane;
}

FieldImage Field3Of(const Task& task, const Fields& f, double speed)
{
    FieldImage image;
    if (!Valid(f) || f.gz <= 1 || !(speed != 0))
        return image;
    const std::size_t n = f.ux.size();
    std::vector<double> velocity(3 * n), magnitude(n);
    for (std::size_t k = 0; k < n; ++k) {
        velocity[3 * k] = f.ux[k] / speed;
        velocity[3 * k + 1] = f.uy[k] / speed;
        velocity[3 * k + 2] = f.uz[k] / speed;
        magnitude[k] =
            std::sqrt(velocity[3 * k] * velocity[3 * k] + velocity[3 * k + 1] * velocity[3 * k + 1] +
                      velocity[3 * k + 2] * velocity[3 * k + 2]);
    }
    image.nx = f.gx;
    image.ny = f.gy;
    image.nz = f.gz;
    if (task.flow == Flow::Channel) {
        const double h = task.channel.height / f.gy;
        image.origin[0] = task.channel.x + h / 2;
        image.origin[1] = task.channel.y + h / 2;
        image.origin[2] = task.channel.z + h / 2;
        image.spacing[0] = image.spacing[1] = image.spacing[2] = h;
    } else {
        // The cube cavity is the unit cube, node (i, j, k) at ((i + 1/2) / Gx, ...).
        const int g[3] = {f.gx, f.gy, f.gz};
        for (int a = 0; a < 3; ++a) {
            image.spacing[a] = 1.0 / g[a];
            image.origin[a] = image.spacing[a] / 2;
        }
    }
    image.arrays.push_back({"velocity", 3, std::move(velocity)});
    image.arrays.push_back({"speed", 1, std::move(magnitude)});
    image.arrays.push_back({"density", 1, f.rho});
    if (task.flow == Flow::Channel) {
        std::vector<double> obstacle(n, 0.0);
        for (std::size_t k = 0; k < n && k < f.solid.size(); ++k)
            obstacle[k] = f.solid[k] ? 1 : 0;
        image.arrays.push_back({"obstacle", 1, std::move(obstacle)});
    }
    return image;
}

Profile UCentreline(const Fields& f, double lidSpeed)
{
    Profile profile;
    if (!Valid(f) || !(lidSpeed != 0))
        return profile;
    const int left = (f.gx - 1) / 2;
    const int right = f.gx / 2;
    profile.emplace_back(0.0, 0.0);
    for (int j = 0; j < f.gy; ++j) {
        const std::size_t row = std::size_t(j) * f.gx;
        const double u = 0.5 * (f.ux[row + left] + f.ux[row + right]) / lidSpeed;
        profile.emplace_back((j + 0.5) / f.gy, u);
    }
    profile.emplace_back(1.0, 1.0);
    return profile;
}

Profile VCentreline(const Fields& f, double lidSpeed)
{
    Profile profile;
    if (!Valid(f) || !(lidSpeed != 0))
        return profile;
    const std::size_t bottom = std::size_t((f.gy - 1) / 2) * f.gx;
    const std::size_t top = std::size_t(f.gy / 2) * f.gx;
    profile.emplace_back(0.0, 0.0);
    for (int i = 0; i < f.gx; ++i) {
        const double v = 0.5 * (f.uy[bottom + i] + f.uy[top + i]) / lidSpeed;
        profile.emplace_back((i + 0.5) / f.gx, v);
    }
    profile.emplace_back(1.0, 0.0);
    return profile;
}

std::vector<double> Vorticity(const Fields& f, double lidSpeed)
{
    std::vector<double> w;
    if (!Valid(f) || !(lidSpeed != 0))
        return w;
    w.resize(std::size_t(f.gx) * f.gy);
    const Mirrored m{f, 1.0 / lidSpeed};
    // Node spacing in units of L = Gx is 1 / Gx.
    const double half = 0.5 * f.gx;
    for (int j = 0; j < f.gy; ++j)
        for (int i = 0; i < f.gx; ++i)
            w[std::size_t(j) * f.gx + i] =
                half * (m.V(i + 1, j) - m.V(i - 1, j)) - half * (m.U(i, j + 1) - m.U(i, j - 1));
    return w;
}

std::vector<double> StreamFunction(const Fields& f, double lidSpeed)
{
    std::vector<double> psi;
    if (!Valid(f) || !(lidSpeed != 0))
        return psi;
    psi.resize(std::size_t(f.gx) * f.gy);
    const Mirrored m{f, 1.0 / lidSpeed};
    const double h = 1.0 / f.gx;
    for (int i = 0; i < f.gx; ++i) {
        // Each node's cell reaches half a spacing either way, the outermost
        // cells to the walls: the flow through the column is h times the sum
        // of u over it, which the lattice keeps at zero (to its
        // compressibility). psi at a node is the flow through the cells below
        // it and the lower half of its own, u there taken with its slope.
        double column = 0;
        for (int j = 0; j < f.gy; ++j)
            column += m.U(i, j);
        double below = 0;
        for (int j = 0; j < f.gy; ++j) {
            const double half = 0.5 * m.U(i, j) - (m.U(i, j + 1) - m.U(i, j - 1)) / 16;
            // What the column lets through is taken off in proportion to the
            // height, so that psi is zero on the bottom wall and the lid alike.
            const double s = (j + 0.5) / f.gy;
            psi[std::size_t(j) * f.gx + i] = h * (below + half - s * column);
            below += m.U(i, j);
        }
    }
    return psi;
}

std::string PrepareOutputFolder(const std::string& folder, std::vector<std::string>* created)
{
    if (folder.empty())
        return "No output folder was given.";
    // Create the folder and any missing parents.
    for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/')
            continue;
        const std::string part = folder.substr(0, pos);
        if (mkdir(part.c_str(), 0755) == 0) {
            if (created)
                created->push_back(part);
        } else if (errno != EEXIST) {
            return "Cannot create the folder \"" + part + "\": " + std::strerror(errno) + ".";
        }
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return "The output folder \"" + folder + "\" is not a folder.";
    std::string probe = folder + "/.write-test.XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0)
        return "Cannot write into the folder \"" + folder + "\": " + std::strerror(errno) + ".";
    close(fd);
    unlink(probe.c_str());
    return {};
}

std::string SnapshotFileName(std::int64_t step) { return "field_" + std::to_string(step) + ".vti"; }

double TimeOfStep(const Task& task, const Settings& settings, std::int64_t step)
{
    if (task.flow == Flow::Channel)
        return double(step) * task.channel.height / task.gy * settings.lidSpeed / task.channel.meanSpeed;
    return double(step) * settings.lidSpeed / task.gx;
}

namespace {

// The field file's bytes of the task's fields: a channel's or a cavity's.
std::string FieldBytes(const Task& task, const Settings& settings, const Fields& fields)
{
    const double U = settings.lidSpeed;
    if (fields.gz > 1)
        return FieldFileBytes(Field3Of(task, fields, U));
    return FieldFileBytes(task.flow == Flow::Channel ? ChannelFieldOf(task, fields, U) : FieldOf(fields, U));
}

} // namespace

std::string WriteSnapshot(const std::string& folder, const Task& task, const Settings& settings,
                          std::int64_t step, const Fields& fields)
{
    if (!Valid(fields))
        return "There is no field to write.";
    return WriteAtomically(folder, SnapshotFileName(step), FieldBytes(task, settings, fields));
}

namespace {

// The collection of the snapshots and the final field, by time.
std::string Collection(const Task& task, const Settings& settings, const std::vector<std::int64_t>& snapshots,
                       std::int64_t lastStep)
{
    std::string text = "<?xml version=\"1.0\"?>\n"
                       "<VTKFile type=\"Collection\" version=\"1.0\" byte_order=\"LittleEndian\">\n"
                       "  <Collection>\n";
    const auto entry = [&](std::int64_t step, const std::string& file) {
        text += "    <DataSet timestep=\"" + NumberText(TimeOfStep(task, settings, step)) +
                "\" group=\"\" part=\"0\" file=\"" + file + "\"/>\n";
    };
    for (std::int64_t step : snapshots)
        if (step < lastStep)
            entry(step, SnapshotFileName(step));
    entry(lastStep, kFieldFile);
    return text + "  </Collection>\n</VTKFile>\n";
}

} // namespace

std::string WriteResults(const std::string& folder, const Task& task, const Settings& settings,
                         const RunResult& result, const std::vector<std::int64_t>& snapshots)
{
    if (!Valid(result.fields))
        return "There are no results to write.";
    std::string error = PrepareOutputFolder(folder);
    if (!error.empty())
        return error;
    // The summary says the set is complete: it goes first, so that new files
    // never stand beside an old summary, and comes back last.
    const std::string summary = folder + "/" + kSummaryFile;
    if (unlink(summary.c_str()) != 0 && errno != ENOENT)
        return "Cannot replace \"" + summary + "\": " + std::strerror(errno) + ".";
    const double U = settings.lidSpeed;
    // A collection left by an earlier run with snapshots would name files
    // this run did not write.
    const std::string collection = folder + "/" + kCollectionFile;
    if (snapshots.empty() && unlink(collection.c_str()) != 0 && errno != ENOENT)
        return "Cannot replace \"" + collection + "\": " + std::strerror(errno) + ".";
    // A channel's force history, or a cavity's centre lines; the field; the
    // collection of the snapshots; the summary last: its presence says the
    // other files are complete.
    std::vector<std::pair<const char*, std::string>> files;
    if (task.flow == Flow::Channel) {
        files.emplace_back(kForcesFile, ForcesCsv(task, settings, result.channel.history));
    } else {
        const Fields plane = MidPlane(result.fields);
        files.emplace_back(kUCentrelineFile, ProfileCsv("y,u", UCentreline(plane, U)));
        files.emplace_back(kVCentrelineFile, ProfileCsv("x,v", VCentreline(plane, U)));
    }
    files.emplace_back(kFieldFile, FieldBytes(task, settings, result.fields));
    if (!snapshots.empty())
        files.emplace_back(kCollectionFile, Collection(task, settings, snapshots, result.steps));
    files.emplace_back(kSummaryFile, Summary(task, settings, result));
    for (const auto& [name, text] : files) {
        error = WriteAtomically(folder, name, text);
        if (!error.empty())
            return error;
    }
    return {};
}

void RemoveEmptyFolders(const std::vector<std::string>& created)
{
    for (auto it = created.rbegin(); it != created.rend(); ++it)
        rmdir(it->c_str()); // fails, as it should, on a folder that holds anything
}

} // namespace lbm
