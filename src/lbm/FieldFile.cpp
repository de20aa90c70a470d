// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldFile.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lbm {

std::string NumberText(double value, int digits)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", std::min(15, digits), value);
    if (digits > 15 && std::strtod(text, nullptr) != value)
        std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

namespace {

void PutUInt64(std::string& out, std::uint64_t value)
{
    for (int k = 0; k < 8; ++k)
        out += char((value >> (8 * k)) & 0xff);
}

// Little-endian bytes of the values, whatever the machine's order.
std::string RawBytes(const std::vector<double>& values)
{
    std::string raw;
    raw.reserve(values.size() * 8);
    for (double v : values) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        PutUInt64(raw, bits);
    }
    return raw;
}

// One array in VTK's compressed layout: the number of blocks, the block
// size, the size of a partial last block (0 when the last is whole), the
// compressed size of each block, then the blocks.
std::string CompressedArray(const std::vector<double>& values)
{
    const std::string raw = RawBytes(values);
    const std::size_t blocks = (raw.size() + kFieldBlockBytes - 1) / kFieldBlockBytes;
    std::string header, data;
    PutUInt64(header, blocks);
    PutUInt64(header, kFieldBlockBytes);
    PutUInt64(header, raw.size() % kFieldBlockBytes);
    std::vector<unsigned char> packed(compressBound(kFieldBlockBytes));
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t begin = b * kFieldBlockBytes;
        const std::size_t size = std::min(kFieldBlockBytes, raw.size() - begin);
        uLongf packedSize = uLongf(packed.size());
        if (compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(raw.data() + begin),
                      uLong(size), Z_DEFAULT_COMPRESSION) != Z_OK)
            std::abort(); // only on a lack of memory, which the write could not survive either
        PutUInt64(header, packedSize);
        data.append(reinterpret_cast<const char*>(packed.data()), packedSize);
    }
    return header + data;
}

void AppendAsciiValues(std::string& text, int components, const std::vector<double>& values)
{
    for (std::size_t k = 0; k < values.size(); ++k) {
        text += (k % (3 * std::size_t(components)) == 0) ? "          " : " ";
        text += NumberText(values[k], 12);
        if ((k + 1) % (3 * std::size_t(components)) == 0 || k + 1 == values.size())
            text += '\n';
    }
}

// ---- reading -------------------------------------------------------------

