// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Opens path for reading when it is a regular file of at most maxBytes bytes,
// without ever blocking on the way: a named pipe, a device or a directory is
// refused before anything reads from it (and checked again on the open
// descriptor, in case the path was swapped in between). Returns the
// descriptor (close-on-exec; the caller closes it) and sets size; -1 with a
// sentence naming the file in problem otherwise.
int OpenRegularFile(const std::string& path, std::uint64_t maxBytes, std::uint64_t& size,
                    std::string& problem);

// The bytes of a regular file, read into memory with ordinary reads. A copy
// of its own, so that a file another program shortens or rewrites while it is
// being parsed only changes what is parsed, never the memory under the parser
// (a memory map of the file would fault on the lost pages). Anything but a
// regular file (a FIFO, a device, a directory) is refused, so that reading
// can never block or go on forever.
class FileText {
public:
    FileText() = default;
    ~FileText();
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;

    // Reads the file whole: at most the size it had when opened, less when
    // it is shortened meanwhile. False when it cannot be opened or read.
    bool Open(const std::string& path);
    std::string_view Text() const { return {FData, FSize}; }

    // Called with the path after the file is open and its size known, before
    // its bytes are read (tests use it to change the file at that moment).
    // The mesh reader's sources call it as they open a file.
    static void SetOpenHookForTesting(std::function<void(const std::string&)> hook);
    static void RunOpenHookForTesting(const std::string& path);

private:
    void Close();

    char* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FMapped = 0; // bytes of the anonymous mapping that holds the copy
};
