// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The field file of a run (field.vti): VTK XML image data on a grid of nodes
// (2-D, or 3-D for the three-dimensional tasks), with Float64 point arrays.
//
// Written with the arrays zlib-compressed in an appended raw section
// (header_type UInt64, blocks of kFieldBlockBytes), every value kept as the
// double it was. Runs before that wrote the values as ASCII text with twelve
// significant digits, and the reader takes both, so that old runs reopen.
//
// The reader takes its bytes as hostile: the grid, the arrays' sizes, their
// offsets and the compressed blocks' sizes are all checked against the bytes
// the file holds before anything is allocated for them, and against fixed
// limits (kMaxFieldNodes, kMaxFieldValues, kMaxFieldArrays). A value that is not a finite
// number is refused.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lbm {

struct FieldArray {
    std::string name;
    int components = 1;
    std::vector<double> values; // node by node, x fastest, then y, then z, components together
};

struct FieldImage {
    int nx = 0;
    int ny = 0;
    int nz = 1;
    double origin[3] = {0, 0, 0};
    double spacing[3] = {1, 1, 1};
    std::vector<FieldArray> arrays;

    const FieldArray* Find(std::string_view name) const;
};

enum class FieldEncoding {
    Compressed, // appended raw, zlib blocks: what runs write
    Ascii,      // the text of runs before, twelve significant digits
};

inline constexpr std::size_t kFieldBlockBytes = 32768;
inline constexpr long long kMaxFieldNodes = 4096LL * 4096LL;
inline constexpr long long kMaxFieldValues = 8 * kMaxFieldNodes; // all arrays together: 1 GiB
inline constexpr int kMaxFieldArrays = 16;
inline constexpr int kMaxFieldComponents = 9;

// The shortest of 15 or `digits` significant digits that reads back as the
// same value: how the result files write their numbers.
std::string NumberText(double value, int digits = 17);

// The file's bytes. The arrays must hold nx * ny * nz * components values each.
std::string FieldFileBytes(const FieldImage& image, FieldEncoding encoding = FieldEncoding::Compressed);

// Reads the bytes of a field file into `image`. Returns an empty string, or a
// sentence saying what is wrong (without the file's name).
std::string ParseFieldFile(std::string_view bytes, FieldImage& image);

// Largest field file the reader opens.
inline constexpr unsigned long long kMaxFieldFileBytes = 2ULL << 30;

// Reads a regular file of at most `maxBytes` bytes into `bytes` without
// blocking on a pipe or a device. Returns an empty string, or a message
// naming the file.
std::string ReadRegularFile(const std::string& path, unsigned long long maxBytes, std::string& bytes);

// Reads the file at `path`: a regular file of at most kMaxFieldFileBytes.
// Returns an empty string, or a message naming the file.
std::string ReadFieldFile(const std::string& path, FieldImage& image);

} // namespace lbm
