// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A lattice as data: its velocities, weights, speed of sound, opposites, the
// moment basis of its multiple-relaxation-time collision and how its nodes
// sit in the plane. Everything the generic time step does reads it from here.
//
// Lattices (each with the source it follows):
//   D2Q9   square, nine velocities, cs^2 = 1/3; Qian, d'Humieres & Lallemand,
//          Europhys. Lett. 17 (1992) 479.
//   D2Q7   hexagonal (triangular) lattice of the FHP lattice gas (Frisch,
//          Hasslacher & Pomeau, Phys. Rev. Lett. 56 (1986) 1505) with the BGK
//          equilibrium of Qian, d'Humieres & Lallemand (1992): w0 = 1/2,
//          w = 1/12 for the six unit velocities, cs^2 = 1/4.
//   D2Q13  square, the D2Q9 velocities and (+-2, 0), (0, +-2): the weights
//          3/8, 1/12 (axes), 1/16 (diagonals), 1/96 (speed two), cs^2 = 1/2,
//          of Lopez & Bayazitoglu's D2Q13 model, the member of the D2Q13
//          family with isotropic second and fourth moments and positive weights.
//
// Node placement. Square lattices: node (k, j) at (k + 1/2, j + 1/2) in lattice
// spacings. The hexagonal lattice: rows sqrt(3)/2 apart, row j at
// y = (j + 1/2) sqrt(3)/2, node k of an even row at x = k + 1/2 and of an odd
// row at x = k (so the odd rows sit half a spacing to the left).
//
// Moment basis. The rows of `moments` are orthogonal (plain dot product over
// the velocities), built by Gram-Schmidt from the polynomials 1, cx, cy, c^2,
// cx^2 - cy^2, cx cy, then third and higher orders; for D2Q9 this is the basis
// of Lallemand & Luo, Phys. Rev. E 61 (2000) 6546. Each row carries the class of
// its relaxation rate.

#include <string>
#include <vector>

namespace lbm {

enum class MomentClass {
    Conserved, // density and momentum
    Bulk,      // the trace of the second moment (energy): bulk viscosity
    Shear,     // the traceless second moments: shear viscosity, rate 1 / tau
    Odd,       // third and higher odd orders (heat fluxes)
    Even,      // fourth and higher even orders
};

struct Descriptor {
    std::string name;
    int q = 0;
    std::vector<double> cx, cy; // in lattice spacings
    std::vector<double> w;
    double cs2 = 0;
    std::vector<int> opposite;
    bool hexagonal = false;
    double rowSpacing = 1;                    // distance between rows
    int haloRows = 1;                         // rows the longest velocity crosses
    int haloColumns = 1;                      // node columns it crosses
    std::vector<std::vector<double>> moments; // q rows of q values
    std::vector<MomentClass> momentClass;

    // Node columns and rows the lattice stores for a cavity Gx spacings wide and Gy
    // high. The hexagonal lattice's odd rows sit half a spacing to the left: their
    // first node lies on the left wall and is not fluid, which leaves them Gx - 1
    // fluid nodes.
    int Columns(int gx) const { return gx; }
    int Rows(int gy) const;
    // x position of node k in row j, and y of row j.
    double X(int k, int j) const { return k + (hexagonal && (j & 1) ? 0.0 : 0.5); }
    double Y(int j) const { return (j + 0.5) * rowSpacing; }
};

const Descriptor& D2Q7();
const Descriptor& D2Q9();
const Descriptor& D2Q13();

} // namespace lbm