struct Tag {
    std::string_view name;
    std::string_view attributes;
    bool closing = false;
    bool empty = false;  // <name ... />
    std::size_t end = 0; // just past '>'
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The next element tag at or after pos, skipping declarations and comments.
bool NextTag(std::string_view s, std::size_t pos, Tag& tag)
{
    for (;;) {
        pos = s.find('<', pos);
        if (pos == std::string_view::npos || pos + 1 >= s.size())
            return false;
        if (s.compare(pos, 4, "<!--") == 0) {
            const std::size_t close = s.find("-->", pos + 4);
            if (close == std::string_view::npos)
                return false;
            pos = close + 3;
            continue;
        }
        const std::size_t close = s.find('>', pos);
        if (close == std::string_view::npos)
            return false;
        if (s[pos + 1] == '?' || s[pos + 1] == '!') {
            pos = close + 1;
            continue;
        }
        std::size_t at = pos + 1;
        tag.closing = s[at] == '/';
        if (tag.closing)
            ++at;
        std::size_t nameEnd = at;
        while (nameEnd < close && !IsSpace(s[nameEnd]) && s[nameEnd] != '/')
            ++nameEnd;
        tag.name = s.substr(at, nameEnd - at);
        tag.empty = close > pos && s[close - 1] == '/';
        tag.attributes = s.substr(nameEnd, close - nameEnd - (tag.empty ? 1 : 0));
        tag.end = close + 1;
        return true;
    }
}

// The value of attribute `name`, or `fallback` when the tag has none. The
// attributes are taken in turn, so that a value holding another attribute's
// name is never mistaken for it; the search ends at the first malformed one.
std::string_view Attribute(std::string_view attributes, std::string_view name, std::string_view fallback = {})
{
    std::size_t pos = 0;
    for (;;) {
        while (pos < attributes.size() && IsSpace(attributes[pos]))
            ++pos;
        const std::size_t equals = attributes.find('=', pos);
        if (equals == std::string_view::npos || equals + 1 >= attributes.size())
            return fallback;
        const std::string_view key = attributes.substr(pos, equals - pos);
        const char quote = attributes[equals + 1];
        if (quote != '"' && quote != '\'')
            return fallback;
        const std::size_t close = attributes.find(quote, equals + 2);
        if (close == std::string_view::npos)
            return fallback;
        if (key == name)
            return attributes.substr(equals + 2, close - equals - 2);
        pos = close + 1;
    }
}

bool HasAttribute(std::string_view attributes, std::string_view name)
{
    return Attribute(attributes, name, "\x01") != "\x01";
}

// Whitespace-separated numbers of a text: exactly `count` of them.
template <class T> bool Numbers(std::string_view text, T* out, std::size_t count)
{
    std::size_t k = 0, pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
        if (pos == text.size())
            break;
        if (k == count)
            return false;
        const char* first = text.data() + pos;
        const auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), out[k]);
        if (ec != std::errc() || (ptr != text.data() + text.size() && !IsSpace(*ptr)))
            return false;
        pos += std::size_t(ptr - first);
        ++k;
    }
    return k == count;
}

std::string Quoted(std::string_view s)
{
    std::string out = "\"";
    for (char c : s.substr(0, 64))
        out += (static_cast<unsigned char>(c) < 0x20 || c == '"') ? '?' : c;
    if (s.size() > 64)
        out += "...";
    return out + "\"";
}

struct PendingArray {
    std::size_t index;    // in image.arrays
    std::uint64_t offset; // in the appended section
};

std::uint64_t GetUInt(std::string_view s, std::size_t at, int bytes)
{
    std::uint64_t value = 0;
    for (int k = bytes - 1; k >= 0; --k)
        value = (value << 8) | static_cast<unsigned char>(s[at + std::size_t(k)]);
    return value;
}

// Turns little-endian Float64 bytes into the array's values, refusing any
// that is not a finite number.
bool StoreValues(const unsigned char* bytes, std::vector<double>& values)
{
    for (std::size_t k = 0; k < values.size(); ++k) {
        std::uint64_t bits = 0;
        for (int b = 7; b >= 0; --b)
            bits = (bits << 8) | bytes[8 * k + std::size_t(b)];
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            return false;
        values[k] = v;
    }
    return true;
}

// zlib never makes a block smaller than about a thousandth of its data.
constexpr std::uint64_t kMostInflation = 1032;

