// SPDX-License-Identifier: GPL-3.0-or-later
// Lattice-Boltzmann time step on a 2048 x 2048 cavity (far out of cache)
// against the machine's memory bandwidth measured in the same run.
//
// Columns: MLUPS (million node updates per second), copy_GBs (a STREAM-like
// copy on the same number of threads, 16 bytes counted per element: one read,
// one write), bytes_node (bytes the step must move per node update),
// limit_MLUPS = copy bandwidth / bytes_node (the speed if the step
// did nothing but move its data at copy speed) and ratio = MLUPS / limit_MLUPS.

#include "Descriptor.h"
#include "Domain.h"
#include "GenericLattice.h"
#include "Lattice.h"
#include "Lattice3.h"
#include "LbmRun.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace {

constexpr int kSide = 2048;

int AllCores()
{
#ifdef _OPENMP
    return omp_get_num_procs();
#else
    return 1;
#endif
}

// Best of several copies of 256 MB (far beyond any cache) split among the
// threads, in bytes per second counting 16 bytes per element as STREAM does:
// the faster of the C library's memcpy and a plain loop, so the reference is
// the most this machine's memory delivers to a copy.
double CopyBandwidth(int threads)
{
    static std::map<int, double> measured;
    if (measured.count(threads))
        return measured[threads];
    const std::size_t n = std::size_t(32) << 20;
    std::vector<double> a(n, 1.0), b(n, 0.0);
    double best = 0;
    for (int rep = 0; rep < 8; ++rep) {
        const auto t0 = std::chrono::steady_clock::now();
        if (rep % 2 == 0) {
            // The C library's copy (which may stream past the cache).
            const long long chunks = threads;
#pragma omp parallel for schedule(static) num_threads(threads)
            for (long long c = 0; c < chunks; ++c) {
                const std::size_t begin = n * std::size_t(c) / std::size_t(chunks);
                const std::size_t end = n * std::size_t(c + 1) / std::size_t(chunks);
                std::memcpy(b.data() + begin, a.data() + begin, (end - begin) * sizeof(double));
            }
        } else {
            // A plain loop of loads and stores, as STREAM's copy is.
            const double* src = a.data();
            double* dst = b.data();
            const long long count = static_cast<long long>(n);
#pragma omp parallel for schedule(static) num_threads(threads)
            for (long long i = 0; i < count; ++i)
                dst[i] = src[i];
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(b.data());
        best = std::max(best, 16.0 * double(n) / seconds);
    }
    measured[threads] = best;
    return best;
}

// Arguments: threads (0 all cores), and 1 for the bulk a line of nodes at a
// time with streaming stores (where the processor has 64-byte vectors), 0
// for node by node with plain stores (the kernel as it was before the lines).
template <typename T> void BM_LbmD2Q9(benchmark::State& state)
{
    const int threads = state.range(0) == 0 ? AllCores() : int(state.range(0));
    lbm::LatticeParams params;
    params.wideBulk = state.range(1) != 0;
    params.gx = params.gy = kSide;
    params.lidSpeed = 0.1;
    params.tau = 0.6;
    lbm::SerialCommunicator serial;
    lbm::Lattice<T> lattice(params, lbm::Slab{0, kSide}, &serial);
    lattice.Step(threads); // first touch and warm-up
    const double copy = CopyBandwidth(threads);
    for (auto _ : state)
        lattice.Step(threads);
    const double nodes = double(kSide) * kSide;
    const double bytesPerNode = double(lbm::kLatticeBytesPerNode<T>);
    const double limit = copy / bytesPerNode / 1e6;
    state.counters["threads"] = threads;
    state.counters["MLUPS"] = benchmark::Counter(nodes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["copy_GBs"] = copy / 1e9;
    state.counters["bytes_node"] = bytesPerNode;
    state.counters["limit_MLUPS"] = limit;
    // Filled in after the run from the measured rate (see main).
    state.counters["ratio"] = 0;
}

BENCHMARK_TEMPLATE(BM_LbmD2Q9, double)
    ->Name("D2Q9_double")
    ->ArgNames({"threads", "lines"})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_TEMPLATE(BM_LbmD2Q9, float)
    ->Name("D2Q9_float")
    ->ArgNames({"threads", "lines"})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// Every lattice on the generic, descriptor-driven step (D2Q9 too, to show
// what its specialised kernel gains), double precision, same reference.
// Argument: threads (0 all cores).
void BM_Generic(benchmark::State& state, const char* model)
{
    const int threads = state.range(0) == 0 ? AllCores() : int(state.range(0));
    lbm::LatticeParams params = lbm::ParamsOf(model, kSide, kSide, 0.1, 0.6);
    if (!params.descriptor)
        params.descriptor = &lbm::D2Q9();
    lbm::SerialCommunicator serial;
    const int rows = params.descriptor->Rows(kSide);
    lbm::GenericLattice<double> lattice(params, lbm::Slab{0, rows}, &serial);
    lattice.Step(threads);
    const double copy = CopyBandwidth(threads);
    for (auto _ : state)
        lattice.Step(threads);
    const double nodes = double(lattice.Columns()) * rows;
    const double bytesPerNode = 2.0 * params.descriptor->q * sizeof(double);
    const double limit = copy / bytesPerNode / 1e6;
    state.counters["threads"] = threads;
    state.counters["MLUPS"] = benchmark::Counter(nodes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["copy_GBs"] = copy / 1e9;
    state.counters["bytes_node"] = bytesPerNode;
    state.counters["limit_MLUPS"] = limit;
    state.counters["ratio"] = 0;
}

BENCHMARK_CAPTURE(BM_Generic, D2Q7, "D2Q7")
    ->Name("generic_D2Q7_double")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Generic, D2Q7New, "D2Q7(New)")
    ->Name("generic_D2Q7New_double")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Generic, D2Q9, "D2Q9")
    ->Name("generic_D2Q9_double")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Generic, D2Q13New, "D2Q13(New)")
    ->Name("generic_D2Q13New_double")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// The benchmark's channel (2.2 x 0.41, the cylinder 20 nodes across at
