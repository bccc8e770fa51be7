// torvel-cli cascade as outside checks see it: the JSON keys, the exit statuses of impossible requests,
// the response grid and the exports.
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace torvel::cli {
namespace {

RunResult cascade(std::vector<std::string> args)
{
    args.insert(args.begin(), {"torvel-cli", "cascade"});
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return run(static_cast<int>(argv.size()), argv.data());
}

TEST(TorvelCliCascade, JsonHoldsTheOrderSectionsMaskAndHeadroom)
{
    // The lowest elliptic order for this mask is 7 (SciPy's ellipord agrees; 12k would need 8).
    const RunResult r = cascade({"--response", "lp", "--approx", "elliptic", "--fp", "10k", "--fs", "13k", "--Ap", "0.5",
                                 "--As", "60", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["order"], 7);
    ASSERT_EQ(json["sections"].size(), 4u);
    const auto& first = json["sections"][0];
    EXPECT_EQ(first["kind"], "first-order-lp");
    EXPECT_TRUE(first["Q"].is_null());
    EXPECT_TRUE(first["fn"].is_null());
    for (const auto& s : json["sections"]) {
        for (const char* key : {"kind", "fo", "Q", "fn", "H", "fields", "realised"})
            EXPECT_TRUE(s.contains(key)) << key;
        EXPECT_EQ(s["fields"].size(), 17u);  // every field, as the synth JSON has them
    }
    EXPECT_EQ(json["sections"][3]["kind"], "tzf-low");
    EXPECT_GT(json["sections"][3]["fn"].get<double>(), json["sections"][3]["fo"].get<double>());
    EXPECT_EQ(json["mask"]["fp"], 10000.0);
    EXPECT_EQ(json["mask"]["met_ideal"], true);
    EXPECT_TRUE(json["mask"]["met_built"].is_boolean());
    EXPECT_GE(json["headroom_db"].get<double>(), 0);
    EXPECT_FALSE(json.contains("points"));
}

TEST(TorvelCliCascade, PointsCoverTheGridWithBothEnds)
{
    const RunResult r = cascade({"--response", "bp", "--approx", "butterworth", "--order", "2", "--fc", "1k", "--bw", "200",
                                 "--points", "11", "--from", "100", "--to", "10k", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto points = nlohmann::json::parse(r.out)["points"];
    ASSERT_EQ(points.size(), 11u);
    EXPECT_DOUBLE_EQ(points[0]["f"].get<double>(), 100);
    EXPECT_DOUBLE_EQ(points[10]["f"].get<double>(), 10e3);
    EXPECT_NEAR(points[5]["f"].get<double>(), 1e3, 1e-9);
    EXPECT_NEAR(points[5]["ideal_db"].get<double>(), 0, 1e-9);  // the centre of a Butterworth band-pass
    for (const char* key : {"ideal_db", "built_db", "ideal_deg", "built_deg"})
        EXPECT_TRUE(points[3].contains(key)) << key;
}

TEST(TorvelCliCascade, ImpossibleRequestsExitWithUsageAndOneLine)
{
    const std::vector<std::vector<std::string>> rows = {
        {"--response", "lp", "--approx", "butterworth", "--order", "0", "--fc", "1k"},
        {"--response", "lp", "--approx", "butterworth", "--order", "13", "--fc", "1k"},
        {"--response", "lp", "--approx", "butterworth", "--order", "three", "--fc", "1k"},
        {"--response", "lp", "--approx", "butterworth", "--fp", "2k", "--fs", "1k", "--Ap", "1", "--As", "40"},
        {"--response", "bp", "--approx", "elliptic", "--fp", "9k", "--fs", "8k", "--Ap", "1", "--As", "40"},
        {"--response", "bp", "--approx", "elliptic", "--order", "3", "--fc", "1k"},
        {"--response", "xx", "--approx", "elliptic", "--order", "3", "--fc", "1k"},
        {"--approx", "elliptic", "--order", "3", "--fc", "1k"},
        {"--response", "lp", "--approx", "butterworth", "--order", "3", "--fc", "1k", "--fp", "1k"},
        {"--response", "lp", "--approx", "butterworth", "--order", "3", "--fc", "1k", "--gbw", "-1"},
    };
    for (const auto& row : rows) {
        const RunResult r = cascade(row);
        std::string line;
        for (const std::string& a : row)
            line += a + " ";
        EXPECT_EQ(r.exitCode, 2) << line;
        EXPECT_TRUE(r.out.empty()) << line;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << line << r.err;
    }
    const char* argv[] = {"torvel-cli", "cascade", "synth"};
    EXPECT_EQ(run(3, argv).exitCode, 2);  // a whole filter is designed on its own
}

TEST(TorvelCliCascade, ASectionWhoseSynthesisFaultsEndsAsTheCalculatorsFault)
{
    // A standard impedance of 1e-300 ohm overflows the first capacitor: exit 4 with the fault's text.
    const RunResult r = cascade({"--response", "lp", "--approx", "butterworth", "--order", "4", "--fc", "1k", "--Z", "1e-300"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("Floating point overflow."), std::string::npos) << r.err;
}

TEST(TorvelCliCascade, NetlistAndPartsListOfTheWholeCascade)
{
    const RunResult netlist = cascade({"--response", "hp", "--approx", "chebyshev", "--order", "3", "--fc", "300", "--netlist"});
    ASSERT_EQ(netlist.exitCode, 0);
    EXPECT_EQ(netlist.out.rfind("* Torvel: Chebyshev high-pass, order 3", 0), 0u) << netlist.out;
    EXPECT_NE(netlist.out.find("VIN in 0 DC 0 AC 1"), std::string::npos);
    EXPECT_NE(netlist.out.find(" out "), std::string::npos);  // the last section drives node out
    const RunResult bom = cascade({"--response", "hp", "--approx", "chebyshev", "--order", "3", "--fc", "300", "--bom"});
    EXPECT_EQ(bom.out.rfind("reference,value,series,role\nC1.1,", 0), 0u) << bom.out;
    EXPECT_NE(bom.out.find("\nR10.2,"), std::string::npos);
}

TEST(TorvelCliCascade, SavedFilterLoadsBackToTheSameJson)
{
    const std::string path = std::filesystem::temp_directory_path() / ("torvel-filter-" + std::to_string(::getpid()) + ".json");
    const RunResult saved = cascade({"--response", "bs", "--approx", "inverse-chebyshev", "--order", "3", "--fc", "50",
                                     "--bw", "10", "--E1", "96", "--Z", "10k", "--json", "--save", path});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult loaded = cascade({"--load", path, "--json"});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(loaded.out, saved.out);
    std::remove(path.c_str());
    EXPECT_EQ(cascade({"--load", path}).exitCode, 2);  // gone: refused, nothing designed
    EXPECT_EQ(cascade({"--load", "/dev/zero"}).exitCode, 2);  // not a regular file: refused before reading
}

TEST(TorvelCliCascade, AFailedSaveIsItsOwnExitStatus)
{
    const RunResult r = cascade({"--response", "lp", "--approx", "bessel", "--order", "2", "--fc", "1k", "--save", "/dev/full"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("cannot write /dev/full"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace torvel::cli
