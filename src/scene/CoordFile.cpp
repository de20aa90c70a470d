// SPDX-License-Identifier: GPL-3.0-or-later
#include "CoordFile.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sys/mman.h>
#include <sys/sysinfo.h>
#include <system_error>
#include <thread>

namespace coordfile {
namespace {

constexpr std::int64_t kSaturated = std::int64_t(1) << 40; // beyond every 32-bit value

// The smallest vertex record, "1,0,0,0", has seven characters.
constexpr std::size_t kMinVertexRecord = 7;

// Reads the text the way the C library's formatted input does.
class Scanner {
public:
    explicit Scanner(std::string_view text) : FPos(text.data()), FEnd(text.data() + text.size()) {}

    const char* Pos() const { return FPos; }
    void SetPos(const char* pos) { FPos = pos; }

    // "%d": white space, an optional sign, then at least one digit. Values
    // beyond the 32-bit range read as a value that is out of range too.
    bool ReadInt(std::int64_t& value)
    {
        SkipSpace();
        const char* p = FPos;
        bool negative = false;
        if (p < FEnd && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
        if (p == FEnd || !IsDigit(*p))
            return false;
        std::int64_t v = 0;
        for (; p < FEnd && IsDigit(*p); ++p)
            v = std::min(v * 10 + (*p - '0'), kSaturated);
        value = negative ? -v : v;
        FPos = p;
        return true;
    }

    // "%f": white space, then a decimal floating-point number, "inf" or "nan".
    bool ReadFloat(float& value)
    {
        SkipSpace();
        const char* p = FPos;
        if (p < FEnd && *p == '+') {
            ++p;
            if (p < FEnd && (*p == '+' || *p == '-'))
                return false;
        }
        const auto result = std::from_chars(p, FEnd, value, std::chars_format::general);
        if (result.ec == std::errc::invalid_argument)
            return false;
        if (result.ec == std::errc::result_out_of_range) {
            // Too large or too small for a float: take what the C library makes of it.
            const std::string token(p, result.ptr);
            value = std::strtof(token.c_str(), nullptr);
        }
        FPos = result.ptr;
        return true;
    }

    // A literal character of the format: must come next, no white space skipped.
    bool Match(char c)
    {
        if (FPos < FEnd && *FPos == c) {
            ++FPos;
            return true;
        }
        return false;
    }

    // Discards characters up to and including the next blank (code 32), or to the end.
    void SkipPastBlank()
    {
        const char* blank =
            static_cast<const char*>(std::memchr(FPos, ' ', static_cast<std::size_t>(FEnd - FPos)));
        FPos = blank ? blank + 1 : FEnd;
    }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    void SkipSpace()
    {
        while (FPos < FEnd && IsSpace(*FPos))
            ++FPos;
    }

    const char* FPos;
    const char* FEnd;
};

std::string Num(std::int64_t v)
{
    if (v >= kSaturated)
        return "too large";
    if (v <= -kSaturated)
        return "too small";
    return std::to_string(v);
}

} // namespace

namespace {

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it and pages come as they are touched
#endif

constexpr std::uintptr_t kPage = 4096;
constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;

// Everything a record's parse looks at must lie this far before the end of
// the bytes in hand for the record to be taken; otherwise more bytes could
// still change it (a number cut in two, an exponent to come).
constexpr std::ptrdiff_t kLookAhead = 64;

// A buffer cap: a record this long (all white space) goes to the plain reader.
constexpr std::size_t kMaxBuffer = std::size_t(64) << 20;

// Streams a source through a buffer. The bytes in hand are [Begin(), End());
// More() keeps them and reads more after them.
class ChunkReader {
public:
    ChunkReader(const Source& source, std::size_t chunk)
        : FSource(source.read), FSize(std::max<std::size_t>(chunk, 2 * kLookAhead)), FBuffer(FSize + 1)
    {
    }

    // The bytes in hand; a NUL follows the last, so that a loop over
    // characters of a kind (digits, white space) stops there unchecked.
    const char* Begin() const { return FBuffer.data() + FBegin; }
    const char* End() const { return FBuffer.data() + FEnd; }
    bool AtEnd() const { return FEof; }
    bool Failed() const { return FFailed; }
    void Consume(const char* to) { FBegin = static_cast<std::size_t>(to - FBuffer.data()); }

