// SPDX-License-Identifier: GPL-3.0-or-later
// The import helper: reads one mesh file through the asset import library
// and writes the meshes (or the reason it could not) to its standard output
// as a reply the program decodes (MeshImportWire.h). The program starts it
// for every mesh file it imports, so that a file that crashes, hangs or
// exhausts the library ends this process, never the program.
//   corvane-import --memory BYTES --address-space BYTES --seconds N -- FILE
// --memory caps the bytes of the files read and the meshes made from them,
// --address-space and --seconds are the limits this process sets itself.
#include "MeshImportReader.h"
#include "MeshImportWire.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define CORVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef CORVANE_ADDRESS_SANITIZER
// The sanitizer's own limits stand in for the address-space limit: a larger
// allocation or more memory ends the helper with the sanitizer's report.
extern "C" const char* __asan_default_options()
{
    return "max_allocation_size_mb=1024:hard_rss_limit_mb=2048";
}
#endif

namespace {

int Usage()
{
    std::fputs("Usage: corvane-import --memory BYTES --address-space BYTES --seconds N -- FILE\n"
               "Reads a mesh file for the corvane program and writes what it read to standard output.\n",
               stderr);
    return 2;
}

bool Number(const char* text, unsigned long long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

void Limit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    ::setrlimit(resource, &limit);
}

// Writes all of the bytes to fd; ends the process when it cannot.
void WriteAll(int fd, const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(4);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

} // namespace

int main(int argc, char** argv)
{
    unsigned long long memory = 0, addressSpace = 0, seconds = 0;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--" && i + 2 == argc) {
            file = argv[i + 1];
            break;
        }
        if (i + 1 >= argc)
            return Usage();
        unsigned long long* into = a == "--memory"          ? &memory
                                   : a == "--address-space" ? &addressSpace
                                   : a == "--seconds"       ? &seconds
                                                            : nullptr;
        if (!into || !Number(argv[++i], *into))
            return Usage();
    }
    if (!file || memory == 0 || addressSpace == 0 || seconds == 0)
        return Usage();

    // Ends with the program, dumps no core, and keeps to its limits. (The
    // address sanitizer reserves far more address space than any limit
    // would allow: its builds rely on the sanitizer's own allocation checks.)
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    Limit(RLIMIT_CORE, 0, 0);
    Limit(RLIMIT_CPU, seconds, seconds + 1);
#ifndef CORVANE_ADDRESS_SANITIZER
    Limit(RLIMIT_AS, addressSpace, addressSpace);
#endif
    std::set_new_handler([] { ::_exit(meshwire::kExitOutOfMemory); });

    // The reply goes to the output as it was given; whatever the library
    // itself prints goes nowhere.
    const int out = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (out < 0 || null < 0 || ::dup2(null, 1) < 0)
        return 4;

    const meshio::LibraryRead read = meshio::ReadThroughLibrary(file, static_cast<std::size_t>(memory));
    const meshwire::Sink put = [out](const void* data, std::size_t size) { WriteAll(out, data, size); };
    if (read.reason.empty())
        meshwire::EncodeMeshes(read.meshes, put);
    else
        meshwire::EncodeFailure(read.reason, put);
    // The reply is out: the program reads its end at once, while the meshes
    // are left for the system to take apart.
    ::close(out);
    ::_exit(0);
}
