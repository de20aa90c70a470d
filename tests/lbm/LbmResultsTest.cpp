// SPDX-License-Identifier: GPL-3.0-or-later
// The result files and the fields derived for them.

#include "LbmResults.h"
#include "LbmTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;

// A field given by functions of the node centres in cavity units.
template <class U, class V> lbm::Fields MakeFields(int gx, int gy, double lid, U u, V v)
{
    lbm::Fields f;
    f.gx = gx;
    f.gy = gy;
    for (int j = 0; j < gy; ++j)
        for (int i = 0; i < gx; ++i) {
            const double x = (i + 0.5) / gx, y = (j + 0.5) / gy;
            f.ux.push_back(lid * u(x, y));
            f.uy.push_back(lid * v(x, y));
            f.rho.push_back(1.0 + 0.01 * i - 0.02 * j);
        }
    return f;
}

TEST(LbmResults, CentrelinesRunWallToWallThroughTheCentre)
{
    // Odd sizes: the centre line runs through a node column; even: between two.
    for (auto [gx, gy] : {std::pair{5, 7}, std::pair{6, 4}}) {
        const lbm::Fields f = MakeFields(
            gx, gy, 0.05, [](double x, double y) { return x + 10 * y; },
            [](double x, double y) { return 3 * x - y; });
        const lbm::Profile u = lbm::UCentreline(f, 0.05);
        ASSERT_EQ(u.size(), std::size_t(gy + 2));
        EXPECT_EQ(u.front(), std::make_pair(0.0, 0.0));
        EXPECT_EQ(u.back(), std::make_pair(1.0, 1.0));
        for (int j = 0; j < gy; ++j) {
            const double y = (j + 0.5) / gy;
            EXPECT_DOUBLE_EQ(u[j + 1].first, y);
            EXPECT_NEAR(u[j + 1].second, 0.5 + 10 * y, 1e-12) << gx << "x" << gy << " row " << j;
        }
        const lbm::Profile v = lbm::VCentreline(f, 0.05);
        ASSERT_EQ(v.size(), std::size_t(gx + 2));
        EXPECT_EQ(v.front(), std::make_pair(0.0, 0.0));
        EXPECT_EQ(v.back(), std::make_pair(1.0, 0.0));
        for (int i = 0; i < gx; ++i) {
            const double x = (i + 0.5) / gx;
            EXPECT_DOUBLE_EQ(v[i + 1].first, x);
            EXPECT_NEAR(v[i + 1].second, 3 * x - 0.5, 1e-12);
        }
    }
}

// A shear flow u = U y that meets both wall conditions (u = 0 at the bottom,
// U at the lid): vorticity -U/L everywhere, the walls' mirrors included.
// A closed flow u = U (3 y^2 - 2 y), which meets them too with no net flow
// through a vertical line: stream function U L (y^3 - y^2), zero on both
// walls, to the trapezoidal rule's error (an integral from the bottom wall
// alone misses it by 0.0018 near the lid).
TEST(LbmResults, VorticityAndStreamFunctionOfAShearFlow)
{
    const int n = 8;
    const lbm::Fields f = MakeFields(
        n, n, 0.1, [](double, double y) { return y; }, [](double, double) { return 0.0; });
    const std::vector<double> w = lbm::Vorticity(f, 0.1);
    ASSERT_EQ(w.size(), std::size_t(n * n));
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(w[j * n + i], -1.0, 1e-12) << i << "," << j;

    const int m = 16;
    const lbm::Fields closed = MakeFields(
        m, m, 0.1, [](double, double y) { return 3 * y * y - 2 * y; }, [](double, double) { return 0.0; });
    const std::vector<double> psi = lbm::StreamFunction(closed, 0.1);
    ASSERT_EQ(psi.size(), std::size_t(m * m));
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < m; ++i) {
            const double y = (j + 0.5) / m;
            EXPECT_NEAR(psi[j * m + i], y * y * y - y * y, 1e-4) << i << "," << j;
        }

    // v = x - 1/2 with u = 0: vorticity 1 away from the side walls and from
    // the lid, where u jumps to the lid speed (-du/dy = -2 U / h = -2 n there).
    const lbm::Fields g = MakeFields(
        n, n, 0.1, [](double, double) { return 0.0; }, [](double x, double) { return x - 0.5; });
    const std::vector<double> wg = lbm::Vorticity(g, 0.1);
    for (int j = 0; j < n; ++j)
        for (int i = 1; i < n - 1; ++i)
            EXPECT_NEAR(wg[j * n + i], j < n - 1 ? 1.0 : 1.0 - n, 1e-12) << i << "," << j;
}

