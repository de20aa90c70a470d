#pragma once

#include <string>
#include <string_view>

// A regular file mapped read-only into memory, for parsing it as one piece of
// text without copying it. Anything but a regular file (a FIFO, a device, a
// directory) is refused, so that opening can never block or read forever.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool Open(const std::string& path);
    std::string_view Text() const { return {FData, FSize}; }

private:
    void Close();

    const char* FData = nullptr;
    std::size_t FSize = 0;
    bool FMapped = false;
};
