// SPDX-License-Identifier: GPL-3.0-or-later
#include "MpiCommunicator.h"

#include <mpi.h>

#include <cstdlib>
#include <stdexcept>

namespace lbm {

bool MpiCommunicator::LaunchedByMpi()
{
    for (const char* name : {"OMPI_COMM_WORLD_SIZE", "PMI_SIZE", "PMIX_RANK"})
        if (std::getenv(name))
            return true;
    return false;
}

MpiCommunicator::MpiCommunicator(int* argc, char*** argv)
{
    MPI_Init(argc, argv);
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
}

MpiCommunicator::~MpiCommunicator() { MPI_Finalize(); }

void MpiCommunicator::ExchangeHalo(const void* toBelow, void* fromBelow, const void* toAbove, void* fromAbove,
                                   std::size_t bytes)
{
    if (bytes > std::size_t(INT32_MAX))
        throw std::length_error("halo row too large for one message");
    const int below = rank_ > 0 ? rank_ - 1 : MPI_PROC_NULL;
    const int above = rank_ + 1 < size_ ? rank_ + 1 : MPI_PROC_NULL;
    const int count = int(bytes);
    // Upward first (send to above, receive from below), then downward.
    MPI_Sendrecv(toAbove, count, MPI_BYTE, above, 1, fromBelow, count, MPI_BYTE, below, 1, MPI_COMM_WORLD,
                 MPI_STATUS_IGNORE);
    MPI_Sendrecv(toBelow, count, MPI_BYTE, below, 2, fromAbove, count, MPI_BYTE, above, 2, MPI_COMM_WORLD,
                 MPI_STATUS_IGNORE);
}

double MpiCommunicator::Max(double value)
{
    double result = value;
    MPI_Allreduce(&value, &result, 1, MPI_DOUBLE, MPI_MAX, MPI_COMM_WORLD);
    return result;
}

double MpiCommunicator::Sum(double value)
{
    double result = value;
    MPI_Allreduce(&value, &result, 1, MPI_DOUBLE, MPI_SUM, MPI_COMM_WORLD);
    return result;
}

void MpiCommunicator::Gather(const std::vector<double>& mine, std::vector<double>& all)
{
    const int count = int(mine.size());
    std::vector<int> counts(rank_ == 0 ? size_ : 0), offsets(rank_ == 0 ? size_ : 0);
    MPI_Gather(&count, 1, MPI_INT, counts.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
    all.clear();
    if (rank_ == 0) {
        long long total = 0;
        for (int r = 0; r < size_; ++r) {
            offsets[r] = int(total);
            total += counts[r];
        }
        if (total > INT32_MAX)
            throw std::length_error("field too large to gather");
        all.resize(std::size_t(total));
    }
    MPI_Gatherv(mine.data(), count, MPI_DOUBLE, all.data(), counts.data(), offsets.data(), MPI_DOUBLE, 0,
                MPI_COMM_WORLD);
}

std::int64_t MpiCommunicator::Broadcast(std::int64_t value)
{
    long long v = value;
    MPI_Bcast(&v, 1, MPI_LONG_LONG, 0, MPI_COMM_WORLD);
    return v;
}

} // namespace lbm
