// SPDX-License-Identifier: GPL-3.0-or-later
#include "DrawBudget.h"

#include "TGLIcosahedron.h"
#include "TGLObject.h"

#include <algorithm>

namespace drawbudget {

std::uint64_t Triangles(const std::vector<TGLObject*>& objects, int cap, int setTo)
{
    std::uint64_t total = 0;
    for (const TGLObject* obj : objects) {
        const int level = obj->GetDetail();
        total += level >= 0 ? obj->TrianglesAt(std::min(setTo >= 0 ? setTo : level, cap))
                            : obj->TrianglesAt(level);
    }
    return total;
}

int FittingCap(const std::vector<TGLObject*>& objects, int setTo)
{
    // Objects without levels count the same at every cap: sum them once, and
    // the others by level.
    std::uint64_t fixed = 0;
    std::vector<const TGLObject*> byLevel[TGLIcosahedron::kMaxDepth + 1];
    int deepest = 0;
    for (const TGLObject* obj : objects) {
        const int level = obj->GetDetail();
        if (level < 0) {
            fixed += obj->Triangles();
            continue;
        }
        const int wanted = std::clamp(setTo >= 0 ? setTo : level, 0, TGLIcosahedron::kMaxDepth);
        byLevel[wanted].push_back(obj);
        deepest = std::max(deepest, wanted);
    }
    for (int cap = deepest; cap > 0; --cap) {
        std::uint64_t total = fixed;
        for (int level = 0; level <= deepest; ++level)
            for (const TGLObject* obj : byLevel[level])
                total += obj->TrianglesAt(std::min(level, cap));
        if (total <= kMaxTriangles)
            return cap;
    }
    return 0;
}

} // namespace drawbudget
