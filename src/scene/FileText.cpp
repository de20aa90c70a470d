#include "FileText.h"

#include <cerrno>
#include <cstdint>
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

} // namespace

void FileText::SetOpenHookForTesting(std::function<void(const std::string&)> hook)
{
    OpenHook() = std::move(hook);
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
