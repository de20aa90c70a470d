// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writing a file whole or not at all. Every file the program writes goes
// through here.
//
//   safefile::Writer file(path);
//   if (!file.Open() || !file.Write(text) || !file.Commit())
//       report(file.Error()); // "Could not write PATH: No space left on device"
//
// The data goes into a hidden temporary file beside the target. Commit checks
// every write and the final flush, syncs the data to the disk, gives the file
// the target's permissions (a new file gets the usual ones under the umask)
// and only then renames it over the target. On any failure, and when a writer
// is destroyed without a commit, the temporary file is removed and the target
// keeps every byte it had. Libraries that write through stdio get a FILE*
// (Stream()), whose errors Commit checks as well.
//
// Plain C++ and POSIX: the solver uses it as well as the window's layers
// (SafeFileQt.h adds QString and QByteArray forms).

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace safefile {

class Writer {
public:
    explicit Writer(std::string path);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Creates the temporary file; false (with Reason()) when the folder
    // cannot take it or the target is not a regular file.
    bool Open();
    // Appends bytes; false once anything failed.
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // The temporary file as a stdio stream, for code that writes through
    // FILE*; null after a failure. Owned by the writer: do not close it.
    std::FILE* Stream();
    // Empties the temporary file to start again from nothing.
    bool Restart();
    // Flushes, syncs and renames; true only when the target now holds
    // exactly what was written.
    bool Commit();
    // Gives up: removes the temporary file, leaves the target alone.
    void Discard();

    const std::string& Path() const { return path_; }
    const std::string& TemporaryPath() const { return temp_; }
    bool Failed() const { return !reason_.empty(); }
    // Why it failed, in the system's words ("No space left on device").
    const std::string& Reason() const { return reason_; }
    // "Could not write PATH: REASON"
    std::string Error() const;

private:
    struct StreamCalls;
    bool Fail(int error);
    bool Fail(const std::string& reason);
    bool WriteAll(const char* bytes, std::size_t size, int& error);

    std::string path_;   // as given
    std::string target_; // what is replaced: the file a symbolic link names
    std::string temp_;
    std::string reason_;
    int fd_ = -1;
    std::FILE* stream_ = nullptr;
    int streamError_ = 0; // the first failed write through stream_
    bool committed_ = false;
};

// Writes bytes to path whole or not at all. Returns an empty string, or the
// reason it could not ("No space left on device").
std::string WriteWhole(const std::string& path, std::string_view bytes);

// The system's words for an error number, as a sentence's clause
// ("No space left on device").
std::string ReasonOf(int error);

} // namespace safefile
