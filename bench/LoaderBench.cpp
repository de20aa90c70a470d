// Loading a large mesh pair (a 1000 x 1000 vertex grid: a million vertices and
// about two million triangles), against reading the same bytes from disk.
// Figures: ms per load, and "x_read" = load time / time to read both files.
#include "GlDevice.h"
#include "TGLPolyObject.h"

#include <benchmark/benchmark.h>

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
    std::string dir, coor, poly;
    MeshPair()
    {
        std::string pattern = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        coor = dir + "/grid.coor";
        poly = dir + "/grid.poly";
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
    double load = 0, read = 0;
    std::int64_t loads = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        const std::size_t bytes = ReadAll(pair.coor) + ReadAll(pair.poly);
        auto t1 = std::chrono::steady_clock::now();
        TGLPolyObject obj;
        const bool ok = obj.LoadFromFile(
            pair.coor, [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });
        auto t2 = std::chrono::steady_clock::now();
        if (!ok)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(bytes);
        read += Seconds(t1 - t0);
        load += Seconds(t2 - t1);
        ++loads;
    }
    state.counters["load_ms"] = 1000 * load / static_cast<double>(loads);
    state.counters["read_ms"] = 1000 * read / static_cast<double>(loads);
    state.counters["x_read"] = load / read;
}
BENCHMARK(BM_LoadMeshPair)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
