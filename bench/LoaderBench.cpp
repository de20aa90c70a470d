// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a large mesh pair (a 1000 x 1000 vertex grid: a million vertices and
// about two million triangles), against reading the same bytes from the page
// cache, and against tinyobjloader loading the same mesh written as an OBJ file.
//  - BM_LoadMeshPairCold: each load in a fresh process, as a user meets it (the
//    program running, the files just written and in the page cache, one load),
//    tinyobjloader measured the same way: cold_ms, MB/s over both files,
//    "x_tinyobj" = tinyobjloader's time / ours (higher is better), "x_memory"
//    = the most memory a load took at its peak / the size of the geometry it
//    ends with (vertices, normals, faces and vertex numbers; largest of the
//    loads).
//  - BM_LoadMeshPair (warm): repeated loads in one process, which reuse memory
//    the first load touched: ms per load, MB/s, "x_read" = load time / time to
//    read both files, "x_tinyobj" as above.
#include "GlDevice.h"
#include "TGLPolyObject.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct MeshPair {
    std::string dir, coor, poly, obj;
    MeshPair()
    {
        std::string pattern = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        coor = dir + "/grid.coor";
        poly = dir + "/grid.poly";
        obj = dir + "/grid.obj";
        const int n = 1000;
        {
            std::FILE* f = std::fopen(coor.c_str(), "w");
            std::fprintf(f, "%d\n", n * n);
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                    std::fprintf(f, "%d,%.6f,%.6f,%.6f\n", i * n + j + 1, i * 0.01,
                                 std::sin(i * 0.01) * std::cos(j * 0.01), j * 0.01);
            std::fclose(f);
        }
        {
            std::FILE* f = std::fopen(poly.c_str(), "w");
            std::fprintf(f, "%d\n", 2 * (n - 1) * (n - 1));
            for (int i = 0; i + 1 < n; ++i)
                for (int j = 0; j + 1 < n; ++j) {
                    const int a = i * n + j + 1, b = a + 1, c = a + n, d = c + 1;
                    std::fprintf(f, "f %d %d %d\nf %d %d %d\n", a, b, d, a, d, c);
                }
            std::fclose(f);
        }
        {
            // The same mesh as a Wavefront OBJ file.
            std::FILE* f = std::fopen(obj.c_str(), "w");
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                    std::fprintf(f, "v %.6f %.6f %.6f\n", i * 0.01, std::sin(i * 0.01) * std::cos(j * 0.01),
                                 j * 0.01);
            for (int i = 0; i + 1 < n; ++i)
                for (int j = 0; j + 1 < n; ++j) {
                    const int a = i * n + j + 1, b = a + 1, c = a + n, d = c + 1;
                    std::fprintf(f, "f %d %d %d\nf %d %d %d\n", a, b, d, a, d, c);
                }
            std::fclose(f);
        }
    }
    ~MeshPair() { fs::remove_all(dir); }
};

const MeshPair& Pair()
{
    static MeshPair pair;
    return pair;
}

std::size_t ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    std::size_t total = 0;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
        total += static_cast<std::size_t>(in.gcount());
    return total;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_LoadMeshPair(benchmark::State& state)
{
    const MeshPair& pair = Pair();
    double load = 0, read = 0, tiny = 0;
    std::size_t bytes = 0;
    std::int64_t loads = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        bytes = ReadAll(pair.coor) + ReadAll(pair.poly);
        auto t1 = std::chrono::steady_clock::now();
        {
            TGLPolyObject obj;
            if (!obj.LoadFromFile(pair.coor,
                                  [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); }))
                state.SkipWithError("load failed");
        }
        auto t2 = std::chrono::steady_clock::now();
        {
            tinyobj::ObjReader reader;
            tinyobj::ObjReaderConfig config;
            config.triangulate = false;
            if (!reader.ParseFromFile(pair.obj, config))
                state.SkipWithError("tinyobjloader failed");
            benchmark::DoNotOptimize(reader.GetAttrib().vertices.data());
        }
        auto t3 = std::chrono::steady_clock::now();
        read += Seconds(t1 - t0);
        load += Seconds(t2 - t1);
        tiny += Seconds(t3 - t2);
        ++loads;
    }
    const double n = static_cast<double>(loads);
    state.counters["load_ms"] = 1000 * load / n;
    state.counters["MB_per_s"] = static_cast<double>(bytes) / (1 << 20) / (load / n);
    state.counters["read_ms"] = 1000 * read / n;
    state.counters["x_read"] = load / read;
    state.counters["tinyobj_ms"] = 1000 * tiny / n;
    state.counters["x_tinyobj"] = tiny / load;
}
BENCHMARK(BM_LoadMeshPair)->Unit(benchmark::kMillisecond)->Iterations(5);

