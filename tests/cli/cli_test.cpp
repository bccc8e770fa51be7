// torvel-cli as outside checks see it: options, exit codes and the exact JSON shape.
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace torvel::cli {
namespace {

RunResult runWith(std::vector<std::string> args)
{
    args.insert(args.begin(), "torvel-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return run(static_cast<int>(argv.size()), argv.data());
}

nlohmann::ordered_json jsonOf(const RunResult& result) { return nlohmann::ordered_json::parse(result.out); }

TEST(TorvelCli, JsonHasTheContractKeysInOrder)
{
    const RunResult result = runWith({"synth", "--type", "tzf-low", "--H", "1", "--fo", "1k", "--Q", "2", "--fn", "2k", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto json = jsonOf(result);
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"type", "working_type", "image", "fields", "E1", "E2", "labels", "messages", "fault"}));
    EXPECT_EQ(json["type"], "TZF (Wo<Wn)");
    EXPECT_EQ(json["working_type"], 6);
    EXPECT_EQ(json["image"], "Image6");
    std::vector<std::string> fields;
    for (const auto& [key, value] : json["fields"].items())
        fields.push_back(key);
    EXPECT_EQ(fields, (std::vector<std::string>{"C1", "C2", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "R8", "R9",
                                                 "R10", "H", "fo", "Q", "fn", "Z"}));
    EXPECT_EQ(json["fields"]["C1"]["text"], " 33.0000n");
    EXPECT_EQ(json["fields"]["R7"]["text"], "100.0000k");
    EXPECT_EQ(json["fields"]["fn"]["visible"], true);
    EXPECT_EQ(json["fields"]["Z"]["text"], "4.7K");
    EXPECT_EQ(json["E1"], "24");
    EXPECT_EQ(json["E2"], "6");
    EXPECT_EQ(json["labels"]["Diff"], "");
    EXPECT_TRUE(json["messages"].empty());
    EXPECT_TRUE(json["fault"].is_null());
}

TEST(TorvelCli, ExitCodesTellHowTheRunEnded)
{
    const struct { const char* name; std::vector<std::string> args; int exit; } rows[] = {
        {"completed", {"synth", "--H", "1", "--fo", "1000", "--Q", "1"}, 0},
        {"warnings_still_complete", {"analyze", "--type", "notch", "--C1", "10n", "--C2", "10n", "--R1", "10k", "--R2", "10k",
                                     "--R3", "10k", "--R4", "10k", "--R5", "10k", "--R6", "10k", "--R7", "9k", "--R9", "10k", "--R10", "10k"}, 0},
        {"no_command", {"--H", "1"}, 2},
        {"unknown_command", {"design"}, 2},
        {"unknown_option", {"synth", "--X", "1"}, 2},
        {"unknown_type", {"synth", "--type", "elliptic"}, 2},
        {"empty_type", {"synth", "--type", ""}, 2},
        {"unreadable_field", {"synth", "--H", "1", "--Q", "1"}, 3},
        {"fault", {"synth", "--H", "1", "--fo", "0", "--Q", "1"}, 4},
    };
    for (const auto& row : rows)
        EXPECT_EQ(runWith(row.args).exitCode, row.exit) << row.name;
    EXPECT_NE(runWith({"design"}).err.find("unknown command"), std::string::npos);
}

TEST(TorvelCli, TypeAcceptsCaptionsAndShortNames)
{
    const struct { const char* name; const char* type; } rows[] = {
        {"LPF", "LPF"}, {"hpf", "HPF"}, {"BPF", "BPF"}, {"TZF (Wo<Wn)", "TZF (Wo<Wn)"}, {"tzf-high", "TZF (Wn<Wo)"},
        {"TZF-HIGH", "TZF (Wn<Wo)"}, {"Notch(Wo=Wn)", "Notch(Wo=Wn)"}, {"notch", "Notch(Wo=Wn)"}, {"apf", "APF"}};
    for (const auto& row : rows) {
        const RunResult result = runWith({"synth", "--type", row.name, "--json"});
        EXPECT_EQ(jsonOf(result)["type"], row.type) << row.name;
    }
}

TEST(TorvelCli, StoppedRunReportsTheMessageAndFaultIsNotRepeated)
{
    auto json = jsonOf(runWith({"synth", "--H", "1", "--Q", "1", "--json"}));
    ASSERT_EQ(json["messages"].size(), 1u);
    EXPECT_EQ(json["messages"][0]["kind"], "warning");
    EXPECT_EQ(json["messages"][0]["text"], "\r\nfo: 数値入力エラー");
    EXPECT_TRUE(json["fault"].is_null());

    json = jsonOf(runWith({"synth", "--H", "1", "--fo", "0", "--Q", "1", "--json"}));
    EXPECT_EQ(json["fault"], "Floating point division by zero.");
    EXPECT_TRUE(json["messages"].empty());
}

TEST(TorvelCli, CommandsRunInOrderAndHiddenFieldsKeepGivenTexts)
{
    const auto json = jsonOf(runWith({"synth", "analyze", "--type", "hpf", "--H", "2", "--fo", "1000", "--Q", "2",
                                      "--fn", "kept", "--E1", "10", "--json"}));
    EXPECT_EQ(json["fields"]["fn"]["text"], "kept");
    EXPECT_EQ(json["fields"]["fn"]["visible"], false);
    EXPECT_EQ(json["E1"], "12");  // normalised by the synthesis
    EXPECT_NE(json["labels"]["A4"].get<std::string>().find("A4:"), std::string::npos);  // the analysis ran

    // A command that stops ends the run: the analysis after a failed synthesis does not run.
    const auto stopped = jsonOf(runWith({"synth", "analyze", "--H", "1", "--json"}));
    EXPECT_EQ(stopped["messages"].size(), 1u);
}

TEST(TorvelCli, NegativeValuesAreOptionValues)
{
    const auto json = jsonOf(runWith({"synth", "--H", "-1", "--fo", "1000", "--Q", "1", "--json"}));
    EXPECT_EQ(json["fields"]["R4"]["text"], " -4.3000k");
}

TEST(TorvelCli, TextSummaryShowsVisibleFieldsAndMessages)
{
    const RunResult result = runWith({"synth", "--H", "1", "--Q", "1"});
    EXPECT_NE(result.out.find("type: LPF"), std::string::npos);
    EXPECT_NE(result.out.find("warning: fo: 数値入力エラー"), std::string::npos);
    EXPECT_EQ(result.out.find("R7 ="), std::string::npos);  // hidden
}

// The real binary, as outside checks run it.
std::pair<int, std::string> runBinary(const std::string& arguments)
{
    const std::string command = std::string(TORVEL_CLI_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer{};
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(TorvelCliBinary, PrintsOneJsonObjectAndExitsWithTheContractCodes)
{
    auto [code, out] = runBinary("synth --type 'TZF (Wn<Wo)' --H 1 --fo 1000 --Q 2 --fn 500 --json");
    EXPECT_EQ(code, 0);
    const auto json = nlohmann::json::parse(out);
    EXPECT_EQ(json["fields"]["R8"]["text"], "  6.2000k");
    EXPECT_EQ(runBinary("synth --H 1 --fo 0 --Q 1 --json").first, 4);
    EXPECT_EQ(runBinary("synth --H 1 --json").first, 3);
    EXPECT_EQ(runBinary("").first, 2);
    EXPECT_EQ(runBinary("--help").first, 0);
}

}  // namespace
}  // namespace torvel::cli
