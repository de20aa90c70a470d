// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running the import helper: a child process with its own limits whose
// reply is read through a pipe, and which is stopped when it takes too long
// or sends too much.

#include <QString>
#include <QStringList>

#include <cstddef>

namespace meshio {

// Memory for a reply, mapped whole at once: a large reply then costs one
// call rather than a fault for every page it fills.
class ReplyBuffer {
public:
    ReplyBuffer() = default;
    ReplyBuffer(ReplyBuffer&& other) noexcept : FData(other.FData), FSize(other.FSize)
    {
        other.FData = nullptr;
        other.FSize = 0;
    }
    ReplyBuffer& operator=(ReplyBuffer&&) = delete;
    ~ReplyBuffer() { Release(); }
    bool Allocate(std::size_t size); // false when the memory is not there
    void Release();
    char* Data() const { return FData; }

private:
    char* FData = nullptr;
    std::size_t FSize = 0;
};

struct HelperRun {
    QString startError;    // set when the helper could not be started
    QString failure;       // set when it did not end well: what happened to it
    bool tooLarge = false; // set when there was no memory for its reply
    ReplyBuffer reply;     // what it sent, when it ended well
    std::size_t size = 0;
};

// Starts program with the arguments in a process group of its own (standard
// input and error on /dev/null, output into a pipe), reads its reply, which
// must announce its own length and may be no longer than maxReply, and waits
// for its end. Past the deadline of seconds, or on a reply too long or of
// the wrong form, the helper and everything it started are killed.
HelperRun RunHelper(const QString& program, const QStringList& arguments, double seconds,
                    std::size_t maxReply);

} // namespace meshio
