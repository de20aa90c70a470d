// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The time step of any lattice described by a Descriptor, on one slab of rows.
//
// Geometry is data: before the run every node is marked fluid or not (a node
// lies in the fluid when the Domain says so: strictly inside the box and
// outside every obstacle), and every link from a fluid node to a place that is
// not fluid becomes a boundary link with its wall fraction delta (where along
// the link the wall lies) and its wall velocity. A step then
//   1. swaps halo rows with the neighbouring slabs,
//   2. fills, for each boundary link, the one value that the fluid node will
//      pull from beyond the wall with what the wall sends back: half-way
//      bounce-back when delta = 1/2, otherwise the interpolated bounce-back of
//      Bouzidi, Firdaouss & Lallemand (Phys. Fluids 13 (2001) 3452), a moving
//      wall adding its momentum,
//      A channel's inflow is a wall moving with the inflow's velocity (the
//      velocity bounce-back of Ladd, J. Fluid Mech. 271 (1994) 285), its
//      outflow the anti-bounce-back at unit density with the velocity of the
//      node it feeds (Izquierdo & Fueyo, Phys. Rev. E 78 (2008) 046707),
//   3. streams (pulls) and collides every fluid node in one loop without a
//      branch: each row's fluid nodes as runs of neighbours, the obstacles'
//      nodes between them left out.
// The cavity is Gx spacings wide and Gy high, walls at x = 0, Gx and y = 0, Gy;
// the lid y = Gy slides at the lid speed. A link that leaves exactly through a
// lid corner is reflected as by a wall at rest (LbmTask.h says why).
//
// Forces. The momentum the obstacles take up in a step, summed over their
// links: c_out (f_out + f_in) for the population that left towards the wall
// and the one that comes back (the momentum exchange of Ladd 1994).
//
// Collision: BGK, or multiple relaxation times in the descriptor's orthogonal
// moment basis (d'Humieres, Prog. Astronaut. Aeronaut. 159 (1992) 450;
// Lallemand & Luo, Phys. Rev. E 61 (2000) 6546): shear moments at 1 / tau,
// bulk 1.64, odd 1.9, higher even 1.54, the rates of Lallemand & Luo.

#include "Communicator.h"
#include "Descriptor.h"
#include "Domain.h"
#include "Lattice.h"
#include "LbmRun.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace lbm {

template <typename T> class GenericLattice {
public:
    // `params.descriptor` names the lattice; `slab` counts the lattice's own rows.
    GenericLattice(const LatticeParams& params, Slab slab, Communicator* comm);

    void Step(int threads);
    // Density and velocity of the slab's nodes (row-major, Columns() per row);
    // nodes outside the fluid read as at rest with unit density.
    void Macroscopic(std::vector<double>& rho, std::vector<double>& ux, std::vector<double>& uy,
                     int threads) const;
    double Mass() const;
    // The force the fluid exerted on the slab's obstacles in the last step,
    // in lattice units.
    double ForceX() const { return force_[0]; }
    double ForceY() const { return force_[1]; }
    const Domain& Geometry() const { return domain_; }

    int Columns() const { return columns_; }
    const Descriptor& Lattice() const { return d_; }

private:
    struct Link {
        std::size_t node;   // fluid node
        std::size_t ghost;  // where its incoming population is pulled from
        std::size_t source; // node whose outgoing population comes back (node, or the one it lands on)
        std::size_t behind; // the node one link behind it (delta < 1/2)
        int in, out;        // incoming population and its opposite (towards the wall)
        T a, b, c;          // f_in = a f_out(source) + b f_out(behind) + c f_in(node) + term
        T term;
        bool interpolated; // by Bouzidi's rule: its node's share of mass is balanced (see Step)
        BoundaryKind kind;
        int obstacle; // the obstacle it ends on, -1 for the box
    };
    std::size_t Index(int k, int row) const
    {
        return std::size_t(row + d_.haloRows) * stride_ + std::size_t(k + d_.haloColumns);
    }
    bool Fluid(double x, double y) const { return domain_.Fluid(x, y); }
    void Fill();
    void BuildLinks();
    void FillOutflow(const Link& l);
    void ExchangeHalo();

    const Descriptor& d_;
    LatticeParams params_;
    Domain domain_;
    Slab slab_;
    Communicator* comm_;
    int columns_;
    int rows_;           // of the whole cavity
    std::size_t stride_; // values per padded row
    std::size_t size_;   // values per population array
    std::vector<T> a_, b_;
    T* cur_;
    T* next_;
    std::vector<std::ptrdiff_t> pull_[2]; // per row parity: offset of each population's source
    // The fluid nodes of slab row r: the runs [runs_[k].first, runs_[k].second)
    // for k from runStart_[r] to runStart_[r + 1].
    std::vector<std::pair<int, int>> runs_;
    std::vector<int> runStart_;
    std::vector<Link> links_;
    std::vector<std::size_t> obstacleLinks_; // links ending on an obstacle
    double force_[2] = {0, 0};
    std::vector<T> relax_; // q x q: f -= relax (f - feq)
    std::vector<T> send_[2], recv_[2];
};

// The fields of the hexagonal lattice's nodes (all rows, Columns() per row)
// at the Gx x Gy points of the square grid the results use, node (i, j) at
// (i + 1/2, j + 1/2): linear in x along the two nearest rows, then in y, with
// the walls' own velocity (the lid's at the top) where a point lies beyond the
// outermost nodes.
void HexagonalToGrid(const Descriptor& d, int gx, int gy, double lidSpeed, const std::vector<double>& rho,
                     const std::vector<double>& ux, const std::vector<double>& uy, Fields& out);

extern template class GenericLattice<double>;
extern template class GenericLattice<float>;

} // namespace lbm
