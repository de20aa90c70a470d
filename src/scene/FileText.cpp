// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileText.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::function<void(const std::string&)>& OpenHook()
{
    static std::function<void(const std::string&)> hook;
    return hook;
}

// Fresh memory is slow to touch page by page; large copies go to memory
// aligned for, and advised to use, huge pages.
constexpr std::size_t kHugePage = std::size_t(2) << 20;

const char* KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a file of data";
}

// The checks on what stat found: a regular file within the bound.
bool Acceptable(const std::string& path, const struct stat& st, std::uint64_t maxBytes, std::string& problem)
{
    if (!S_ISREG(st.st_mode)) {
        problem = path + " is not a regular file (it is " + KindOf(st.st_mode) + ")";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        problem = path + " is too large to read: " + std::to_string(st.st_size) + " bytes, more than " +
                  std::to_string(maxBytes);
        return false;
    }
    return true;
}

} // namespace

int OpenRegularFile(const std::string& path, std::uint64_t maxBytes, std::uint64_t& size,
                    std::string& problem)
{
    // Looked at before it is opened, so that a device is never opened at all.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        problem = "Could not open " + path + ": " + std::strerror(errno);
        return -1;
    }
    if (!Acceptable(path, st, maxBytes, problem))
        return -1;
    // Non-blocking, so that a named pipe put in its place meanwhile cannot
    // hold the program up before the check on the descriptor.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = "Could not open " + path + ": " + std::strerror(errno);
        return -1;
    }
    if (fstat(fd, &st) != 0 || !Acceptable(path, st, maxBytes, problem)) {
        if (problem.empty())
            problem = "Could not open " + path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    // Reads of a regular file never block; clearing the flag keeps the
    // descriptor ordinary for whoever reads it.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

void FileText::SetOpenHookForTesting(std::function<void(const std::string&)> hook)
{
    OpenHook() = std::move(hook);
}

void FileText::RunOpenHookForTesting(const std::string& path)
{
    if (OpenHook())
        OpenHook()(path);
}

FileText::~FileText() { Close(); }

void FileText::Close()
{
    if (FMapped)
        munmap(FData, FMapped);
    FData = nullptr;
    FSize = 0;
    FMapped = 0;
}

bool FileText::Open(const std::string& path)
{
    Close();
    // Non-blocking, so that a FIFO cannot hold the program up before the check below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && OpenHook())
        OpenHook()(path);
    if (ok && st.st_size > 0) {
        const auto size = static_cast<std::size_t>(st.st_size);
        // A large file gets room for its size rounded up to whole huge pages,
        // plus one huge page to align the start.
        const bool huge = size >= kHugePage;
        const std::size_t rounded = huge ? (size + kHugePage - 1) / kHugePage * kHugePage : size;
        const std::size_t mapped = huge ? rounded + kHugePage : rounded;
        void* memory = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            ok = false;
        } else {
            char* data = static_cast<char*>(memory);
            if (huge) {
                // Give back the unaligned head and the tail beyond the rounded size.
                const std::size_t head =
                    (kHugePage - reinterpret_cast<std::uintptr_t>(data) % kHugePage) % kHugePage;
                if (head)
                    munmap(data, head);
                data += head;
                munmap(data + rounded, kHugePage - head);
                madvise(data, rounded, MADV_HUGEPAGE);
            }
            FData = data;
            FMapped = rounded;
            posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            while (FSize < size) {
                const ssize_t got = ::read(fd, FData + FSize, size - FSize);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0)
                    ok = false;
                if (got <= 0)
                    break; // an error, or the file got shorter since it was opened
                FSize += static_cast<std::size_t>(got);
            }
        }
    }
    ::close(fd);
    if (!ok)
        Close();
    return ok;
}