std::string ReadAppended(std::string_view s, std::size_t base, const PendingArray& p, int headerBytes,
                         bool compressed, FieldArray& array)
{
    const std::string what = "the array " + Quoted(array.name);
    const std::uint64_t expected = std::uint64_t(array.values.size()) * 8;
    const std::size_t size = s.size();
    if (p.offset > size - base)
        return what + " starts past the end of the file";
    std::size_t at = base + std::size_t(p.offset);
    const auto need = [&](std::uint64_t bytes) { return bytes <= size - at; };
    const std::string cut = "the file is cut short in " + what;
    if (!compressed) {
        if (!need(std::uint64_t(headerBytes)))
            return cut;
        const std::uint64_t count = GetUInt(s, at, headerBytes);
        at += std::size_t(headerBytes);
        if (count != expected)
            return what + " holds " + std::to_string(count) + " bytes where its nodes need " +
                   std::to_string(expected);
        if (!need(count))
            return cut;
        if (!StoreValues(reinterpret_cast<const unsigned char*>(s.data() + at), array.values))
            return what + " holds a value that is not a finite number";
        return {};
    }
    if (!need(3 * std::uint64_t(headerBytes)))
        return cut;
    const std::uint64_t blocks = GetUInt(s, at, headerBytes);
    const std::uint64_t blockSize = GetUInt(s, at + std::size_t(headerBytes), headerBytes);
    const std::uint64_t lastSize = GetUInt(s, at + 2 * std::size_t(headerBytes), headerBytes);
    at += 3 * std::size_t(headerBytes);
    if (blockSize == 0 || lastSize >= blockSize || blocks == 0 || blocks > expected)
        return what + " has a broken block header";
    // What the blocks unpack to, with a partial last block or without
    // (bounded first, so that the product cannot wrap).
    if (blocks - 1 > expected / blockSize)
        return what + " unpacks to more than the " + std::to_string(expected) + " bytes its nodes need";
    const std::uint64_t total = (blocks - (lastSize ? 1 : 0)) * blockSize + lastSize;
    if (total != expected)
        return what + " unpacks to a size that is not the " + std::to_string(expected) +
               " bytes its nodes need";
    if (blocks > (size - at) / std::uint64_t(headerBytes))
        return cut;
    std::vector<std::uint64_t> packed(blocks);
    std::uint64_t packedTotal = 0;
    for (std::uint64_t b = 0; b < blocks; ++b) {
        packed[b] = GetUInt(s, at, headerBytes);
        at += std::size_t(headerBytes);
        packedTotal += packed[b];
        if (packed[b] > size || packedTotal > size)
            return cut;
    }
    if (!need(packedTotal))
        return cut;
    std::vector<unsigned char> raw;
    raw.resize(std::size_t(expected));
    std::size_t out = 0;
    for (std::uint64_t b = 0; b < blocks; ++b) {
        const std::uint64_t unpacked = (b + 1 == blocks && lastSize) ? lastSize : blockSize;
        if (unpacked > packed[b] * kMostInflation + 64)
            return what + " has a block that claims more data than it can hold";
        uLongf got = uLongf(unpacked);
        const int rc = uncompress(raw.data() + out, &got, reinterpret_cast<const Bytef*>(s.data() + at),
                                  uLong(packed[b]));
        if (rc != Z_OK || got != unpacked)
            return what + " has a damaged compressed block";
        at += std::size_t(packed[b]);
        out += std::size_t(unpacked);
    }
    if (!StoreValues(raw.data(), array.values))
        return what + " holds a value that is not a finite number";
    return {};
}

std::string ParseExtent(std::string_view text, int& nx, int& ny, int& nz)
{
    long long e[6];
    if (!Numbers(text, e, 6))
        return "its extent " + Quoted(text) + " is not six whole numbers";
    for (long long v : e)
        if (v < -1000000000LL || v > 1000000000LL)
            return "its extent " + Quoted(text) + " is out of range";
    if (e[1] < e[0] || e[3] < e[2] || e[5] < e[4])
        return "its extent " + Quoted(text) + " is empty";
    const long long x = e[1] - e[0] + 1, y = e[3] - e[2] + 1, z = e[5] - e[4] + 1;
    if (x > kMaxFieldNodes || y > kMaxFieldNodes || z > kMaxFieldNodes || x * y > kMaxFieldNodes ||
        x * y * z > kMaxFieldNodes)
        return "its grid of " + std::to_string(x) + " x " + std::to_string(y) +
               (z > 1 ? " x " + std::to_string(z) : std::string()) + " nodes is larger than the " +
               std::to_string(kMaxFieldNodes) + " nodes the reader takes";
    nx = int(x);
    ny = int(y);
    nz = int(z);
    return {};
}

