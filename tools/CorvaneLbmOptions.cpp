// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-lbm's arguments and a channel's obstacles from a scene file.
#include "CorvaneLbmOptions.h"

#include "SceneFile.h"
#include "SceneSection.h"
#include "SceneSurface.h"
#include "TSceneDocument.h"

#include <QString>
#include <QStringList>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace corvanelbm {

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

namespace {

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

} // namespace

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

} // namespace corvanelbm
