// Loading a large mesh pair (a 1000 x 1000 vertex grid: a million vertices and
// about two million triangles), against reading the same bytes from the page
// cache, and against tinyobjloader loading the same mesh written as an OBJ file.
// Figures: ms per load, MB/s over both files, "x_read" = load time / time to
// read both files, "x_tinyobj" = tinyobjloader's time / ours (higher is better).
#include "GlDevice.h"
#include "TGLPolyObject.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
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

} // namespace

BENCHMARK_MAIN();
