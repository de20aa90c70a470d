// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers shared by the solver's tests: a temporary folder and readers
// of the result files.

#include "FieldFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed afterwards.
struct TempDir {
    std::string path;
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-lbm-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Rows of numbers of a CSV file whose first line must be `header`.
inline std::vector<std::vector<double>> ReadCsv(const std::string& path, const std::string& header)
{
    std::ifstream in(path);
    std::string line;
    std::vector<std::vector<double>> rows;
    if (!std::getline(in, line) || line != header) {
        ADD_FAILURE() << path << ": header \"" << line << "\", expected \"" << header << "\"";
        return rows;
    }
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream s(line);
        std::string cell;
        while (std::getline(s, cell, ','))
            row.push_back(std::strtod(cell.c_str(), nullptr));
        rows.push_back(row);
    }
    return rows;
}

// The data arrays of a field file (either encoding), by name; none when it
// cannot be read.
inline std::map<std::string, std::vector<double>> VtiArrays(const std::string& bytes)
{
    std::map<std::string, std::vector<double>> arrays;
    lbm::FieldImage image;
    const std::string error = lbm::ParseFieldFile(bytes, image);
    EXPECT_EQ(error, "");
    for (lbm::FieldArray& a : image.arrays)
        arrays[a.name] = std::move(a.values);
    return arrays;
}

#ifdef CORVANE_LBM_DATA_DIR
// A published profile table (tests/data/lbm): rows "profile,re,position,
// value,use" after the comment lines that name its source; the rows marked
// used.
struct Reference {
    char profile; // 'u' or 'v'
    int re;
    double position;
    double value;
};

inline std::vector<Reference> LoadReference(const std::string& file = "ghia1982.csv")
{
    std::vector<Reference> rows;
    std::ifstream in(CORVANE_LBM_DATA_DIR "/" + file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream s(line);
        std::string profile, re, position, value, use;
        std::getline(s, profile, ',');
        std::getline(s, re, ',');
        std::getline(s, position, ',');
        std::getline(s, value, ',');
        std::getline(s, use, ',');
        if (use == "1")
            rows.push_back({profile[0], std::stoi(re), std::stod(position), std::stod(value)});
    }
    return rows;
}
#endif