// (0.2, 0.2), 440 x 82 nodes, scaled up four times to 1760 x 328 so that it
// leaves the cache) with and without the cylinder, nine velocities with
// multiple relaxation times: the obstacle's links must not slow the bulk.
// The reference is the same channel without it, measured in the same run.
// Arguments: obstacle (1 with the cylinder, 0 without), threads (0 all cores).
void BM_Channel(benchmark::State& state)
{
    const bool obstacle = state.range(0) != 0;
    const int threads = state.range(1) == 0 ? AllCores() : int(state.range(1));
    const int gy = 328, gx = 1760;
    std::vector<lbm::Segment> outline;
    if (obstacle) {
        const double pi = std::acos(-1.0), cx = 0.2 / 0.41 * gy, cy = 0.2 / 0.41 * gy, r = 0.05 / 0.41 * gy;
        for (int k = 0; k < 256; ++k)
            outline.push_back({cx + r * std::cos(2 * pi * k / 256), cy + r * std::sin(2 * pi * k / 256),
                               cx + r * std::cos(2 * pi * (k + 1) / 256),
                               cy + r * std::sin(2 * pi * (k + 1) / 256), 0});
    }
    const lbm::Domain domain = lbm::Domain::Channel(gx, gy, 0.05, lbm::Inflow::Parabolic, outline);
    lbm::LatticeParams params = lbm::ParamsOf("D2Q9(New)", gx, gy, 0.05, 0.56);
    params.descriptor = &lbm::D2Q9();
    params.domain = &domain;
    lbm::SerialCommunicator serial;
    lbm::GenericLattice<double> lattice(params, lbm::Slab{0, gy}, &serial);
    lattice.Step(threads);
    for (auto _ : state)
        lattice.Step(threads);
    state.counters["threads"] = threads;
    state.counters["obstacle"] = obstacle ? 1 : 0;
    state.counters["MLUPS"] =
        benchmark::Counter(double(gx) * gy / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_Channel)
    ->Name("channel_D2Q9New_double/obstacle/threads")
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// Another process keeping one core busy while it lives, as the program's
// window or a second job does on a shared machine.
class BusyCore {
public:
    BusyCore()
    {
        pid_ = fork();
        if (pid_ == 0) {
            volatile unsigned long spin = 0;
            for (;;)
                spin = spin + 1;
        }
    }
    ~BusyCore()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

private:
    pid_t pid_ = -1;
};

// A window-sized task (257 x 257 nodes, a step well under a millisecond, so
// every step's wait for the slowest thread counts) on all cores and on all but
// one, with every core free and with one kept busy by another process.
// Arguments: threads (0 all cores, -1 all but one), load (0 none, 1 one busy core).
void BM_SharedMachine(benchmark::State& state)
{
    const int cores = AllCores();
    const int threads = state.range(0) == 0 ? cores : std::max(1, cores - 1);
    constexpr int side = 257;
    lbm::LatticeParams params;
    params.gx = params.gy = side;
    params.lidSpeed = 0.1;
    params.tau = 0.6;
    lbm::SerialCommunicator serial;
    lbm::Lattice<double> lattice(params, lbm::Slab{0, side}, &serial);
    lattice.Step(threads);
    std::unique_ptr<BusyCore> load;
    if (state.range(1) != 0)
        load = std::make_unique<BusyCore>();
    for (auto _ : state)
        lattice.Step(threads);
    load.reset();
    state.counters["threads"] = threads;
    state.counters["busy_cores"] = double(state.range(1));
    state.counters["MLUPS"] =
        benchmark::Counter(double(side) * side / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_SharedMachine)
    ->Name("D2Q9_shared_machine")
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({-1, 0})
    ->Args({-1, 1})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(1.0);

// Reports every run with its ratio computed from the measured MLUPS.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        std::vector<Run> copy = runs;
        for (Run& run : copy) {
            auto mlups = run.counters.find("MLUPS");
            auto limit = run.counters.find("limit_MLUPS");
            if (mlups == run.counters.end() || limit == run.counters.end() || limit->second.value <= 0)
                continue;
            // Counters arrive here already turned into rates.
            const double rate = mlups->second.value;
            run.counters["ratio"] = benchmark::Counter(rate / limit->second.value);
        }
        ConsoleReporter::ReportRuns(copy);
    }
};

