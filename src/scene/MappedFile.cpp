#include "MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

MappedFile::~MappedFile() { Close(); }

void MappedFile::Close()
{
    if (FMapped)
        munmap(const_cast<char*>(FData), FSize);
    FData = nullptr;
    FSize = 0;
    FMapped = false;
}

bool MappedFile::Open(const std::string& path)
{
    Close();
    // Non-blocking, so that a FIFO cannot hold the program up before the check below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_size > 0) {
        void* data = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (data == MAP_FAILED) {
            ok = false;
        } else {
            FData = static_cast<const char*>(data);
            FSize = static_cast<std::size_t>(st.st_size);
            FMapped = true;
            madvise(data, FSize, MADV_SEQUENTIAL);
        }
    }
    ::close(fd);
    return ok;
}
