// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the solver needs from its fellow processes when the cavity is split
// into slabs of rows, one slab per process (rank 0 holds the bottom rows).
// SerialCommunicator is the single process; an MPI implementation lives in
// the optional corvane_lbm_mpi library so that this library needs no MPI.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lbm {

class Communicator {
public:
    virtual ~Communicator() = default;
    virtual int Rank() const = 0;
    virtual int Size() const = 0;

    // Sends `bytes` bytes of toBelow to rank - 1 and of toAbove to rank + 1,
    // and receives the same amount from them into fromBelow and fromAbove.
    // The first and last rank skip the side that has no neighbour.
    virtual void ExchangeHalo(const void* toBelow, void* fromBelow, const void* toAbove, void* fromAbove,
                              std::size_t bytes) = 0;
    // Largest value over all ranks (NaN wins, so a diverged slab is noticed).
    virtual double Max(double value) = 0;
    // Sum over all ranks.
    virtual double Sum(double value) = 0;
    // Concatenates every rank's values in rank order on rank 0 (`all` is left
    // empty elsewhere).
    virtual void Gather(const std::vector<double>& mine, std::vector<double>& all) = 0;
    // Rank 0's value on every rank.
    virtual std::int64_t Broadcast(std::int64_t value) = 0;
};

class SerialCommunicator final : public Communicator {
public:
    int Rank() const override { return 0; }
    int Size() const override { return 1; }
    void ExchangeHalo(const void*, void*, const void*, void*, std::size_t) override {}
    double Max(double value) override { return value; }
    double Sum(double value) override { return value; }
    void Gather(const std::vector<double>& mine, std::vector<double>& all) override { all = mine; }
    std::int64_t Broadcast(std::int64_t value) override { return value; }
};

// Rows [first, first + count) of a cavity of `rows` rows held by `rank` of
// `size` processes: equal slabs, the first ranks taking one extra row each
// when the rows do not divide evenly.
struct Slab {
    int first = 0;
    int count = 0;
};
Slab SlabOf(int rows, int rank, int size);

// Fewest rows a slab may have.
constexpr int kMinSlabRows = 2;

} // namespace lbm
