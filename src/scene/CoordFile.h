// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading the coordinate (".coor") and face (".poly") text files of polygon
// objects.
//
// Coordinate file: the vertex count N, then N records "k,x,y,z" (vertex number,
// comma, three coordinates, no blanks before a comma; any white space before
// each number). Face file: the face count M directly followed by the line end,
// then M records of a label word, one space and the face's vertex numbers.
//
// The parsers behave as formatted reads ("%d", "%d,%f,%f,%f") would, but
// stream the file through a buffer, and they reject what would corrupt memory or give
// nonsense: bad counts, non-finite coordinates, faces with fewer than three
// vertex numbers or with numbers outside 1..N.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One face: Count vertex numbers (1-based) starting at First in the owning
// object's index array, and the face normal.
struct TPolyFace {
    std::int32_t Count = 0;
    std::int32_t First = 0;
    float Normal[3] = {0, 0, 0};
};

namespace coordfile {

struct Mesh {
    std::int32_t vertexCount = 0;
    std::vector<float> vertices; // 3 per vertex, vertex k at 3 * (k - 1)
    float minX, minY, minZ;
    float maxX, maxY, maxZ;
    std::vector<TPolyFace> faces;
    std::vector<std::int32_t> indices;
};

// Bytes to parse: their count, and a function that reads up to max of them at
// offset into dst, as pread does (the count read, 0 at the end, negative on
// an error).
using ReadAt = std::function<std::ptrdiff_t(std::uint64_t offset, char* dst, std::size_t max)>;
struct Source {
    std::uint64_t size = 0;
    ReadAt read;
};

// Files larger than this are refused before they are read.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t(1) << 31;

// Parses a coordinate file into mesh.vertexCount, mesh.vertices and the
// bounds. Returns the message to show on failure, or an empty string.
// memoryLimit caps the bytes the vertex arrays may take. The bytes are
// streamed through a buffer of chunk bytes, record by record, so that a
// bad file is left at its first error however large it is; a record longer
// than the buffer cap (64 MB) is refused.
std::string ParseCoordinates(const Source& source, const std::string& fileName, Mesh& mesh,
                             std::size_t memoryLimit, std::size_t chunk = std::size_t(1) << 20);
std::string ParseCoordinates(std::string_view text, const std::string& fileName, Mesh& mesh,
                             std::size_t memoryLimit);

// Parses a face file into mesh.faces and mesh.indices (the vertices must
// have been read), streamed as ParseCoordinates does. Returns the message to
// show on failure, or empty.
std::string ParseFaces(const Source& source, const std::string& fileName, Mesh& mesh, std::size_t memoryLimit,
                       std::size_t chunk = std::size_t(1) << 20);
std::string ParseFaces(std::string_view text, const std::string& fileName, Mesh& mesh,
                       std::size_t memoryLimit);

// The quick way to read a pair of files, for large meshes: the coordinate and
// the face file are parsed at the same time on two threads, each streamed
// through a buffer of chunk bytes (so the text never has to be held whole),
// into arrays sized once from a count over the bytes. Returns true when both
// parsed, and mesh then holds exactly what ParseCoordinates and ParseFaces
// give for the same bytes. Returns false on anything those would report, or
// anything it does not take on (a read error, a record longer than its
// buffers); the caller then reads the files with ParseCoordinates and
// ParseFaces, which give the message.
bool ParsePairQuickly(const Source& coordinates, const Source& faces, Mesh& mesh, std::size_t memoryLimit,
                      std::size_t chunk = std::size_t(1) << 20);

// The bytes of text as a source.
Source SourceOfText(std::string_view text);

// Makes memory just allocated resident in one go, on huge pages where it is
// large: fresh memory taken page by page costs a fault per 4 KiB, which on
// large meshes outweighs the parsing. Does nothing for small blocks. From the
// end: huge page by huge page, last first, for a helper thread to work
// towards a writer that starts at the beginning.
void MakeResident(void* data, std::size_t bytes, bool fromTheEnd = false);

// Room for n elements of v, made resident.
template <class T> void ReserveResident(std::vector<T>& v, std::size_t n)
{
    v.reserve(n);
    MakeResident(v.data(), n * sizeof(T));
}

// The face file of a coordinate file: its extension replaced by ".poly", or
// ".poly" appended when the file name has none.
std::string FaceFileName(const std::string& coordinateFileName);

// Bytes of memory a load may use: half of what the machine has available.
std::size_t DefaultMemoryLimit();

} // namespace coordfile