std::string ParseTriple(std::string_view attributes, const char* name, double* out)
{
    if (!HasAttribute(attributes, name))
        return {};
    const std::string_view text = Attribute(attributes, name);
    if (!Numbers(text, out, 3) || !std::isfinite(out[0]) || !std::isfinite(out[1]) || !std::isfinite(out[2]))
        return std::string("its ") + name + " " + Quoted(text) + " is not three finite numbers";
    return {};
}

} // namespace

const FieldArray* FieldImage::Find(std::string_view name) const
{
    for (const FieldArray& a : arrays)
        if (a.name == name)
            return &a;
    return nullptr;
}

std::string FieldFileBytes(const FieldImage& image, FieldEncoding encoding)
{
    const bool ascii = encoding == FieldEncoding::Ascii;
    std::string text;
    text += "<?xml version=\"1.0\"?>\n";
    text += ascii ? "<VTKFile type=\"ImageData\" version=\"0.1\" byte_order=\"LittleEndian\">\n"
                  : "<VTKFile type=\"ImageData\" version=\"1.0\" byte_order=\"LittleEndian\" "
                    "header_type=\"UInt64\" "
                    "compressor=\"vtkZLibDataCompressor\">\n";
    const std::string extent = "0 " + std::to_string(image.nx - 1) + " 0 " + std::to_string(image.ny - 1) +
                               " 0 " + std::to_string(std::max(image.nz, 1) - 1);
    text += "  <ImageData WholeExtent=\"" + extent + "\" Origin=\"" + NumberText(image.origin[0]) + " " +
            NumberText(image.origin[1]) + " " + NumberText(image.origin[2]) + "\" Spacing=\"" +
            NumberText(image.spacing[0]) + " " + NumberText(image.spacing[1]) + " " +
            NumberText(image.spacing[2]) + "\">\n";
    text += "    <Piece Extent=\"" + extent + "\">\n";
    text += "      <PointData";
    const auto firstWith = [&](int components) -> const FieldArray* {
        for (const FieldArray& a : image.arrays)
            if (a.components == components)
                return &a;
        return nullptr;
    };
    if (const FieldArray* v = firstWith(3))
        text += " Vectors=\"" + v->name + "\"";
    if (const FieldArray* s = firstWith(1))
        text += " Scalars=\"" + s->name + "\"";
    text += ">\n";
    std::string appended;
    for (const FieldArray& a : image.arrays) {
        text += "        <DataArray type=\"Float64\" Name=\"" + a.name + "\" NumberOfComponents=\"" +
                std::to_string(a.components) + "\" format=\"";
        if (ascii) {
            text += "ascii\">\n";
            AppendAsciiValues(text, a.components, a.values);
            text += "        </DataArray>\n";
        } else {
            text += "appended\" offset=\"" + std::to_string(appended.size()) + "\"/>\n";
            appended += CompressedArray(a.values);
        }
    }
    text += "      </PointData>\n"
            "      <CellData>\n"
            "      </CellData>\n"
            "    </Piece>\n"
            "  </ImageData>\n";
    if (!ascii) {
        text += "  <AppendedData encoding=\"raw\">\n   _";
        text += appended;
        text += "\n  </AppendedData>\n";
    }
    text += "</VTKFile>\n";
    return text;
}

