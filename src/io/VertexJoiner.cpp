// SPDX-License-Identifier: GPL-3.0-or-later
#include "PolyMesh.h"

#include <cstring>

namespace meshio {
namespace {

// Position key: the three coordinates' bits, with -0 taken as 0.
struct Key {
    std::uint32_t bits[3];
    bool operator==(const Key& other) const { return std::memcmp(bits, other.bits, sizeof bits) == 0; }
};

Key KeyOf(const float* p)
{
    Key key;
    for (int i = 0; i < 3; ++i) {
        const float v = p[i] + 0.0f; // -0 + 0 is +0
        std::memcpy(&key.bits[i], &v, sizeof v);
    }
    return key;
}

std::uint64_t Hash(const Key& key)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::uint32_t b : key.bits) {
        h ^= b;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    return h;
}

} // namespace

VertexJoiner::VertexJoiner(std::vector<float>& out) : FOut(out) { Rehash(1024); }

std::int32_t VertexJoiner::Add(const float* p)
{
    const Key key = KeyOf(p);
    for (std::size_t slot = Hash(key) & FMask;; slot = (slot + 1) & FMask) {
        const std::int32_t at = FTable[slot];
        if (at < 0) {
            const auto added = static_cast<std::int32_t>(FCount++);
            FTable[slot] = added;
            FOut.insert(FOut.end(), p, p + 3);
            if (FCount * 2 > FTable.size())
                Rehash(FTable.size() * 2);
            return added;
        }
        if (KeyOf(&FOut[static_cast<std::size_t>(at) * 3]) == key)
            return at;
    }
}

void VertexJoiner::Rehash(std::size_t size)
{
    // Open addressing in a table at least twice the vertex count.
    FTable.assign(size, -1);
    FMask = size - 1;
    for (std::size_t k = 0; k < FCount; ++k) {
        std::size_t slot = Hash(KeyOf(&FOut[k * 3])) & FMask;
        while (FTable[slot] >= 0)
            slot = (slot + 1) & FMask;
        FTable[slot] = static_cast<std::int32_t>(k);
    }
}

} // namespace meshio
