// torvel-cli optimise as outside checks see it: the synth JSON plus "search", its options and exit codes.
#include "cli_request.h"
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace torvel::cli {
namespace {

RunResult optimise(std::vector<std::string> args)
{
    args.insert(args.begin(), {"torvel-cli", "optimise"});
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return run(static_cast<int>(argv.size()), argv.data());
}

TEST(TorvelCliOptimise, JsonIsTheSynthJsonWithTheSearchAdded)
{
    const RunResult result = optimise({"--type", "tzf-low", "--H", "1", "--fo", "1k", "--Q", "2", "--fn", "2.5k", "--json"});
    ASSERT_EQ(result.exitCode, kExitCompleted) << result.err;
    const auto json = nlohmann::ordered_json::parse(result.out);
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"type", "working_type", "image", "fields", "E1", "E2", "labels", "messages",
                                              "fault", "realised", "search"}));
    for (const char* name : {"H", "fo", "Q", "fn"}) {
        ASSERT_TRUE(json["realised"].contains(name)) << name;
        EXPECT_LT(std::abs(json["realised"][name]["error_percent"].get<double>()), 1.0) << name;
    }
    EXPECT_TRUE(json["search"]["candidates"].is_number_integer());
    EXPECT_GT(json["search"]["candidates"].get<long long>(), 0);
    EXPECT_TRUE(json["search"]["ms"].is_number());
    EXPECT_EQ(json["search"]["proven"], true);
    // The floors bound the realised errors from below; TZF (Wo<Wn) has no gain floor (its gain holds the zero).
    const double foQ = json["search"]["floors"]["fo_Q_error_percent"].get<double>();
    EXPECT_LE(foQ, std::max(std::abs(json["realised"]["fo"]["error_percent"].get<double>()),
                            std::abs(json["realised"]["Q"]["error_percent"].get<double>())) * (1 + 1e-9));
    EXPECT_TRUE(json["search"]["floors"]["H_error_percent"].is_null());
    EXPECT_NE(json["fields"]["R8"]["text"], "");
    EXPECT_TRUE(json["messages"].empty());
}

TEST(TorvelCliOptimise, OptionsShapeTheDesign)
{
    const std::vector<std::string> lpf = {"--type", "lpf", "--H", "1", "--fo", "1k", "--Q", "0.9", "--json"};
    const auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(), lpf.begin(), lpf.end());
        const RunResult r = optimise(extra);
        EXPECT_EQ(r.exitCode, kExitCompleted) << r.err;
        return nlohmann::ordered_json::parse(r.out)["fields"];
    };
    const auto equalC = with({"--keep-equal-c"});
    EXPECT_EQ(equalC["C1"]["text"], equalC["C2"]["text"]);
    const auto equalR = with({"--keep-r5-r6"});
    EXPECT_EQ(equalR["R5"]["text"], equalR["R6"]["text"]);
    // Narrow ranges are kept: every resistor 2k ... 3k, every capacitor 10n ... 47n.
    const auto narrow = with({"--r-min", "2k", "--r-max", "3k", "--c-min", "10n", "--c-max", "47n", "--max-error", "50"});
    for (const char* r : {"R1", "R2", "R3", "R4", "R5", "R6"}) {
        const std::string text = narrow[r]["text"];
        EXPECT_TRUE(text.find('k') != std::string::npos && std::stod(text) >= 2 && std::stod(text) <= 3) << r << " " << text;
    }
}

TEST(TorvelCliOptimise, PairsReachTheNetlistAndThePartsList)
{
    const RunResult result = optimise({"bom", "--type", "bpf", "--H", "1", "--fo", "1.2k", "--Q", "2.5", "--pairs", "R1"});
    ASSERT_EQ(result.exitCode, kExitCompleted) << result.err;
    EXPECT_NE(result.out.find("\nR1a,"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\nR1b,"), std::string::npos) << result.out;
}

TEST(TorvelCliOptimise, ExitStatusesFollowTheOtherCommands)
{
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exit;
    } rows[] = {
        {"done", {"--type", "hpf", "--H", "1", "--fo", "1k", "--Q", "1"}, kExitCompleted},
        {"unreadable_field", {"--H", "1", "--fo", "1k"}, kExitStoppedAtField},
        {"fault_while_reading", {"--type", "tzf-low", "--H", "1", "--fo", "0", "--Q", "1", "--fn", "2k"}, kExitFault},
        {"no_solution_in_range", {"--H", "1", "--fo", "1k", "--Q", "2000", "--r-max", "10k"}, kExitNoSolution},
        {"no_series_to_search", {"--H", "1", "--fo", "1k", "--Q", "1", "--E1", "∞"}, kExitNoSolution},
        {"pairs_names_no_element", {"--H", "1", "--fo", "1k", "--Q", "1", "--pairs", "R1,Q"}, kExitUsage},
        {"bound_is_no_value", {"--H", "1", "--fo", "1k", "--Q", "1", "--r-min", "small"}, kExitUsage},
        {"range_ends_below_start", {"--H", "1", "--fo", "1k", "--Q", "1", "--c-min", "1u", "--c-max", "1n"}, kExitUsage},
        {"range_wider_than_six_decades", {"--H", "1", "--fo", "1k", "--Q", "1", "--r-min", "1", "--r-max", "10M"}, kExitUsage},
        {"error_not_positive", {"--H", "1", "--fo", "1k", "--Q", "1", "--max-error", "0"}, kExitUsage},
    };
    for (const auto& row : rows)
        EXPECT_EQ(optimise(row.args).exitCode, row.exit) << row.name;

    // No solution is said, in the panel's messages and so in the JSON, and no field is written.
    const RunResult none = optimise({"--H", "1", "--fo", "1k", "--Q", "2000", "--r-max", "10k", "--json"});
    const auto json = nlohmann::ordered_json::parse(none.out);
    ASSERT_EQ(json["messages"].size(), 1u);
    EXPECT_NE(json["messages"][0]["text"].get<std::string>().find("miss Q by"), std::string::npos);
    EXPECT_EQ(json["fields"]["C1"]["text"], "");
    EXPECT_TRUE(json["realised"].is_null());
    EXPECT_TRUE(json["search"]["candidates"].is_number_integer());
}

}  // namespace
}  // namespace torvel::cli