std::string ParseFieldFile(std::string_view s, FieldImage& image)
{
    image = FieldImage();
    Tag tag;
    if (!NextTag(s, 0, tag) || tag.name != "VTKFile")
        return "it is not a VTK XML file";
    const std::string_view file = tag.attributes;
    if (Attribute(file, "type") != "ImageData")
        return "it holds VTK data of type " + Quoted(Attribute(file, "type")) + ", not image data";
    if (Attribute(file, "byte_order", "LittleEndian") != "LittleEndian")
        return "its byte order " + Quoted(Attribute(file, "byte_order")) + " is not LittleEndian";
    const std::string_view headerType = Attribute(file, "header_type", "UInt32");
    if (headerType != "UInt32" && headerType != "UInt64")
        return "its header type " + Quoted(headerType) + " is neither UInt32 nor UInt64";
    const int headerBytes = headerType == "UInt64" ? 8 : 4;
    const std::string_view compressor = Attribute(file, "compressor");
    if (!compressor.empty() && compressor != "vtkZLibDataCompressor")
        return "its compressor " + Quoted(compressor) + " is not zlib";

    if (!NextTag(s, tag.end, tag) || tag.name != "ImageData" || tag.closing)
        return "it has no ImageData element";
    const std::string_view whole = Attribute(tag.attributes, "WholeExtent");
    std::string error = ParseExtent(whole, image.nx, image.ny, image.nz);
    if (error.empty())
        error = ParseTriple(tag.attributes, "Origin", image.origin);
    if (error.empty())
        error = ParseTriple(tag.attributes, "Spacing", image.spacing);
    if (!error.empty())
        return error;
    if (!NextTag(s, tag.end, tag) || tag.name != "Piece" || tag.closing)
        return "it has no Piece element";
    const std::string_view pieceExtent = Attribute(tag.attributes, "Extent");
    if (pieceExtent != whole)
        return "its piece's extent " + Quoted(pieceExtent) + " is not the whole extent";
    if (!NextTag(s, tag.end, tag) || tag.name != "PointData" || tag.closing)
        return "it has no PointData element";

    const std::uint64_t nodes = std::uint64_t(image.nx) * std::uint64_t(image.ny) * std::uint64_t(image.nz);
    std::uint64_t totalValues = 0, appendedValues = 0;
    std::vector<PendingArray> pending;
    std::size_t pos = tag.end;
    for (;;) {
        if (!NextTag(s, pos, tag))
            return "the file is cut short in its point data";
        pos = tag.end;
        if (tag.name == "PointData" && tag.closing)
            break;
        if (tag.name != "DataArray" || tag.closing)
            return "its point data holds an unexpected " + Quoted(tag.name) + " element";
        FieldArray array;
        array.name = std::string(Attribute(tag.attributes, "Name"));
        const std::string what = "the array " + Quoted(array.name);
        if (array.name.empty())
            return "an array has no name";
        if (array.name.size() > 64)
            return what + " has too long a name";
        for (char c : array.name)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e ||
                std::strchr("\"'<>&", c))
                return what + " has a character no array name of a run has";
        if (image.Find(array.name))
            return what + " comes twice";
        if (image.arrays.size() == std::size_t(kMaxFieldArrays))
            return "it has more than " + std::to_string(kMaxFieldArrays) + " arrays";
        const std::string_view type = Attribute(tag.attributes, "type");
        if (type != "Float64")
            return what + " is of type " + Quoted(type) + "; a run's arrays are Float64";
        const std::string_view componentsText = Attribute(tag.attributes, "NumberOfComponents", "1");
        int components = 0;
        if (!Numbers(componentsText, &components, 1) || components < 1 || components > kMaxFieldComponents)
            return what + " has " + Quoted(componentsText) + " components, not 1 to " +
                   std::to_string(kMaxFieldComponents);
        array.components = components;
        const std::uint64_t count = nodes * std::uint64_t(components);
        totalValues += count;
        if (totalValues > std::uint64_t(kMaxFieldValues))
            return "its arrays hold more than the " + std::to_string(kMaxFieldValues) +
                   " values the reader takes";
        const std::string_view format = Attribute(tag.attributes, "format");
        if (format == "ascii") {
            if (tag.empty)
                return what + " has no values";
            const std::size_t close = s.find("</DataArray>", pos);
            if (close == std::string_view::npos)
                return "the file is cut short in " + what;
            const std::string_view text = s.substr(pos, close - pos);
            // Every value takes a digit and a separator.
            if (count > text.size() / 2 + 1)
                return what + " holds fewer values than its " + std::to_string(nodes) + " nodes need";
            array.values.resize(std::size_t(count));
            if (!Numbers(text, array.values.data(), array.values.size()))
                return what + " does not hold " + std::to_string(count) + " numbers";
            for (double v : array.values)
                if (!std::isfinite(v))
                    return what + " holds a value that is not a finite number";
            pos = close + 12;
        } else if (format == "appended") {
            std::uint64_t offset = 0;
            const std::string_view offsetText = Attribute(tag.attributes, "offset");
            if (!Numbers(offsetText, &offset, 1))
                return what + " has no offset";
            // The values come from the appended section, checked against
            // its size before they are allocated.
            pending.push_back({image.arrays.size(), offset});
            appendedValues += count;
            if (!tag.empty) {
                const std::size_t close = s.find("</DataArray>", pos);
                if (close == std::string_view::npos)
                    return "the file is cut short in " + what;
                pos = close + 12;
            }
        } else {
            return what + " is in the " + Quoted(format) + " format; the reader takes ascii and appended";
        }
        image.arrays.push_back(std::move(array));
    }
    if (image.arrays.empty())
        return "it holds no arrays";
    if (pending.empty())
        return {};

    const std::size_t appendedAt = s.find("<AppendedData", pos);
    if (appendedAt == std::string_view::npos || !NextTag(s, appendedAt, tag))
        return "the file is cut short before its appended data";
    if (Attribute(tag.attributes, "encoding") != "raw")
        return "its appended data is encoded as " + Quoted(Attribute(tag.attributes, "encoding")) +
               "; the reader takes raw";
    std::size_t base = tag.end;
    while (base < s.size() && IsSpace(s[base]))
        ++base;
    if (base == s.size() || s[base] != '_')
        return "its appended data does not start with '_'";
    ++base;
    // Memory for the values: what the bytes after the mark can hold, at
    // zlib's largest ratio when compressed, and never more than the limit.
    const std::uint64_t room = std::uint64_t(s.size() - base);
    const std::uint64_t inflation = compressor.empty() ? 1 : kMostInflation;
    if (appendedValues * 8 > room * inflation + 64 * pending.size())
        return "its arrays need more data than the file holds";
    for (const PendingArray& p : pending) {
        FieldArray& array = image.arrays[p.index];
        array.values.resize(std::size_t(nodes) * std::size_t(array.components));
        error = ReadAppended(s, base, p, headerBytes, !compressor.empty(), array);
        if (!error.empty())
            return error;
    }
    return {};
}

