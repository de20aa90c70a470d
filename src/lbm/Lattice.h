// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The D2Q9 lattice of one slab of the cavity and its time step.
//
// Storage: structure of arrays, one array per lattice velocity, each holding
// the slab's rows plus one halo row below and one above (rows are contiguous,
// x runs fastest). Two such lattices alternate: a step reads the post-collision
// values of the previous step from one, pulls each population from the
// neighbour it streams from (fused streaming and collision), collides and
// writes the result to the other. The interior of a row runs without any
// branch; only nodes next to a wall look at where their links end. Where the
// processor has 64-byte vectors the interior goes a line of nodes at a time
// and its results are streamed past the cache (every velocity's array starts
// on a 64-byte boundary for it), which saves the read of each destination
// line a plain store makes: about 1.6 times the speed out of cache.
//
// Velocities: 0 rest, 1 E, 2 N, 3 W, 4 S, 5 NE, 6 NW, 7 SW, 8 SE.

#include "Communicator.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lbm {

enum class Collision { Bgk, Mrt };

struct Descriptor;
class Domain;

struct LatticeParams {
    Collision collision = Collision::Bgk;
    const Descriptor* descriptor = nullptr; // the generic lattices' descriptor (not D2Q9's own kernel)
    int gx = 0;                             // nodes across the whole cavity
    int gy = 0;                             // rows of the whole cavity
    double lidSpeed = 0;
    double tau = 1; // relaxation time of the shear modes
    // Rates of the multiple-relaxation-time collision's energy, energy-square
    // and heat-flux modes; 0 or below: the solver's choice.
    double rateEnergy = 0;
    double rateEnergySquare = 0;
    double rateHeatFlux = 0;
    // The nine-velocity kernel's bulk a 64-byte line of nodes at a time,
    // streamed past the cache, where the processor has such vectors; off:
    // node by node. Both give the same bits.
    bool wideBulk = true;
    // Where the fluid is (the generic lattices only; null: the cavity of
    // gx x gy spacings with its lid). Must outlive the lattice's construction.
    const Domain* domain = nullptr;
};

// Bytes a lattice of the given precision keeps per node (both lattices).
template <typename T> constexpr std::size_t kLatticeBytesPerNode = 2 * 9 * sizeof(T);

template <typename T> class Lattice {
public:
    // Allocates and fills the slab with fluid at rest at unit density; may throw std::bad_alloc.
    Lattice(const LatticeParams& params, Slab slab, Communicator* comm);

    // One fused stream-and-collide step of the slab on `threads` threads
    // (after swapping halo rows with the neighbouring slabs).
    void Step(int threads);

    // Density and velocity of the slab's nodes (row-major, x fastest).
    void Macroscopic(std::vector<double>& rho, std::vector<double>& ux, std::vector<double>& uy,
                     int threads) const;

    // Sum of all populations of the slab (the slab's mass).
    double Mass() const;

    int Rows() const { return slab_.count; }
    int FirstRow() const { return slab_.first; }

private:
    std::size_t Index(int x, int row) const { return (std::size_t(row) + 1) * nx_ + std::size_t(x); }
    void ExchangeHalo();
    template <class Collide> void StepRowWith(int row, const Collide& collide);
    template <class Collide> void StepBoundaryNode(int x, int row, const Collide& collide);

    LatticeParams params_;
    Slab slab_;
    Communicator* comm_;
    std::size_t nx_;
    std::size_t stride_; // values per velocity array, halo rows included
    std::vector<T> a_, b_;
    T* cur_;
    T* next_;
    T lidTerm_[9];
    T omega_;       // 1 / tau
    T mrtRates_[4]; // energy, energy square, heat flux, shear
    std::vector<T> sendBelow_, sendAbove_, recvBelow_, recvAbove_;
};

extern template class Lattice<double>;
extern template class Lattice<float>;

} // namespace lbm