// The cavity's stream function vanishes on all four walls to within the
// discretisation error: extrapolated from the three nearest nodes to each wall
// it is small beside the vortex's psi and falls at second order with the
// spacing. (Integrated from the bottom wall alone, with half the lid's
// momentum on the corner links, it missed the lid by 1 / (12 Gx), first order.)
TEST(LbmResults, CavityStreamFunctionVanishesOnTheWalls)
{
    double worst[2] = {0, 0};
    const int sides[2] = {33, 65};
    for (int g = 0; g < 2; ++g) {
        lbm::Task task;
        task.reynolds = 100;
        task.gx = task.gy = sides[g];
        lbm::Settings settings;
        settings.tolerance = 1e-10;
        settings.threads = 1;
        const lbm::RunResult r = lbm::Run(task, settings);
        ASSERT_EQ(r.status, lbm::RunStatus::Converged) << r.message;
        const std::vector<double> psi = lbm::StreamFunction(r.fields, settings.lidSpeed);
        const int n = sides[g];
        const auto at = [&](int i, int j) { return psi[std::size_t(j) * n + i]; };
        // The parabola through the three nodes nearest the wall, at the wall.
        const auto wallValue = [](double a, double b, double c) {
            return std::abs(15 * a - 10 * b + 3 * c) / 8;
        };
        double least = 0, wall = 0;
        for (int k = 0; k < n; ++k) {
            // Near the lid's corners psi ~ r f(angle) is no polynomial: leave
            // the tenth of each wall next to them out.
            const double p = (k + 0.5) / n;
            wall = std::max(wall, wallValue(at(k, 0), at(k, 1), at(k, 2)));
            if (p > 0.1 && p < 0.9)
                wall = std::max(wall, wallValue(at(k, n - 1), at(k, n - 2), at(k, n - 3)));
            if (p < 0.9)
                wall = std::max({wall, wallValue(at(0, k), at(1, k), at(2, k)),
                                 wallValue(at(n - 1, k), at(n - 2, k), at(n - 3, k))});
            for (int j = 0; j < n; ++j)
                least = std::min(least, at(k, j));
        }
        worst[g] = wall / -least;
        std::printf("[ figures  ] %dx%d: psi_min %.5f, largest wall value %.2e of it\n", n, n, least,
                    worst[g]);
    }
    EXPECT_LT(worst[0], 0.03);
    EXPECT_GT(worst[0] / worst[1], 3.0);
}

class LbmFiles : public ::testing::Test {
protected:
    TempDir dir;
    lbm::Task task;
    lbm::Settings settings;
    lbm::RunResult result;

    void SetUp() override
    {
        task.gx = 9;
        task.gy = 7;
        task.reynolds = 50;
        result = lbm::RunSteps("D2Q9", 9, 7, 0.1, 0.7, 200);
        result.status = lbm::RunStatus::Converged;
        result.message = "a \"quoted\" message";
        ASSERT_EQ(result.fields.ux.size(), 63u);
    }
};