    // False on a read error, at the end of the source, or past the buffer cap.
    bool More()
    {
        if (FEof)
            return false;
        std::memmove(FBuffer.data(), FBuffer.data() + FBegin, FEnd - FBegin);
        FEnd -= FBegin;
        FBegin = 0;
        if (FEnd == FSize) {
            if (FSize >= kMaxBuffer)
                return false;
            FSize *= 2;
            FBuffer.resize(FSize + 1);
        }
        bool good = true;
        while (FEnd < FSize) {
            const std::ptrdiff_t got = FSource(FOffset, FBuffer.data() + FEnd, FSize - FEnd);
            if (got <= 0) {
                good = got == 0;
                FFailed = got < 0;
                FEof = true;
                break;
            }
            FEnd += static_cast<std::size_t>(got);
            FOffset += static_cast<std::uint64_t>(got);
        }
        FBuffer[FEnd] = '\0';
        return good;
    }

private:
    const ReadAt& FSource;
    std::size_t FSize;
    std::vector<char> FBuffer;
    std::size_t FBegin = 0, FEnd = 0;
    std::uint64_t FOffset = 0;
    bool FEof = false;
    bool FFailed = false;
};

// Parses one record from the bytes in hand with parse(scanner, reach), which
// returns whether the record is good and sets reach to the furthest place it
// looked. The record is taken only when more bytes could not change what
// parse saw; otherwise more are read and it is parsed again, so parse must
// undo its own effects of an earlier attempt. False when the record is bad
// or more bytes cannot be had.
enum class Taken {
    Yes,
    Bad,   // the record is bad (or cut off by the end)
    Failed // more bytes could not be read, or the record runs past the buffer cap
};

template <class Parse> Taken TakeRecord(ChunkReader& reader, Parse parse)
{
    for (;;) {
        Scanner in(std::string_view(reader.Begin(), static_cast<std::size_t>(reader.End() - reader.Begin())));
        const char* reach = reader.End();
        const bool good = parse(in, reach);
        if (reader.AtEnd() || reader.End() - reach >= kLookAhead) {
            if (good)
                reader.Consume(in.Pos());
            return good ? Taken::Yes : Taken::Bad;
        }
        if (!reader.More())
            return Taken::Failed;
    }
}

template <class Parse> bool Take(ChunkReader& reader, Parse parse)
{
    return TakeRecord(reader, parse) == Taken::Yes;
}

// A buffer no larger than a small source needs (it grows if the source does).
std::size_t BufferFor(const Source& source, std::size_t chunk)
{
    return static_cast<std::size_t>(std::min<std::uint64_t>(chunk, source.size + 1));
}

// The message for a record that could not be taken: a read error, or what
// the plain reading says of a bad record.
std::string Untaken(Taken taken, const ChunkReader& reader, const std::string& fileName,
                    const std::string& bad)
{
    if (taken == Taken::Failed && reader.Failed())
        return "Could not read file " + fileName;
    if (taken == Taken::Failed)
        return bad + " (a record longer than " + std::to_string(kMaxBuffer >> 20) + " MB)";
    return bad;
}

bool QuickCoordinates(const Source& source, std::size_t chunk, Mesh& mesh, std::size_t memoryLimit)
{
    ChunkReader reader(source, chunk);
    if (!reader.More())
        return false;
    std::int64_t n = 0;
    if (!Take(reader, [&](Scanner& in, const char*& reach) {
            const bool good = in.ReadInt(n);
            reach = in.Pos();
            return good;
        }))
        return false;
    // The checks of ParseCoordinates before it allocates; the size bound uses
    // the source's length.
    if (n <= 0 || n > std::numeric_limits<std::int32_t>::max())
        return false;
    if (static_cast<std::uint64_t>(n) > source.size / kMinVertexRecord ||
        static_cast<std::uint64_t>(n) * 6 * sizeof(float) > memoryLimit)
        return false;

    mesh.vertexCount = static_cast<std::int32_t>(n);
    ReserveResident(mesh.vertices, static_cast<std::size_t>(n) * 3);
    mesh.vertices.assign(static_cast<std::size_t>(n) * 3, 0.0f);
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (std::int64_t record = 1; record <= n; ++record) {
        std::int64_t k = 0;
        float xyz[3] = {0, 0, 0};
        if (!Take(reader, [&](Scanner& in, const char*& reach) {
                const bool complete = in.ReadInt(k) && in.Match(',') && in.ReadFloat(xyz[0]) &&
                                      in.Match(',') && in.ReadFloat(xyz[1]) && in.Match(',') &&
                                      in.ReadFloat(xyz[2]);
                reach = in.Pos();
                return complete && k >= 1 && k <= n && std::isfinite(xyz[0]) && std::isfinite(xyz[1]) &&
                       std::isfinite(xyz[2]);
            }))
            return false;
        float* v = &mesh.vertices[static_cast<std::size_t>(k - 1) * 3];
        for (int c = 0; c < 3; ++c) {
            if (xyz[c] > hi[c])
                hi[c] = xyz[c];
            if (xyz[c] < lo[c])
                lo[c] = xyz[c];
            v[c] = xyz[c];
        }
    }
    mesh.minX = lo[0];
    mesh.minY = lo[1];
    mesh.minZ = lo[2];
    mesh.maxX = hi[0];
    mesh.maxY = hi[1];
    mesh.maxZ = hi[2];
    return true;
}

// Counts over a source: its bytes, its line ends and its words (runs of
// characters other than white space and control characters).
struct Counts {
    std::uint64_t bytes = 0, lines = 0, words = 0;
};

bool Count(const Source& source, std::size_t chunk, Counts& counts)
{
    std::vector<char> buffer(chunk + 1);
    buffer[0] = ' ';
    for (;;) {
        const std::ptrdiff_t got = source.read(counts.bytes, buffer.data() + 1, chunk);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        const auto* p = reinterpret_cast<const unsigned char*>(buffer.data());
        const auto n = static_cast<std::size_t>(got);
        std::uint64_t lines = 0, words = 0;
        for (std::size_t i = 1; i <= n; ++i) {
            lines += p[i] == '\n';
            words += (p[i - 1] <= ' ') & (p[i] > ' ');
        }
        counts.lines += lines;
        counts.words += words;
        counts.bytes += n;
        buffer[0] = buffer[n];
    }
}

// The faces of a face file with their vertex numbers as written (kept within
// the 32-bit range), and the smallest and largest of those numbers; they are
// checked against the vertex count once both files are read.
struct QuickFaceResult {
    std::vector<TPolyFace> faces;
    std::vector<std::int32_t> indices;
    std::int64_t lowest = std::numeric_limits<std::int64_t>::max();
    std::int64_t highest = std::numeric_limits<std::int64_t>::min();
};

bool QuickFaces(const Source& source, std::size_t chunk, QuickFaceResult& out, std::size_t memoryLimit)
{
    ChunkReader reader(source, chunk);
    if (!reader.More())
        return false;
    std::int64_t m = 0;
    if (!Take(reader, [&](Scanner& in, const char*& reach) {
            const bool good = in.ReadInt(m);
            reach = in.Pos();
            return good;
        }))
        return false;
    if (m < 0 || m > std::numeric_limits<std::int32_t>::max())
        return false;
    // Counted once the count is known to be good: a file bad in its first
    // line is left without reading the rest.
    Counts counts;
    if (!Count(source, chunk, counts))
        return false;
    // Room for the faces ParseFaces would reserve, the lines there are at
    // most; vertex numbers are all words but the faces' labels.
    const std::uint64_t faceRoom =
        std::min<std::uint64_t>({static_cast<std::uint64_t>(m), counts.bytes / 6 + 1, counts.lines + 1});
    const std::uint64_t indexRoom = counts.words > faceRoom ? counts.words - faceRoom : 0;
    if (faceRoom * sizeof(TPolyFace) + indexRoom * sizeof(std::int32_t) > memoryLimit / 2)
        return false;
    // Making the arrays resident (the kernel clears every page) costs about
    // as much as parsing into them: a helper does it from the far end while
    // this thread parses from the near end, touching pages as it goes.
    out.faces.reserve(static_cast<std::size_t>(faceRoom));
    out.indices.reserve(static_cast<std::size_t>(indexRoom));
    std::thread helper;
    try {
        helper = std::thread([&out] {
            MakeResident(out.indices.data(), out.indices.capacity() * sizeof(std::int32_t), true);
            MakeResident(out.faces.data(), out.faces.capacity() * sizeof(TPolyFace), true);
        });
    } catch (const std::system_error&) {
        MakeResident(out.indices.data(), out.indices.capacity() * sizeof(std::int32_t));
        MakeResident(out.faces.data(), out.faces.capacity() * sizeof(TPolyFace));
    }
    struct Join {
        std::thread& thread;
        ~Join()
        {
            if (thread.joinable())
                thread.join();
        }
    } join{helper};

    // The loop below is ParseFaces's, written out on the buffer: a face whose
    // parse looked at the last kLookAhead bytes in hand is parsed again once
    // more are read, over the same place in the index array.
    out.indices.resize(std::max<std::size_t>(static_cast<std::size_t>(indexRoom), 1024));
    std::size_t used = 0;
    std::int64_t lowest = out.lowest, highest = out.highest;
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::int64_t face = 1; face <= m;) {
        const char* p = reader.Begin();
        const char* const end = reader.End();
        while (p < end && *p != ' ')
            ++p;
        const char* reach = end;
        std::int32_t count = 0;
        std::int64_t low = lowest, high = highest;
        const char* afterLast = p;
        if (p < end) {
            afterLast = ++p;
            for (;;) {
                const char* q = p;
                while (isSpace(*q)) // stops at the NUL after the bytes in hand
                    ++q;
                reach = q;
                bool negative = false;
                if (*q == '+' || *q == '-') {
                    negative = *q == '-';
                    ++q;
                }
                if (!isDigit(*q))
                    break;
                const char* digits = q;
                std::int64_t k = 0;
                for (; isDigit(*q) && q - digits < 18; ++q)
                    k = k * 10 + (*q - '0');
                if (isDigit(*q)) { // beyond 18 digits: held past 32 bits, as the plain parse does
                    k = std::min(k, kSaturated);
                    for (; isDigit(*q); ++q)
                        k = std::min(k * 10 + (*q - '0'), kSaturated);
                }
                if (negative)
                    k = -k;
                low = std::min(low, k);
                high = std::max(high, k);
                if (used + static_cast<std::size_t>(count) == out.indices.size())
                    out.indices.resize(out.indices.size() * 2);
                out.indices[used + static_cast<std::size_t>(count)] = static_cast<std::int32_t>(
                    std::clamp<std::int64_t>(k, 0, std::numeric_limits<std::int32_t>::max()));
                ++count;
                p = afterLast = q;
            }
        }
        if (!reader.AtEnd() && end - reach < kLookAhead) {
            if (!reader.More())
                return false;
            continue;
        }
        if (count < 3)
            return false;
        TPolyFace record;
        record.First = static_cast<std::int32_t>(used);
        record.Count = count;
        out.faces.push_back(record);
        used += static_cast<std::size_t>(count);
        lowest = low;
        highest = high;
        reader.Consume(afterLast);
        ++face;
    }
    out.indices.resize(used);
    out.lowest = lowest;
    out.highest = highest;
    // ParseFaces stops at the first face too large for memoryLimit, its arrays
    // grown by doubling: leave any load near that to it.
    if (2 * (out.indices.size() * sizeof(std::int32_t) +
             std::max<std::size_t>(out.faces.size(), static_cast<std::size_t>(faceRoom)) *
                 sizeof(TPolyFace)) >
        memoryLimit)
        return false;
    if (out.indices.capacity() > out.indices.size() + out.indices.size() / 4 + 1024)
        out.indices.shrink_to_fit();
    if (out.faces.capacity() > out.faces.size() + out.faces.size() / 4 + 1024)
        out.faces.shrink_to_fit();
    return true;
}

} // namespace

std::string ParseCoordinates(const Source& source, const std::string& fileName, Mesh& mesh,
                             std::size_t memoryLimit, std::size_t chunk)
{
    ChunkReader reader(source, BufferFor(source, chunk));
    if (!reader.More())
        return "Could not read file " + fileName;
    std::int64_t n = 0;
    const Taken count = TakeRecord(reader, [&](Scanner& in, const char*& reach) {
        const bool good = in.ReadInt(n);
        reach = in.Pos();
        return good;
    });
    if (count != Taken::Yes)
        return Untaken(count, reader, fileName, "Could not read first line of file " + fileName);
    if (n < 0 || n > std::numeric_limits<std::int32_t>::max())
        return "Invalid vertex count " + Num(n) + " in file " + fileName;
    if (n == 0)
        return "No vertices in file " + fileName;
    // A file too short for its count would fail at a record that is not
    // there; say so before allocating room for records that cannot exist.
    if (static_cast<std::uint64_t>(n) > source.size / kMinVertexRecord)
        return "Error reading from coor file " + fileName;
    const std::uint64_t bytes = static_cast<std::uint64_t>(n) * 6 * sizeof(float);
    if (bytes > memoryLimit)
        return "File " + fileName + " is too large to load";

    mesh.vertexCount = static_cast<std::int32_t>(n);
    mesh.vertices.assign(static_cast<std::size_t>(n) * 3, 0.0f);
    mesh.minX = mesh.minY = mesh.minZ = FLT_MAX;
    mesh.maxX = mesh.maxY = mesh.maxZ = -FLT_MAX;
    // The records are read one by one as the bytes come, so that a file bad
    // early is left early, however large it is.
    for (std::int64_t record = 1; record <= n; ++record) {
        std::int64_t k = 0;
        float x = 0, y = 0, z = 0;
        bool complete = false;
        const Taken taken = TakeRecord(reader, [&](Scanner& in, const char*& reach) {
            complete = in.ReadInt(k) && in.Match(',') && in.ReadFloat(x) && in.Match(',') &&
                       in.ReadFloat(y) && in.Match(',') && in.ReadFloat(z);
            reach = in.Pos();
            return complete && k >= 1 && k <= n && std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
        });
        if (taken != Taken::Yes) {
            if (taken == Taken::Failed || !complete)
                return Untaken(taken, reader, fileName, "Error reading from coor file " + fileName);
            if (k < 1 || k > n)
                return "Illegal index in coor file " + fileName;
            return "Coordinate that is not a finite number in record " + std::to_string(record) +
                   " of coor file " + fileName;
        }
        auto widen = [](float v, float& lo, float& hi) {
            if (v > hi)
                hi = v;
            if (v < lo)
                lo = v;
        };
        widen(x, mesh.minX, mesh.maxX);
        widen(y, mesh.minY, mesh.maxY);
        widen(z, mesh.minZ, mesh.maxZ);
        float* v = &mesh.vertices[static_cast<std::size_t>(k - 1) * 3];
        v[0] = x;
        v[1] = y;
        v[2] = z;
    }
    return {};
}

std::string ParseFaces(const Source& source, const std::string& fileName, Mesh& mesh, std::size_t memoryLimit,
                       std::size_t chunk)
{
    ChunkReader reader(source, BufferFor(source, chunk));
    if (!reader.More())
        return "Could not read file " + fileName;
    std::int64_t m = 0;
    const Taken count = TakeRecord(reader, [&](Scanner& in, const char*& reach) {
        const bool good = in.ReadInt(m);
        reach = in.Pos();
        return good;
    });
    if (count != Taken::Yes)
        return Untaken(count, reader, fileName, "Could not read first line of " + fileName);
    if (m < 0 || m > std::numeric_limits<std::int32_t>::max())
        return "Invalid face count " + Num(m) + " in file " + fileName;

    // Every face takes at least six characters (" 1 2 3"), so no file holds
    // more; faces are added as they are read, never for a count alone.
    mesh.faces.clear();
    mesh.indices.clear();
    // Never more room up front than half the memory limit: a large file
    // with a large count may still go wrong in its first face.
    mesh.faces.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
        {static_cast<std::uint64_t>(m), source.size / 6 + 1, memoryLimit / (2 * sizeof(TPolyFace))})));
    const std::int64_t n = mesh.vertexCount;
    for (std::int64_t face = 1; face <= m; ++face) {
        TPolyFace record;
        record.First = static_cast<std::int32_t>(mesh.indices.size());
        std::int64_t badIndex = 0;
        bool bad = false;
        const Taken taken = TakeRecord(reader, [&](Scanner& in, const char*& reach) {
            // Parsed again from the start when more bytes come: undo the last try.
            mesh.indices.resize(static_cast<std::size_t>(record.First));
            record.Count = 0;
            bad = false;
            // The label and the blank after it (for the first face also the
            // line end after the count).
            in.SkipPastBlank();
            const char* afterLast = in.Pos();
            std::int64_t k = 0;
            while (in.ReadInt(k)) {
                if (!bad && (k < 1 || k > n)) {
                    bad = true;
                    badIndex = k;
                }
                mesh.indices.push_back(static_cast<std::int32_t>(std::clamp<std::int64_t>(k, 0, n)));
                afterLast = in.Pos();
                ++record.Count;
            }
            reach = in.Pos();
            // The next face is looked for right after this face's last number.
            in.SetPos(afterLast);
            return record.Count >= 3 && !bad;
        });
        const std::string where = " of poly file " + fileName;
        if (taken == Taken::Failed)
            return Untaken(taken, reader, fileName,
                           "Face " + std::to_string(face) + where + " cannot be read");
        if (record.Count < 3)
            return "Face " + std::to_string(face) + where + " has " + std::to_string(record.Count) +
                   " vertex numbers; a face needs at least 3";
        if (bad)
            return "Illegal index " + Num(badIndex) + " in face " + std::to_string(face) + where;
        mesh.faces.push_back(record);
        if (mesh.indices.capacity() * sizeof(std::int32_t) + mesh.faces.capacity() * sizeof(TPolyFace) >
            memoryLimit)
            return "File " + fileName + " is too large to load";
    }
    mesh.indices.shrink_to_fit();
    return {};
}