// Kibibytes of a line of /proc/self/status ("VmRSS:", "VmHWM:").
double StatusKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::strtod(line.c_str() + std::strlen(key), nullptr);
    return 0;
}

// One load in this fresh process; prints its seconds and, for our loader, the
// peak of the memory it took (resident set high-water mark over what was
// resident before) over the size of the geometry it ends with.
int LoadOnce(const std::string& what, const std::string& path)
{
    const double before = StatusKiB("VmRSS:");
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = false;
    double geometry = 0;
    if (what == "--load-once") {
        TGLPolyObject obj;
        ok = obj.LoadFromFile(path, [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });
        if (ok && obj.GetFaceCount() > 0) {
            const TPolyFace& last = obj.GetFace(obj.GetFaceCount() - 1);
            geometry = 2.0 * obj.GetVertexCount() * 3 * sizeof(float) +
                       obj.GetFaceCount() * sizeof(TPolyFace) +
                       (static_cast<double>(last.First) + last.Count) * sizeof(std::int32_t);
        }
    } else {
        tinyobj::ObjReader reader;
        tinyobj::ObjReaderConfig config;
        config.triangulate = false;
        ok = reader.ParseFromFile(path, config);
    }
    const double seconds = Seconds(std::chrono::steady_clock::now() - t0);
    const double peak = (StatusKiB("VmHWM:") - before) * 1024;
    std::printf("%.9f %.6f\n", seconds, geometry > 0 ? peak / geometry : 0.0);
    return ok ? 0 : 1;
}

// Seconds of one load in a fresh process of this program, negative on
// failure; memory is set to its peak ratio.
double LoadInFreshProcess(const char* what, const std::string& path, double& memory)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string whatArg = what, pathArg = path;
    char* argv[] = {self.data(), whatArg.data(), pathArg.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[64];
    for (ssize_t n; spawned == 0 && (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    memory = std::strtod(end, nullptr);
    return seconds;
}

void BM_LoadMeshPairCold(benchmark::State& state)
{
    const MeshPair& pair = Pair();
    const double bytes = static_cast<double>(fs::file_size(pair.coor) + fs::file_size(pair.poly));
    ReadAll(pair.coor), ReadAll(pair.poly), ReadAll(pair.obj); // in the page cache
    double load = 0, tiny = 0, memory = 0;
    for (auto _ : state) {
        double peak = 0, unused = 0;
        const double ours = LoadInFreshProcess("--load-once", pair.coor, peak);
        const double theirs = LoadInFreshProcess("--tinyobj-once", pair.obj, unused);
        if (ours < 0 || theirs < 0)
            return state.SkipWithError("a load in a fresh process failed");
        load += ours;
        tiny += theirs;
        memory = std::max(memory, peak);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["cold_ms"] = 1000 * load / n;
    state.counters["MB_per_s"] = bytes / (1 << 20) / (load / n);
    state.counters["tinyobj_ms"] = 1000 * tiny / n;
    state.counters["x_tinyobj"] = tiny / load;
    state.counters["x_memory"] = memory;
}
BENCHMARK(BM_LoadMeshPairCold)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && (std::string(argv[1]) == "--load-once" || std::string(argv[1]) == "--tinyobj-once"))
        return LoadOnce(argv[1], argv[2]);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    return 0;
}