TEST_F(LbmFiles, WritesTheFourFilesWithTheirContent)
{
    const std::string out = dir.path + "/new/results";
    ASSERT_EQ(lbm::WriteResults(out, task, settings, result), "");

    const std::vector<std::vector<double>> u = ReadCsv(out + "/u_centreline.csv", "y,u");
    ASSERT_EQ(u.size(), 7u + 2u);
    const lbm::Profile expected = lbm::UCentreline(result.fields, settings.lidSpeed);
    for (std::size_t k = 0; k < u.size(); ++k) {
        EXPECT_EQ(u[k][0], expected[k].first);
        EXPECT_EQ(u[k][1], expected[k].second); // written with all 17 digits
    }
    EXPECT_EQ(ReadCsv(out + "/v_centreline.csv", "x,v").size(), 9u + 2u);

    const std::string vti = ReadText(out + "/field.vti");
    EXPECT_NE(vti.find("<VTKFile type=\"ImageData\""), std::string::npos);
    EXPECT_NE(vti.find("WholeExtent=\"0 8 0 6 0 0\""), std::string::npos);
    const std::map<std::string, std::vector<double>> arrays = VtiArrays(vti);
    const std::pair<const char*, std::size_t> names[] = {
        {"velocity", 3 * 63}, {"speed", 63}, {"density", 63}, {"vorticity", 63}, {"stream_function", 63}};
    for (const auto& [name, count] : names) {
        ASSERT_EQ(arrays.count(name), 1u) << name;
        EXPECT_EQ(arrays.at(name).size(), count) << name;
    }
    // Every value as the double it was.
    EXPECT_EQ(arrays.at("velocity")[3 * 10], result.fields.ux[10] / 0.1);
    EXPECT_EQ(arrays.at("velocity")[3 * 10 + 1], result.fields.uy[10] / 0.1);
    EXPECT_EQ(arrays.at("density"), result.fields.rho);

    const std::string json = ReadText(out + "/summary.json");
    for (const char* key :
         {"\"model\": \"D2Q9\"", "\"gx\": 9", "\"gy\": 7", "\"converged\": true", "\"steps\": 200",
          "\"precision\": \"double\"", "\"processes\": 1", "\"message\": \"a \\\"quoted\\\" message\"",
          "\"lid_speed\": 0.1,", "\"mlups\":", "\"seconds\":", "\"threads\":"})
        EXPECT_NE(json.find(key), std::string::npos) << key << "\n" << json;

    // Nothing but the four files: no temporary file is left behind.
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(out))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"field.vti", "summary.json", "u_centreline.csv",
                                               "v_centreline.csv"}));
}

// On a grid that is not square the field's nodes lie where the centreline
// files put them: the top row half a row spacing below the lid (y = 1), the
// last column half a column spacing left of the right wall (x = 1).
TEST_F(LbmFiles, FieldNodesLieWhereTheCentrelinesPutThem)
{
    ASSERT_EQ(lbm::WriteResults(dir.path, task, settings, result), "");
    const std::string vti = ReadText(dir.path + "/field.vti");
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(vti, m, std::regex("Origin=\"([^ ]+) ([^ ]+) 0\" Spacing=\"([^ ]+) ([^ ]+) ")))
        << vti.substr(0, 400);
    const double x0 = std::stod(m[1]), y0 = std::stod(m[2]), hx = std::stod(m[3]), hy = std::stod(m[4]);
    const lbm::Profile u = lbm::UCentreline(result.fields, settings.lidSpeed);
    const lbm::Profile v = lbm::VCentreline(result.fields, settings.lidSpeed);
    EXPECT_DOUBLE_EQ(y0, u[1].first);
    EXPECT_DOUBLE_EQ(y0 + (task.gy - 1) * hy, u[u.size() - 2].first);
    EXPECT_DOUBLE_EQ(x0, v[1].first);
    EXPECT_DOUBLE_EQ(x0 + (task.gx - 1) * hx, v[v.size() - 2].first);
}

TEST_F(LbmFiles, RewritingReplacesTheOldFiles)
{
    ASSERT_EQ(lbm::WriteResults(dir.path, task, settings, result), "");
    std::ofstream(dir.path + "/u_centreline.csv") << "stale\n";
    result.steps = 1234;
    ASSERT_EQ(lbm::WriteResults(dir.path, task, settings, result), "");
    EXPECT_EQ(ReadCsv(dir.path + "/u_centreline.csv", "y,u").size(), 9u);
    EXPECT_NE(ReadText(dir.path + "/summary.json").find("\"steps\": 1234"), std::string::npos);
}

TEST_F(LbmFiles, UnwritableFolderIsNamed)
{
    const std::string file = dir.path + "/plain-file";
    std::ofstream(file) << "x";
    for (const std::string& out : {file, file + "/sub", std::string("/proc/corvane-results")}) {
        const std::string message = lbm::WriteResults(out, task, settings, result);
        EXPECT_NE(message.find("\"" + out + "\""), std::string::npos) << message;
        EXPECT_EQ(message, lbm::PrepareOutputFolder(out));
    }
    EXPECT_NE(lbm::PrepareOutputFolder("").find("No output folder"), std::string::npos);
    EXPECT_EQ(ReadText(file), "x");
}

TEST_F(LbmFiles, MissingFieldsWriteNothing)
{
    lbm::RunResult empty;
    const std::string out = dir.path + "/none";
    EXPECT_NE(lbm::WriteResults(out, task, settings, empty).find("no results"), std::string::npos);
    EXPECT_FALSE(fs::exists(out));
}

} // namespace
