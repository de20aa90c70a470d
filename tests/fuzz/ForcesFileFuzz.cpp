// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for a channel's force history (forces.csv): the results
// folder's reader and the Results page's reader take the same input. What
// either accepts must be finite rows of the sizes it promises, and a history
// the folder's reader takes the page's reader takes too, with the same steps,
// cD and cL: a file the program draws one way and reopens another is a
// finding.
#include "ResultsFolder.h"
#include "ResultsList.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    lbm::ForceSeries series;
    const bool folderReads = lbm::ParseForces(bytes, series).empty();
    const std::size_t rows = series.history.steps.size();
    if (series.times.size() != rows || series.history.cd.size() != rows || series.history.cl.size() != rows)
        std::abort();
    if (!folderReads && rows != 0)
        std::abort(); // a file that does not read leaves nothing behind
    for (std::size_t k = 0; k < rows; ++k)
        if (series.history.steps[k] < 0 || !std::isfinite(series.times[k]) ||
            !std::isfinite(series.history.cd[k]) || !std::isfinite(series.history.cl[k]))
            std::abort();

    std::vector<ForcePoint> points;
    QString axis;
    const bool pageReads =
        ParseForces(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), points, axis).isEmpty();
    if (pageReads == points.empty() || (!pageReads && !axis.isEmpty()) ||
        points.size() > std::size_t(kMaxForcePoints))
        std::abort();
    for (const ForcePoint& p : points)
        if (!std::isfinite(p.x) || !std::isfinite(p.cd) || !std::isfinite(p.cl))
            std::abort();

    if (folderReads && rows > 0) {
        if (!pageReads || points.size() != rows || axis != QLatin1String("step"))
            std::abort();
        for (std::size_t k = 0; k < rows; ++k)
            if (points[k].x != double(series.history.steps[k]) || points[k].cd != series.history.cd[k] ||
                points[k].cl != series.history.cl[k])
                std::abort();
    }
    return 0;
}
