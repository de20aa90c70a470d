// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshImportProcess.h"

#include "MeshImportWire.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace meshio {
namespace {

using Clock = std::chrono::steady_clock;

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() { Close(); }
    void Close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

QString SecondsText(double seconds) { return QString::number(seconds, 'g', 3); }

QString SignalName(int signal)
{
    const char* abbrev = sigabbrev_np(signal);
    return abbrev ? QStringLiteral("SIG") + QLatin1String(abbrev) : QString::number(signal);
}

// Milliseconds until the deadline, at least 0.
int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left + 1, 60 * 60 * 1000));
}

} // namespace

bool ReplyBuffer::Allocate(std::size_t size)
{
    Release();
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return false;
    // In huge pages where the system has them, and filled in one call.
    ::madvise(p, size, MADV_HUGEPAGE);
    ::madvise(p, size, MADV_POPULATE_WRITE);
    FData = static_cast<char*>(p);
    FSize = size;
    return true;
}

void ReplyBuffer::Release()
{
    if (FData)
        ::munmap(FData, FSize);
    FData = nullptr;
    FSize = 0;
}

HelperRun RunHelper(const QString& program, const QStringList& arguments, double seconds,
                    std::size_t maxReply)
{
    HelperRun run;
    const auto deadline = Clock::now() + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        run.startError = QString::fromLocal8Bit(std::strerror(errno));
        return run;
    }
    Fd readEnd{fds[0]}, writeEnd{fds[1]};
    // Large replies pass in large steps.
    ::fcntl(readEnd.fd, F_SETPIPE_SZ, 1 << 20);

    std::vector<QByteArray> argumentBytes{QFile::encodeName(program)};
    for (const QString& a : arguments)
        argumentBytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argumentBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The helper is a fresh process: every page the library fills would cost
    // it a fault. Its allocations go to huge pages where the system has them.
    std::vector<std::string> environment;
    std::string tunables = "GLIBC_TUNABLES=glibc.malloc.hugetlb=1";
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "GLIBC_TUNABLES=", 15) == 0)
            tunables += std::string(":") + (*e + 15);
        else
            environment.emplace_back(*e);
    }
    environment.push_back(tunables);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    writeEnd.Close();
    if (spawned != 0) {
        run.startError = QString::fromLocal8Bit(std::strerror(spawned));
        return run;
    }

    // Reads until the end of the output; false when the helper is to be
    // stopped (failure then says why).
    char header[meshwire::kHeaderBytes];
    std::size_t got = 0;
    std::uint64_t expected = 0;
    bool timedOut = false;
    QString malformed;
    auto readReply = [&] {
        for (;;) {
            pollfd p{readEnd.fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, MillisecondsLeft(deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                timedOut = true;
                return;
            }
            char* into;
            std::size_t room;
            char extra[256];
            if (got < sizeof header) {
                into = header + got;
                room = sizeof header - got;
            } else if (got < expected) {
                into = run.reply.Data() + got;
                room = static_cast<std::size_t>(expected - got);
            } else {
                into = extra;
                room = sizeof extra;
            }
            const ssize_t n = ::read(readEnd.fd, into, room);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return; // the end (or a broken pipe: the exit status tells)
            if (into == extra) {
                malformed = QStringLiteral("more than the reply announced");
                return;
            }
            got += static_cast<std::size_t>(n);
            if (got == sizeof header && expected == 0) {
                expected = meshwire::AnnouncedSize(header);
                if (expected < sizeof header) {
                    malformed = QStringLiteral("no reply header");
                    return;
                }
                if (expected > maxReply) {
                    malformed = QStringLiteral("a reply larger than the memory limit");
                    return;
                }
                if (!run.reply.Allocate(static_cast<std::size_t>(expected))) {
                    run.tooLarge = true;
                    return;
                }
                std::memcpy(run.reply.Data(), header, sizeof header);
            }
        }
    };
    readReply();
    if (timedOut || !malformed.isEmpty() || run.tooLarge)
        ::kill(-pid, SIGKILL);

    // Its end, without reaping it yet, so that whatever it started in its
    // group can still be found and stopped.
    siginfo_t info{};
    for (;;) {
        info.si_pid = 0;
        const int r = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || info.si_pid == pid)
            break;
        if (MillisecondsLeft(deadline) == 0) {
            timedOut = true;
            ::kill(-pid, SIGKILL);
            continue;
        }
        ::usleep(200);
    }
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    if (timedOut)
        run.failure = QStringLiteral("took longer than %1 s").arg(SecondsText(seconds));
    else if (run.tooLarge)
        run.failure = QStringLiteral("there was no memory for its reply");
    else if (!malformed.isEmpty())
        run.failure = QStringLiteral("sent malformed data: %1").arg(malformed);
    else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) // its own processor time limit
        run.failure = QStringLiteral("took longer than %1 s").arg(SecondsText(seconds));
    else if (WIFSIGNALED(status))
        run.failure = QStringLiteral("killed by signal %1").arg(SignalName(WTERMSIG(status)));
    else if (WIFEXITED(status) && WEXITSTATUS(status) == meshwire::kExitOutOfMemory)
        run.failure = QStringLiteral("ran out of memory");
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        run.failure = QStringLiteral("stopped with status %1").arg(WEXITSTATUS(status));
    else if (got == 0)
        run.failure = QStringLiteral("sent nothing");
    else if (got < expected || got < sizeof header)
        run.failure = QStringLiteral("sent malformed data: a reply cut off");
    else
        run.size = got;
    if (!run.failure.isEmpty())
        run.reply.Release();
    return run;
}

} // namespace meshio
