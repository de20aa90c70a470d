// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A folder whose file system has only so much room left, for testing what a
// writer does when the disk fills up. Plain C++ (the solver's tests use it).
//
//   FullDisk disk;
//   write the old file into disk.Folder() ...
//   std::string outcome = disk.WithRoom(0, [&] { return SaveSomething(); });
//
// As root it mounts a small tmpfs of its own on a fresh folder and, for each
// WithRoom, fills it with a filler file so that only `room` bytes (rounded to
// pages) are left; `write` runs in this process. Where mounting is not
// allowed (or CORVANE_FULL_DISK=rlimit), the folder is an ordinary one and
// `write` runs in a forked child with RLIMIT_FSIZE = room and SIGXFSZ
// ignored, so that no file can grow beyond `room` bytes: the writes fail with
// "File too large" instead of "No space left on device". Either way what
// `write` returns comes back as a string.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class FullDisk {
public:
    enum class Method { Best, FileSizeLimit };

    explicit FullDisk(Method method = Method::Best, std::size_t bytes = 2 << 20)
    {
        char pattern[] = "/tmp/corvane-fulldisk-XXXXXX";
        if (!mkdtemp(pattern))
            return;
        folder_ = pattern;
        const char* forced = std::getenv("CORVANE_FULL_DISK");
        const bool mayMount = method == Method::Best && !(forced && std::string(forced) == "rlimit");
        if (mayMount && geteuid() == 0) {
            const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
            mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
        }
    }
    ~FullDisk()
    {
        if (folder_.empty())
            return;
        Clear(folder_);
        if (mounted_)
            umount2(folder_.c_str(), MNT_DETACH);
        rmdir(folder_.c_str());
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    const std::string& Folder() const { return folder_; }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    bool Mounted() const { return mounted_; }
    const char* How() const { return mounted_ ? "a full tmpfs" : "RLIMIT_FSIZE"; }
    // What the system says when a write does not fit.
    std::string Reason() const { return std::strerror(mounted_ ? ENOSPC : EFBIG); }

    std::string WithRoom(std::size_t room, const std::function<std::string()>& write)
    {
        return mounted_ ? OnFullTmpfs(room, write) : UnderFileSizeLimit(room, write);
    }

    // The names in the folder (no "." and "..").
    std::vector<std::string> Names() const { return NamesIn(folder_); }

    static std::vector<std::string> NamesIn(const std::string& folder)
    {
        std::vector<std::string> names;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            closedir(dir);
        }
        return names;
    }

private:
    static constexpr const char* kFiller = ".filler";

    std::string OnFullTmpfs(std::size_t room, const std::function<std::string()>& write)
    {
        const std::string filler = Path(kFiller);
        const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return "cannot make the filler file";
        static const std::vector<char> chunk(1 << 16, 'f');
        off_t size = 0;
        for (std::size_t piece : {chunk.size(), std::size_t(4096), std::size_t(1)}) {
            for (;;) {
                const ssize_t n = ::write(fd, chunk.data(), piece);
                if (n <= 0)
                    break;
                size += n;
            }
        }
        if (room > 0 && ftruncate(fd, size > off_t(room) ? size - off_t(room) : 0) != 0) {
            close(fd);
            return "cannot free room in the filler file";
        }
        close(fd);
        std::string outcome = write();
        unlink(filler.c_str());
        return outcome;
    }

    static std::string UnderFileSizeLimit(std::size_t room, const std::function<std::string()>& write)
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return "cannot make a pipe";
        const pid_t child = fork();
        if (child < 0)
            return "cannot fork";
        if (child == 0) {
            close(pipeFds[0]);
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = room;
            setrlimit(RLIMIT_FSIZE, &limit);
            const std::string outcome = write();
            for (std::size_t done = 0; done < outcome.size();) {
                const ssize_t n = ::write(pipeFds[1], outcome.data() + done, outcome.size() - done);
                if (n <= 0)
                    break;
                done += std::size_t(n);
            }
            _exit(0);
        }
        close(pipeFds[1]);
        std::string outcome;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            outcome.append(buffer, std::size_t(n));
        }
        close(pipeFds[0]);
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status))
            return "the writing child died of signal " + std::to_string(WTERMSIG(status));
        return outcome;
    }

    static void Clear(const std::string& folder)
    {
        for (const std::string& name : NamesIn(folder)) {
            const std::string path = folder + "/" + name;
            struct stat info;
            if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                Clear(path);
                rmdir(path.c_str());
            } else {
                unlink(path.c_str());
            }
        }
    }

    std::string folder_;
    bool mounted_ = false;
};