std::string ParseCoordinates(std::string_view text, const std::string& fileName, Mesh& mesh,
                             std::size_t memoryLimit)
{
    return ParseCoordinates(SourceOfText(text), fileName, mesh, memoryLimit);
}

std::string ParseFaces(std::string_view text, const std::string& fileName, Mesh& mesh,
                       std::size_t memoryLimit)
{
    return ParseFaces(SourceOfText(text), fileName, mesh, memoryLimit);
}

void MakeResident(void* data, std::size_t bytes, bool fromTheEnd)
{
    if (bytes < kHugePage)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + bytes;
    const std::uintptr_t hugeBegin = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t hugeEnd = end & ~(kHugePage - 1);
    if (hugeBegin < hugeEnd)
        madvise(reinterpret_cast<void*>(hugeBegin), hugeEnd - hugeBegin, MADV_HUGEPAGE);
    const std::uintptr_t pageBegin = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t pageEnd = end & ~(kPage - 1);
    if (!fromTheEnd) {
        if (pageBegin < pageEnd)
            madvise(reinterpret_cast<void*>(pageBegin), pageEnd - pageBegin, MADV_POPULATE_WRITE);
        return;
    }
    // Huge page by huge page from the end, so that whoever fills the memory
    // from the start meets pages already made.
    for (std::uintptr_t to = pageEnd; to > pageBegin;) {
        const std::uintptr_t from = std::max(pageBegin, (to - 1) & ~(kHugePage - 1));
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
        to = from;
    }
}

