// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The D3Q19 lattice of one slab of z planes and its time step.
//
// Velocities (Qian, d'Humieres & Lallemand, Europhys. Lett. 17 (1992) 479):
// the rest velocity, the six along the axes and the twelve along the edges'
// diagonals, weights 1/3, 1/18 and 1/36, cs^2 = 1/3; velocity q and q + 9
// are opposites (q = 1..9).
//
// Storage: structure of arrays, one per velocity, each holding the slab's
// planes with one layer of halo all round (the planes of the neighbouring
// slabs below and above, and beyond the box's faces the places the boundary
// links fill), x fastest, then y, then z. Two lattices alternate, as in two
// dimensions (GenericLattice.h): pull, collide, write to the other; the
// boundary links are filled first, the fluid nodes then run as runs along x
// without a branch; nodes inside obstacles are left out.
//
// Collision: BGK, or the two-relaxation-time collision of Ginzburg,
// Verhaeghe & d'Humieres (Commun. Comput. Phys. 3 (2008) 427): the
// even part of each pair of opposite populations relaxes at 1 / tau (the
// shear viscosity), the odd part at the rate that makes
// (tau - 1/2)(1/s_odd - 1/2) = 3/16, with which a bounce-back wall lies
// exactly half-way between nodes at every viscosity (Ginzburg, d'Humieres &
// Kuzmin, J. Stat. Phys. 139 (2010) 1090).
//
// Boundaries as in two dimensions: half-way bounce-back, Bouzidi's
// interpolated bounce-back on obstacles, a moving wall adding its momentum,
// the velocity bounce-back at the inflow and the anti-bounce-back at the
// outflow; forces by momentum exchange, each link's share rounded to a
// multiple of 2^-40 so that the sum is the same to the bit on any number of
// processes.

#include "Communicator.h"
#include "Domain3.h"

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

namespace lbm {

inline constexpr int kQ19 = 19;
extern const int kD3Q19[kQ19][3];
extern const double kD3Q19Weight[kQ19];

struct Lattice3Params {
    bool trt = false;
    double tau = 1;
    const Domain3* domain = nullptr; // required; must outlive the construction
};

// Bytes a node takes (both lattices) in the given precision.
template <typename T> constexpr std::size_t kLattice3BytesPerNode = 2 * kQ19 * sizeof(T);

template <typename T> class Lattice3 {
public:
    // `slab` counts z planes. Allocates and fills; may throw std::bad_alloc.
    Lattice3(const Lattice3Params& params, Slab slab, Communicator* comm);

    void Step(int threads);
    // Density and velocity of the slab's nodes, node (i, j, k) at
    // ((k - first) * gy + j) * gx + i; obstacle nodes at rest, unit density.
    void Macroscopic(std::vector<double>& rho, std::vector<double>& ux, std::vector<double>& uy,
                     std::vector<double>& uz, int threads) const;
    double Mass() const;
    // The force the fluid exerted on the slab's obstacles in the last step (lattice units).
    const double* Force() const { return force_; }
    std::size_t BoundaryLinks() const { return links_.size(); }

private:
    struct Link {
        std::size_t node, ghost, source, behind;
        int in, out;
        T a, b, c, term;
        BoundaryKind kind;
        int obstacle;
    };
    std::size_t Index(int i, int j, int plane) const
    {
        return (std::size_t(plane + 1) * std::size_t(ny_) + std::size_t(j + 1)) * std::size_t(nx_) +
               std::size_t(i + 1);
    }
    void Fill();
    void BuildLinks();
    void ExchangeHalo();
    T OutflowValue(const Link& l) const;

    Lattice3Params params_;
    const Domain3& domain_;
    Slab slab_;
    Communicator* comm_;
    int gx_, gy_;
    int nx_, ny_;      // padded sizes
    std::size_t size_; // values per population array
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T, Free> a_, b_;
    T* cur_;
    T* next_;
    std::ptrdiff_t pull_[kQ19];
    std::vector<std::pair<int, int>> runs_; // fluid runs [first, second) along x
    std::vector<int> runStart_;             // per row (plane * gy + j) of the slab
    std::vector<Link> links_;
    std::vector<T> linkValue_;
    std::vector<std::size_t> obstacleLinks_;
    double force_[3] = {0, 0, 0};
    T omega_, omegaOdd_;
    std::vector<T> send_[2], recv_[2];
};

extern template class Lattice3<double>;
extern template class Lattice3<float>;

} // namespace lbm
