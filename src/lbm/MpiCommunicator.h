// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The solver's communicator over MPI_COMM_WORLD. Only the command-line tool
// links it; the solver library itself needs no MPI.

#include "Communicator.h"

namespace lbm {

class MpiCommunicator final : public Communicator {
public:
    // True when this process was started by mpirun (or another MPI launcher).
    static bool LaunchedByMpi();

    // Initialises MPI; finalises it on destruction.
    MpiCommunicator(int* argc, char*** argv);
    ~MpiCommunicator() override;
    MpiCommunicator(const MpiCommunicator&) = delete;
    MpiCommunicator& operator=(const MpiCommunicator&) = delete;

    int Rank() const override { return rank_; }
    int Size() const override { return size_; }
    void ExchangeHalo(const void* toBelow, void* fromBelow, const void* toAbove, void* fromAbove,
                      std::size_t bytes) override;
    double Max(double value) override;
    double Sum(double value) override;
    void Gather(const std::vector<double>& mine, std::vector<double>& all) override;
    std::int64_t Broadcast(std::int64_t value) override;

private:
    int rank_ = 0;
    int size_ = 1;
};

} // namespace lbm
