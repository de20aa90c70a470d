#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

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
    static void SetOpenHookForTesting(std::function<void(const std::string&)> hook);

private:
    void Close();

    char* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FMapped = 0; // bytes of the anonymous mapping that holds the copy
};