std::string ReadRegularFile(const std::string& path, unsigned long long maxBytes, std::string& bytes)
{
    bytes.clear();
    const std::string name = "\"" + path + "\"";
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return "Cannot open " + name + ": " + std::strerror(errno) + ".";
    if (!S_ISREG(info.st_mode))
        return "Cannot open " + name + ": it is not a regular file.";
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "Cannot open " + name + ": " + std::strerror(errno) + ".";
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return "Cannot open " + name + ": it is not a regular file.";
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        close(fd);
        return "Cannot open " + name + ": at " + std::to_string(info.st_size) +
               " bytes it is larger than the " + std::to_string(maxBytes) + " bytes such a file can have.";
    }
    bytes.resize(std::size_t(info.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            close(fd);
            bytes.clear();
            return "Cannot read " + name + ": " + std::strerror(error) + ".";
        }
        if (n == 0)
            break; // shortened meanwhile: what is there is parsed
        got += std::size_t(n);
    }
    close(fd);
    bytes.resize(got);
    return {};
}

std::string ReadFieldFile(const std::string& path, FieldImage& image)
{
    std::string bytes;
    std::string error = ReadRegularFile(path, kMaxFieldFileBytes, bytes);
    if (!error.empty())
        return error;
    error = ParseFieldFile(bytes, image);
    if (!error.empty()) {
        image = FieldImage();
        return "Cannot read the field \"" + path + "\": " + error + ".";
    }
    return {};
}

} // namespace lbm
