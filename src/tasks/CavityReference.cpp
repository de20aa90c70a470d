// SPDX-License-Identifier: GPL-3.0-or-later
#include "CavityReference.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

// The text of the reference data file, made at build time.
extern const char kCavityReferenceCsv[];

namespace {

struct Row {
    char profile;
    double re, position, value;
    bool use;
};

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = [] {
        std::vector<Row> result;
        std::istringstream in(kCavityReferenceCsv);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            Row row{};
            char p = 0;
            int use = 0;
            char c1 = 0, c2 = 0, c3 = 0, c4 = 0;
            std::istringstream fields(line);
            if (fields >> p >> c1 >> row.re >> c2 >> row.position >> c3 >> row.value >> c4 >> use &&
                c1 == ',' && c2 == ',' && c3 == ',' && c4 == ',') {
                row.profile = p;
                row.use = use != 0;
                result.push_back(row);
            }
        }
        return result;
    }();
    return rows;
}

} // namespace

std::vector<std::pair<double, double>> CavityReference(char profile, double reynolds)
{
    std::vector<std::pair<double, double>> points;
    for (const Row& row : Rows())
        if (row.profile == profile && row.use && std::abs(row.re - reynolds) <= 1e-9 * row.re)
            points.emplace_back(row.position, row.value);
    std::sort(points.begin(), points.end());
    return points;
}

std::vector<double> CavityReferenceReynolds()
{
    std::vector<double> res;
    for (const Row& row : Rows())
        if (std::find(res.begin(), res.end(), row.re) == res.end())
            res.push_back(row.re);
    std::sort(res.begin(), res.end());
    return res;
}
