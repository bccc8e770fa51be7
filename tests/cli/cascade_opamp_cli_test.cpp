// torvel-cli cascade with a real op-amp, as outside checks see it: the checks of every op-amp along the
// cascade in its JSON and its warnings on stderr, cascade noise, the netlist with the described op-amp,
// and the usage errors; without the new options its output is what it was.
#include "cli_request.h"
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace torvel::cli {
namespace {

using Json = nlohmann::ordered_json;

// A fourth-order Chebyshev low-pass at 1 kHz: two LPF sections of three op-amps each.
const std::vector<std::string> kChebyshev = {"--response", "lp", "--approx", "chebyshev", "--order", "4", "--fc", "1k"};
// A third-order Butterworth low-pass: a first-order section, then an LPF.
const std::vector<std::string> kButterworth = {"--response", "lp", "--approx", "butterworth", "--order", "3", "--fc", "1k"};

RunResult cascade(std::vector<std::string> design, const std::vector<std::string>& options)
{
    design.insert(design.begin(), {"torvel-cli", "cascade"});
    design.insert(design.end(), options.begin(), options.end());
    std::vector<const char*> argv;
    for (const std::string& a : design)
        argv.push_back(a.c_str());
    return run(static_cast<int>(argv.size()), argv.data());
}

std::vector<std::string> keysOf(const Json& object)
{
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items())
        keys.push_back(key);
    return keys;
}

TEST(CascadeOpAmpCli, ChecksOfEveryOpAmpAlongTheCascade)
{
    RunResult r = cascade(kChebyshev, {"--opamp", "NE5532", "--amplitude", "1", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Json checks = Json::parse(r.out)["checks"];
    EXPECT_EQ(keysOf(checks), (std::vector<std::string>{"opamp", "amplitude_v", "from_hz", "to_hz", "opamps", "warnings"}));
    ASSERT_EQ(checks["opamps"].size(), 6u);
    for (std::size_t k = 0; k < 6; ++k) {
        const Json& entry = checks["opamps"][k];
        EXPECT_EQ(keysOf(entry), (std::vector<std::string>{"section", "opamp", "peak_v", "peak_hz", "swing_margin_v",
                                                           "slew_needed", "slew_hz", "slew_margin"}));
        EXPECT_EQ(entry["section"], k / 3 + 1);
        EXPECT_EQ(entry["opamp"], "A" + std::to_string(k % 3 + 1));
        // NE5532 swings +-13 V.
        EXPECT_NEAR(entry["swing_margin_v"].get<double>(), 13 - entry["peak_v"].get<double>(), 1e-12);
    }
    // Each section's output (A3) peaks at the filter's gain, 1, but for the E24 rounding: the second
    // section's peak follows its Q of 3.6, which the rounding moves by several per cent.
    EXPECT_NEAR(checks["opamps"][2]["peak_v"].get<double>(), 1, 0.03);
    EXPECT_NEAR(checks["opamps"][5]["peak_v"].get<double>(), 1, 0.1);
    EXPECT_TRUE(checks["warnings"].empty());

    // At 20 V the outputs pass the swing: warnings on stderr and in the key, and the run still completes.
    r = cascade(kChebyshev, {"--opamp", "NE5532", "--amplitude", "20", "--json"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("torvel-cli: warning: 第2段 A3 の出力が振幅の限界を超えます"), std::string::npos) << r.err;
    EXPECT_FALSE(Json::parse(r.out)["checks"]["warnings"].empty());
    // Without --json the warnings still go to stderr beside the summary.
    r = cascade(kChebyshev, {"--opamp", "NE5532", "--amplitude", "20"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("headroom:"), std::string::npos);
    EXPECT_NE(r.err.find("torvel-cli: warning: "), std::string::npos);
}

TEST(CascadeOpAmpCli, WithoutAnOpAmpTheOutputIsAsItWas)
{
    for (const std::vector<std::string>& options : {std::vector<std::string>{"--json"}, {"--json", "--gbw", "1M"}}) {
        const RunResult r = cascade(kChebyshev, options);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const Json json = Json::parse(r.out);
        EXPECT_FALSE(json.contains("checks"));
        EXPECT_FALSE(json.contains("noise"));
    }
    const RunResult netlist = cascade(kChebyshev, {"--netlist"});
    EXPECT_NE(netlist.out.find("\nEA1_1 v1_1 0 0 n1_1 1e9\n"), std::string::npos) << netlist.out;
}

TEST(CascadeOpAmpCli, NoiseOfTheWholeFilter)
{
    RunResult r = cascade(kButterworth, {"noise", "--opamp", "OP27", "--points", "11", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json json = Json::parse(r.out);
    const Json& noise = json["noise"];
    EXPECT_EQ(keysOf(noise), (std::vector<std::string>{"opamp", "temperature_k", "band_hz", "density", "total_uv_rms",
                                                       "sources", "band"}));
    // A low-pass's passband: a thousandth of fc up to fc.
    EXPECT_EQ(noise["band"], "passband");
    EXPECT_DOUBLE_EQ(noise["band_hz"][0].get<double>(), 1);
    EXPECT_DOUBLE_EQ(noise["band_hz"][1].get<double>(), 1000);
    ASSERT_EQ(noise["density"].size(), 11u);
    EXPECT_EQ(keysOf(noise["density"][0]), (std::vector<std::string>{"f", "v_per_rthz"}));
    double shares = 0;
    for (const Json& s : noise["sources"]) {
        EXPECT_GE(s["section"].get<int>(), 1);
        EXPECT_LE(s["section"].get<int>(), 2);
        shares += s["share"].get<double>();
    }
    EXPECT_NEAR(shares, 1, 1e-9);
    // The first-order section's sources: R1, R4 and the op-amp's en and in.
    int firstSection = 0;
    for (const Json& s : noise["sources"])
        firstSection += s["section"] == 1;
    EXPECT_EQ(firstSection, 4);
    EXPECT_GT(noise["total_uv_rms"].get<double>(), 0);
    EXPECT_TRUE(json.contains("sections"));  // the design's own keys stay

    r = cascade(kButterworth, {"noise", "--opamp", "OP27", "--points", "3", "--band", "20,20k", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Json::parse(r.out)["noise"]["band"], "given");
    EXPECT_EQ(Json::parse(r.out)["noise"]["band_hz"], Json::parse("[20.0, 20000.0]"));

    // As CSV: the density, then every source named by its section, and the total.
    r = cascade(kButterworth, {"noise", "--opamp", "OP27", "--points", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("frequency_hz,v_per_rthz\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\n\nsource,uv_rms,share\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nR4.1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nA1.2 en,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\ntotal,"), std::string::npos);
}

TEST(CascadeOpAmpCli, NetlistCarriesTheDescribedOpAmp)
{
    const RunResult r = cascade(kButterworth, {"--netlist", "--opamp", "NE5532"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(".subckt OPAMP inp inn out\n* NE5532: GBW 10000000 Hz"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nXA1_1 0 n1_1 v1_1 OPAMP\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nXA3_2 0 n3_2 out OPAMP\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("OPAMP1P"), std::string::npos);
}

TEST(CascadeOpAmpCli, UnusableOptionsAreUsageErrors)
{
    const std::vector<std::vector<std::string>> rows = {
        {"noise", "--band", "5,1"}, {"noise", "--band", "20"}, {"--opamp", "LM999"}, {"--amplitude", "-1"},
        {"--slew", "x"},            {"noise", "--gbw", "0"},   {"noise", "tolerance"},
    };
    for (const std::vector<std::string>& options : rows) {
        const RunResult r = cascade(kButterworth, options);
        EXPECT_EQ(r.exitCode, kExitUsage) << options[0] << " " << options[1];
        EXPECT_EQ(r.out, "") << options[0] << " " << options[1];
        EXPECT_NE(r.err.rfind("torvel-cli: ", 0), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace torvel::cli
