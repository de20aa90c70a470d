// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// corvane-lbm's progress: a line or a bar on standard error, or one JSON
// object per line on standard output for a program that runs the solver.

#include "LbmRun.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace corvanelbm {

// JSON's text for a string, and for a number (null for what JSON has no number for).
std::string JsonString(const std::string& text);
std::string JsonNumber(double value);

// Progress on standard error: a bar redrawn in place on a terminal, a plain
// line per report otherwise (for logs).
class Reporter {
public:
    explicit Reporter(bool tty) : tty_(tty) {}
    void operator()(const lbm::Progress& p)
    {
        const double fraction = p.maxSteps > 0 ? double(p.step) / double(p.maxSteps) : 0;
        if (tty_) {
            constexpr int width = 30;
            const int filled = int(std::lround(fraction * width));
            std::fprintf(stderr, "\r[%.*s%*s] step %lld  residual %.3e  %.1f MLUPS ", filled,
                         "##############################", width - filled, "", static_cast<long long>(p.step),
                         p.residual, p.mlups);
            drawn_ = true;
        } else {
            std::fprintf(stderr, "step %lld of %lld, residual %.3e, %.1f MLUPS\n",
                         static_cast<long long>(p.step), static_cast<long long>(p.maxSteps), p.residual,
                         p.mlups);
        }
        std::fflush(stderr);
    }
    void Finish()
    {
        if (drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    bool tty_;
    bool drawn_ = false;
};
// Progress for a program that runs the solver: a JSON object per line on
// standard output (see kUsage).
class JsonReporter {
public:
    static constexpr int kMaxSide = 64;
    static constexpr int kMaxSide3 = 24;
    static constexpr double kFieldSeconds = 1.0;

    explicit JsonReporter(double lidSpeed) : lidSpeed_(lidSpeed) {}
    void operator()(const lbm::Progress& p)
    {
        std::string line = "{\"step\": " + std::to_string(p.step) +
                           ", \"steps\": " + std::to_string(p.maxSteps) +
                           ", \"residual\": " + JsonNumber(p.residual) +
                           ", \"mlups\": " + JsonNumber(p.mlups) + ", \"seconds\": " + JsonNumber(p.seconds);
        if (p.forces)
            line += ", \"cd\": " + JsonNumber(p.cd) + ", \"cl\": " + JsonNumber(p.cl);
        const auto now = std::chrono::steady_clock::now();
        if (p.ux && p.uy &&
            (!fieldSent_ || now - lastField_ >= std::chrono::duration<double>(kFieldSeconds))) {
            lastField_ = now;
            fieldSent_ = true;
            AppendField(line, p);
        }
        line += "}\n";
        Write(line);
    }
    void SetGrid(int gx, int gy, int gz)
    {
        gx_ = gx;
        gy_ = gy;
        gz_ = gz;
    }
    static void Write(const std::string& line)
    {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

private:
    // Node centres of a coarser grid, each taking the value of the fine node it
    // falls in; in three dimensions at most kMaxSide3 nodes a side, with uz and
    // the obstacle nodes.
    void AppendField(std::string& line, const lbm::Progress& p) const
    {
        const bool three = gz_ > 1;
        const std::size_t n = std::size_t(gx_) * std::size_t(gy_) * std::size_t(std::max(gz_, 1));
        if (gx_ <= 0 || gy_ <= 0 || p.ux->size() != n || p.uy->size() != n ||
            (three && (!p.uz || p.uz->size() != n)) || !(lidSpeed_ != 0))
            return;
        const int side = three ? kMaxSide3 : kMaxSide;
        const int nx = std::min(gx_, side), ny = std::min(gy_, side), nz = three ? std::min(gz_, side) : 1;
        const bool solid = three && p.solid && p.solid->size() == n;
        std::string u[3] = {"[", "[", "["}, obstacle = "\"";
        const std::vector<double>* values[3] = {p.ux, p.uy, p.uz};
        bool first = true;
        for (int k = 0; k < nz; ++k) {
            const std::size_t plane = std::size_t((k + 0.5) * gz_ / nz) * std::size_t(gy_);
            for (int j = 0; j < ny; ++j) {
                const std::size_t row = (plane + std::size_t((j + 0.5) * gy_ / ny)) * std::size_t(gx_);
                for (int i = 0; i < nx; ++i) {
                    const std::size_t at = row + std::size_t((i + 0.5) * gx_ / nx);
                    for (int c = 0; c < (three ? 3 : 2); ++c) {
                        const double value = (*values[c])[at];
                        char text[64];
                        std::snprintf(text, sizeof text, "%s%.5g", first ? "" : ", ",
                                      std::isfinite(value) ? value / lidSpeed_ : 0.0);
                        u[c] += text;
                    }
                    if (solid)
                        obstacle += (*p.solid)[at] ? '1' : '0';
                    first = false;
                }
            }
        }
        line += ", \"field\": {\"nx\": " + std::to_string(nx) + ", \"ny\": " + std::to_string(ny);
        if (three)
            line += ", \"nz\": " + std::to_string(nz);
        line += ", \"ux\": " + u[0] + "], \"uy\": " + u[1] + "]";
        if (three)
            line += ", \"uz\": " + u[2] + "]";
        if (solid)
            line += ", \"obstacle\": " + obstacle + "\"";
        line += "}";
    }

    double lidSpeed_;
    int gx_ = 0;
    int gy_ = 0;
    int gz_ = 1;
    bool fieldSent_ = false;
    std::chrono::steady_clock::time_point lastField_;
};

// The last line of a JSON run: how it ended.
void WriteJsonEnd(const char* status, const std::string& message, int code, const lbm::RunResult* result);

} // namespace corvanelbm
