#include "CoordFile.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sys/sysinfo.h>

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

std::string ParseCoordinates(std::string_view text, const std::string& fileName, Mesh& mesh,
                             std::size_t memoryLimit)
{
    Scanner in(text);
    std::int64_t n = 0;
    if (!in.ReadInt(n))
        return "Could not read first line of file " + fileName;
    if (n < 0 || n > std::numeric_limits<std::int32_t>::max())
        return "Invalid vertex count " + Num(n) + " in file " + fileName;
    if (n == 0)
        return "No vertices in file " + fileName;
    // A file too short for its count would fail at a record that is not
    // there; say so before allocating room for records that cannot exist.
    if (static_cast<std::uint64_t>(n) > text.size() / kMinVertexRecord)
        return "Error reading from coor file " + fileName;
    const std::uint64_t bytes = static_cast<std::uint64_t>(n) * 6 * sizeof(float);
    if (bytes > memoryLimit)
        return "File " + fileName + " is too large to load";

    mesh.vertexCount = static_cast<std::int32_t>(n);
    mesh.vertices.assign(static_cast<std::size_t>(n) * 3, 0.0f);
    mesh.minX = mesh.minY = mesh.minZ = FLT_MAX;
    mesh.maxX = mesh.maxY = mesh.maxZ = -FLT_MAX;

    for (std::int64_t record = 1; record <= n; ++record) {
        std::int64_t k = 0;
        float x = 0, y = 0, z = 0;
        const bool complete = in.ReadInt(k) && in.Match(',') && in.ReadFloat(x) && in.Match(',') &&
                              in.ReadFloat(y) && in.Match(',') && in.ReadFloat(z);
        if (!complete)
            return "Error reading from coor file " + fileName;
        if (k < 1 || k > n)
            return "Illegal index in coor file " + fileName;
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
            return "Coordinate that is not a finite number in record " + std::to_string(record) +
                   " of coor file " + fileName;
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

std::string ParseFaces(std::string_view text, const std::string& fileName, Mesh& mesh,
                       std::size_t memoryLimit)
{
    Scanner in(text);
    std::int64_t m = 0;
    if (!in.ReadInt(m))
        return "Could not read first line of " + fileName;
    if (m < 0 || m > std::numeric_limits<std::int32_t>::max())
        return "Invalid face count " + Num(m) + " in file " + fileName;

    // Every face takes at least six characters (" 1 2 3"), so no file holds
    // more; faces are added as they are read, never for a count alone.
    mesh.faces.clear();
    mesh.indices.clear();
    mesh.faces.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(m), text.size() / 6 + 1)));
    const std::int64_t n = mesh.vertexCount;
    for (std::int64_t face = 1; face <= m; ++face) {
        // The label and the blank after it (for the first face also the line end after the count).
        in.SkipPastBlank();
        TPolyFace record;
        record.First = static_cast<std::int32_t>(mesh.indices.size());
        const char* afterLast = in.Pos();
        std::int64_t k = 0;
        std::int64_t badIndex = 0;
        bool bad = false;
        while (in.ReadInt(k)) {
            if (!bad && (k < 1 || k > n)) {
                bad = true;
                badIndex = k;
            }
            mesh.indices.push_back(static_cast<std::int32_t>(std::clamp<std::int64_t>(k, 0, n)));
            afterLast = in.Pos();
            ++record.Count;
        }
        // The next face is looked for right after this face's last number.
        in.SetPos(afterLast);
        if (record.Count < 3)
            return "Face " + std::to_string(face) + " of poly file " + fileName + " has " +
                   std::to_string(record.Count) + " vertex numbers; a face needs at least 3";
        if (bad)
            return "Illegal index " + Num(badIndex) + " in face " + std::to_string(face) + " of poly file " +
                   fileName;
        mesh.faces.push_back(record);
        if (mesh.indices.capacity() * sizeof(std::int32_t) + mesh.faces.capacity() * sizeof(TPolyFace) >
            memoryLimit)
            return "File " + fileName + " is too large to load";
    }
    mesh.indices.shrink_to_fit();
    return {};
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
