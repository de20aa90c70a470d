// SPDX-License-Identifier: GPL-3.0-or-later
#include "SafeFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {

namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name no other writer of this process or any other picks at the same time.
std::string TemporaryName(const std::string& target, unsigned attempt)
{
    static std::atomic<unsigned long> counter{0};
    const auto ticks =
        static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xffffff);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%lu-%lx-%u", static_cast<long>(getpid()),
                  counter.fetch_add(1), ticks, attempt);
    std::string folder = FolderOf(target);
    if (folder != "/")
        folder += '/';
    return folder + "." + NameOf(target) + suffix;
}

} // namespace

std::string ReasonOf(int error)
{
    char buffer[256];
    // The GNU strerror_r returns the text (possibly not in buffer).
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text && *text ? std::string(text) : "error " + std::to_string(error);
}

Writer::Writer(std::string path) : path_(std::move(path)) {}

Writer::~Writer()
{
    if (!committed_)
        Discard();
}

std::string Writer::Error() const { return "Could not write " + path_ + ": " + reason_; }

bool Writer::Fail(int error) { return Fail(ReasonOf(error ? error : EIO)); }

bool Writer::Fail(const std::string& reason)
{
    if (reason_.empty())
        reason_ = reason;
    Discard();
    return false;
}

bool Writer::Open()
{
    if (fd_ >= 0 || committed_ || Failed())
        return !Failed() && fd_ >= 0;
    if (path_.empty())
        return Fail("no file name was given");
    target_ = path_;
    // Replace the file a symbolic link names, not the link.
    struct stat link;
    if (lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path_.c_str(), resolved))
            target_ = resolved;
    }
    struct stat info;
    const bool exists = stat(target_.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        return Fail(EISDIR);
    if (exists && !S_ISREG(info.st_mode))
        return Fail("it is not a regular file");
    for (unsigned attempt = 0; fd_ < 0; ++attempt) {
        temp_ = TemporaryName(target_, attempt);
        // 0666 under the umask: the permissions any new file gets.
        fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt > 100)) {
            const int error = errno;
            temp_.clear();
            return Fail(error);
        }
    }
    if (exists) {
        // The replacement keeps the old file's permissions (and, where we
        // may, its owner).
        if (geteuid() == 0 && (info.st_uid != 0 || info.st_gid != 0))
            (void)!fchown(fd_, info.st_uid, info.st_gid);
        if (fchmod(fd_, info.st_mode & 07777) != 0)
            return Fail(errno);
    }
    return true;
}

bool Writer::WriteAll(const char* bytes, std::size_t size, int& error)
{
    while (size > 0) {
        const ssize_t n = ::write(fd_, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

bool Writer::Write(const void* data, std::size_t size)
{
    if (Failed() || fd_ < 0)
        return Fail(EBADF);
    if (stream_) {
        if (size != 0 && std::fwrite(data, 1, size, stream_) != size)
            return Fail(streamError_ ? streamError_ : errno);
        return true;
    }
    int error = 0;
    return WriteAll(static_cast<const char*>(data), size, error) || Fail(error);
}

// The stream's buffer goes out through the same checked writes, and the
// first failure's reason is kept: stdio itself only remembers that one
// happened.
struct Writer::StreamCalls {
    static ssize_t Write(void* cookie, const char* bytes, std::size_t size)
    {
        auto* writer = static_cast<Writer*>(cookie);
        int error = 0;
        if (writer->WriteAll(bytes, size, error))
            return ssize_t(size);
        if (!writer->streamError_)
            writer->streamError_ = error;
        errno = error;
        return -1;
    }
    static int Seek(void* cookie, off64_t* offset, int whence)
    {
        const off_t at = lseek(static_cast<Writer*>(cookie)->fd_, off_t(*offset), whence);
        if (at < 0)
            return -1;
        *offset = at;
        return 0;
    }
    static int Close(void*) { return 0; } // the writer closes the file itself
};

std::FILE* Writer::Stream()
{
    if (Failed() || fd_ < 0)
        return nullptr;
    if (!stream_) {
        stream_ =
            fopencookie(this, "wb", {nullptr, &StreamCalls::Write, &StreamCalls::Seek, &StreamCalls::Close});
        if (!stream_) {
            Fail(errno);
            return nullptr;
        }
    }
    return stream_;
}

bool Writer::Restart()
{
    if (Failed() || fd_ < 0)
        return Fail(EBADF);
    if (stream_ && (std::fflush(stream_) != 0 || streamError_))
        return Fail(streamError_ ? streamError_ : errno);
    if (ftruncate(fd_, 0) != 0)
        return Fail(errno);
    if (stream_)
        std::rewind(stream_);
    else if (lseek(fd_, 0, SEEK_SET) != 0)
        return Fail(errno);
    return true;
}

bool Writer::Commit()
{
    if (committed_)
        return true;
    if (Failed() || fd_ < 0)
        return Fail(EBADF);
    if (stream_) {
        // An earlier buffered write may have failed: its data is lost.
        if (std::fflush(stream_) != 0 || std::ferror(stream_) || streamError_)
            return Fail(streamError_ ? streamError_ : errno);
        std::fclose(stream_);
        stream_ = nullptr;
    }
    // The data must be on the disk before the name points at it, or a crash
    // soon after the rename can leave an empty file where the old one was.
    if (fsync(fd_) != 0 && errno != EINVAL)
        return Fail(errno);
    // Some file systems report write errors only when the file is closed.
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        return Fail(errno);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0)
        return Fail(errno);
    temp_.clear();
    committed_ = true;
    // And the new name on the disk too (best effort: not every file system
    // syncs folders).
    const int folder = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)fsync(folder);
        ::close(folder);
    }
    return true;
}

void Writer::Discard()
{
    if (stream_) {
        // Closing flushes what is buffered: nothing of it may reach the file.
        const int fd = fd_;
        fd_ = -1;
        std::fclose(stream_);
        stream_ = nullptr;
        fd_ = fd;
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        unlink(temp_.c_str());
    temp_.clear();
}

std::string WriteWhole(const std::string& path, std::string_view bytes)
{
    Writer file(path);
    if (file.Open() && file.Write(bytes) && file.Commit())
        return {};
    return file.Reason();
}

} // namespace safefile
