// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Keeps a test from hanging on a reader that blocks on a named pipe: when
// Stop() has not come within the time, the pipes are opened for writing and
// closed again, which lets a blocked open() and read() return, and Blocked()
// says so.
class FifoWatchdog {
public:
    explicit FifoWatchdog(std::vector<std::string> fifos,
                          std::chrono::seconds patience = std::chrono::seconds(10))
        : FThread([this, fifos = std::move(fifos), patience]() mutable {
              std::unique_lock<std::mutex> lock(FMutex);
              while (!FCondition.wait_for(lock, patience, [this] { return FStopped; })) {
                  FBlocked = true;
                  for (const std::string& fifo : fifos) {
                      const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                      if (fd >= 0)
                          ::close(fd);
                  }
                  patience = std::chrono::seconds(1);
              }
          })
    {
    }
    ~FifoWatchdog() { Stop(); }
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;

    // Returns whether the pipes had to be unblocked.
    bool Stop()
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FStopped = true;
        }
        FCondition.notify_all();
        if (FThread.joinable())
            FThread.join();
        return FBlocked;
    }

private:
    std::mutex FMutex;
    std::condition_variable FCondition;
    bool FStopped = false;
    bool FBlocked = false;
    std::thread FThread;
};