// The D3Q19 step on a 128^3 cube cavity (2.1 million nodes, 640 MB in
// double: far out of cache), node by node as the three-dimensional runs do.
template <typename T> void BM_Lattice3(benchmark::State& state)
{
    const int threads = state.range(0) == 0 ? AllCores() : int(state.range(0));
    constexpr int side = 128;
    const lbm::Domain3 domain = lbm::Domain3::Cavity(side, side, side, 0.1);
    lbm::Lattice3Params params;
    params.trt = state.range(1) != 0;
    params.tau = 0.6;
    params.domain = &domain;
    lbm::SerialCommunicator serial;
    lbm::Lattice3<T> lattice(params, lbm::Slab{0, side}, &serial);
    lattice.Step(threads);
    const double copy = CopyBandwidth(threads);
    for (auto _ : state)
        lattice.Step(threads);
    const double nodes = double(side) * side * side;
    const double bytesPerNode = double(lbm::kLattice3BytesPerNode<T>);
    state.counters["threads"] = threads;
    state.counters["MLUPS"] = benchmark::Counter(nodes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["copy_GBs"] = copy / 1e9;
    state.counters["bytes_node"] = bytesPerNode;
    state.counters["limit_MLUPS"] = copy / bytesPerNode / 1e6;
    state.counters["ratio"] = 0;
}

BENCHMARK_TEMPLATE(BM_Lattice3, double)
    ->Name("D3Q19_double")
    ->ArgNames({"threads", "trt"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_TEMPLATE(BM_Lattice3, float)
    ->Name("D3Q19_float")
    ->ArgNames({"threads", "trt"})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    // As the solver's tool does: waiting threads sleep unless the environment chooses.
    lbm::RestartWithPassiveWaiting(argv);
    std::printf("OpenMP wait policy: %s (OMP_WAIT_POLICY=active for spinning waits).\n",
                lbm::WaitPolicyName());
    std::printf("D2Q9 time step, %d x %d nodes, two lattices, fused stream and collide.\n"
                "bytes_node: each node update must read its 9 populations and write 9 (structure of\n"
                "arrays, pulled from the neighbours, no other array touched): 18 x 8 = 144 B in double,\n"
                "18 x 4 = 72 B in float. The copy reference is counted the same way (16 B per\n"
                "element); neither count includes the cache's read of a destination line before a store\n"
                "(lines:1 streams its stores past the cache and has none; lines:0 and the copy have it).\n",
                kSide, kSide);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