Source SourceOfText(std::string_view text)
{
    return {text.size(), [text](std::uint64_t offset, char* dst, std::size_t max) -> std::ptrdiff_t {
                if (offset >= text.size())
                    return 0;
                const std::size_t n =
                    std::min<std::size_t>(max, text.size() - static_cast<std::size_t>(offset));
                std::memcpy(dst, text.data() + offset, n);
                return static_cast<std::ptrdiff_t>(n);
            }};
}

bool ParsePairQuickly(const Source& coordinates, const Source& faces, Mesh& mesh, std::size_t memoryLimit,
                      std::size_t chunk)
{
    chunk = std::max<std::size_t>(chunk, 2 * kLookAhead);
    QuickFaceResult parsed;
    bool facesGood = false;
    const auto parseFaces = [&] { facesGood = QuickFaces(faces, chunk, parsed, memoryLimit); };
    std::thread worker;
    try {
        worker = std::thread(parseFaces);
    } catch (const std::system_error&) {
        parseFaces(); // no thread to be had: one after the other
    }
    Mesh coordinatesOnly;
    const bool coordinatesGood = QuickCoordinates(coordinates, chunk, coordinatesOnly, memoryLimit);
    if (worker.joinable())
        worker.join();
    if (!coordinatesGood || !facesGood)
        return false;
    if (!parsed.faces.empty() && (parsed.lowest < 1 || parsed.highest > coordinatesOnly.vertexCount))
        return false;
    mesh = std::move(coordinatesOnly);
    mesh.faces = std::move(parsed.faces);
    mesh.indices = std::move(parsed.indices);
    return true;
}

std::string FaceFileName(const std::string& coordinateFileName)
{
    const std::size_t slash = coordinateFileName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = coordinateFileName.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return coordinateFileName + ".poly";
    return coordinateFileName.substr(0, dot) + ".poly";
}

std::size_t DefaultMemoryLimit()
{
    std::uint64_t available = 0;
    std::ifstream meminfo("/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);)
        if (line.rfind("MemAvailable:", 0) == 0) {
            available = std::strtoull(line.c_str() + 13, nullptr, 10) * 1024;
            break;
        }
    if (available == 0) {
        struct sysinfo info {};
        if (sysinfo(&info) == 0)
            available = static_cast<std::uint64_t>(info.freeram) * info.mem_unit;
    }
    if (available == 0)
        available = std::uint64_t(1) << 30;
    return static_cast<std::size_t>(available / 2);
}

} // namespace coordfile
