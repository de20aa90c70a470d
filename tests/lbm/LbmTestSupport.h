// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers shared by the solver's tests: a temporary folder and readers
// of the result files.

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

// The ASCII data arrays of a VTK image-data file, by name.
inline std::map<std::string, std::vector<double>> VtiArrays(const std::string& text)
{
    std::map<std::string, std::vector<double>> arrays;
    std::size_t pos = 0;
    while ((pos = text.find("<DataArray", pos)) != std::string::npos) {
        const std::size_t nameAt = text.find("Name=\"", pos) + 6;
        const std::string name = text.substr(nameAt, text.find('"', nameAt) - nameAt);
        const std::size_t begin = text.find('>', pos) + 1;
        const std::size_t end = text.find("</DataArray>", begin);
        std::istringstream values(text.substr(begin, end - begin));
        std::vector<double>& out = arrays[name];
        std::string token;
        while (values >> token)
            out.push_back(std::strtod(token.c_str(), nullptr));
        pos = end;
    }
    return arrays;
}
