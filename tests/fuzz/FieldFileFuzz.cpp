// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the readers of a results folder: the field file (both its
// compressed and its text form), the summary and the centreline profiles all
// read the same input. What the field reader accepts is checked for the
// sizes it promises and written again, and the rewrite must read back the
// same: a value it let through that the writer cannot carry is a finding.
#include "FieldFile.h"
#include "ResultsFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    lbm::FieldImage image;
    if (lbm::ParseFieldFile(bytes, image).empty()) {
        const std::size_t nodes = std::size_t(image.nx) * std::size_t(image.ny);
        if (image.nx < 1 || image.ny < 1 || nodes > std::size_t(lbm::kMaxFieldNodes) || image.arrays.empty())
            std::abort();
        for (const lbm::FieldArray& a : image.arrays)
            if (a.values.size() != nodes * std::size_t(a.components))
                std::abort();
        lbm::FieldImage again;
        if (!lbm::ParseFieldFile(lbm::FieldFileBytes(image), again).empty() ||
            again.arrays.size() != image.arrays.size())
            std::abort();
        for (std::size_t k = 0; k < image.arrays.size(); ++k)
            if (again.arrays[k].values != image.arrays[k].values ||
                again.arrays[k].name != image.arrays[k].name)
                std::abort();
    }
    lbm::RunSummary summary;
    (void)lbm::ParseSummary(bytes, summary);
    lbm::Profile profile;
    (void)lbm::ParseProfile(bytes, "y,u", profile);
    return 0;
}
