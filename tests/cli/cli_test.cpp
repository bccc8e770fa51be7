// torvel-cli as outside checks see it: options, exit codes and the exact JSON shape.
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <fstream>
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
    // The contract's keys first and in this order; later keys are additions.
    EXPECT_EQ(keys, (std::vector<std::string>{"type", "working_type", "image", "fields", "E1", "E2", "labels", "messages",
                                              "fault", "realised"}));
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

TEST(TorvelCli, RealisedValuesOfTheRoundedCircuit)
{
    auto json = jsonOf(runWith({"synth", "--type", "tzf-low", "--H", "1", "--fo", "1k", "--Q", "2", "--fn", "2k", "--json"}));
    // The worked design: realised fo 985.082 Hz, Q 2.04252, fn 2002.73 Hz.
    EXPECT_NEAR(json["realised"]["fo"]["realised"].get<double>(), 985.082, 1e-3);
    EXPECT_NEAR(json["realised"]["fo"]["error_percent"].get<double>(), -1.4918, 1e-3);
    EXPECT_NEAR(json["realised"]["Q"]["realised"].get<double>(), 2.04252, 1e-5);
    EXPECT_NEAR(json["realised"]["fn"]["realised"].get<double>(), 2002.73, 0.01);
    EXPECT_NEAR(json["realised"]["H"]["realised"].get<double>(), 1, 0.02);

    json = jsonOf(runWith({"synth", "--H", "1", "--fo", "1k", "--Q", "2", "--json"}));
    EXPECT_FALSE(json["realised"].contains("fn"));  // no zero in a low-pass
    json = jsonOf(runWith({"analyze", "--json"}));
    EXPECT_TRUE(json["realised"].is_null());        // no synthesis in this run
}

TEST(TorvelCli, RealisedErrorOfRoundingNoiseIsPlainZero)
{
    // Unrounded parts realise fn one ulp below the wanted 88.9227 Hz: the text must not read "-0.000 %".
    const RunResult result = runWith({"synth", "--type", "tzf-low", "--H", "6.44855", "--fo", "294.529", "--Q", "3.75689",
                                      "--fn", "88.9227", "--E1", "∞", "--E2", "12"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("88.9227  (0.000 %)"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("-0.000"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("+0.000"), std::string::npos) << result.out;
}

TEST(TorvelCli, OutputCommandsPrintNetlistBomAndResponse)
{
    const std::vector<std::string> design = {"--type", "hpf", "--H", "2", "--fo", "1000", "--Q", "2"};
    auto withDesign = [&](std::vector<std::string> args) {
        args.insert(args.end(), design.begin(), design.end());
        return runWith(args);
    };
    const RunResult netlist = withDesign({"synth", "netlist"});
    EXPECT_EQ(netlist.exitCode, 0);
    EXPECT_EQ(netlist.out.rfind("* Torvel: HPF", 0), 0u);
    EXPECT_NE(netlist.out.find("R8 v3 n4 4700\n"), std::string::npos);  // R8' from A3, plain numbers
    EXPECT_NE(netlist.out.find("EA4 v4 0 0 n4 1e9"), std::string::npos);
    EXPECT_NE(withDesign({"synth", "netlist", "--subckt"}).out.find("XA1 0 n1 v1 OPAMP"), std::string::npos);

    const RunResult bom = withDesign({"synth", "bom"});
    EXPECT_NE(bom.out.find("R10,4.7000k,E24,"), std::string::npos);

    const RunResult response = withDesign({"synth", "response", "--points", "3", "--from", "100", "--to", "10k"});
    EXPECT_EQ(response.exitCode, 0) << response.err;
    EXPECT_EQ(response.out.substr(0, response.out.find('\n')),
              "frequency_hz,v1_db,v1_deg,v2_db,v2_deg,v3_db,v3_deg,v4_db,v4_deg");
    EXPECT_EQ(std::count(response.out.begin(), response.out.end(), '\n'), 4);
    EXPECT_EQ(withDesign({"synth", "response", "--gbw", "-1"}).exitCode, 2);

    // Without components there is nothing to export: the first unreadable field stops the run.
    EXPECT_EQ(runWith({"netlist"}).exitCode, 3);
    // With --json the texts become keys of the object.
    const auto json = jsonOf(withDesign({"synth", "netlist", "--json"}));
    EXPECT_NE(json["netlist"].get<std::string>().find(".end"), std::string::npos);
}

TEST(TorvelCli, DesignFilesSaveAndLoadTheWholePanel)
{
    const std::string path = ::testing::TempDir() + "torvel_design.json";
    ASSERT_EQ(runWith({"synth", "--type", "tzf-high", "--H", "1", "--fo", "1000", "--Q", "2", "--fn", "500", "--E1", "∞",
                       "--Z", "10k", "--save", path}).exitCode, 0);
    const auto loaded = jsonOf(runWith({"analyze", "--load", path, "--json"}));
    EXPECT_EQ(loaded["type"], "TZF (Wn<Wo)");
    EXPECT_EQ(loaded["E1"], "∞");
    EXPECT_EQ(loaded["fields"]["Z"]["text"], "10k");
    // Written back by the analysis of the saved texts, which carry five significant digits.
    EXPECT_EQ(loaded["fields"]["fn"]["text"].get<std::string>().substr(0, 6), "500.00");

    const struct { const char* name; const char* content; } broken[] = {
        {"not_json", "{ this is not json"}, {"foreign_json", "{\"x\": 1}"},
        {"wrong_version", "{\"format\": \"torvel-design\", \"version\": 9}"},
        {"missing_field", "{\"format\": \"torvel-design\", \"version\": 1, \"type\": \"LPF\", \"fields\": {}, \"E1\": \"24\", \"E2\": \"6\"}"}};
    for (const auto& row : broken) {
        const std::string file = ::testing::TempDir() + row.name + ".json";
        std::ofstream(file) << row.content;
        const RunResult result = runWith({"synth", "--load", file, "--json"});
        EXPECT_EQ(result.exitCode, 2) << row.name;
        EXPECT_NE(result.err.find(file), std::string::npos) << row.name;
        EXPECT_TRUE(result.out.empty()) << row.name;  // nothing ran
    }
    EXPECT_EQ(runWith({"synth", "--load", "/nonexistent/design.json"}).exitCode, 2);
}

TEST(TorvelCli, TextsThatAreNotUtf8ReadAsAnyUnreadableText)
{
    const std::vector<std::string> design = {"--type", "notch", "--H", "1", "--fo", "1k", "--Q", "2"};
    auto withDesign = [&](std::vector<std::string> args) {
        args.insert(args.end(), design.begin(), design.end());
        return runWith(args);
    };
    // A visible field: the numeric input warning, as for any text that does not read as a number.
    RunResult result = withDesign({"analyze", "--C1", "1n", "--C2", "1n", "--R1", "1k", "--R2", "1k", "--R3", "1k", "--R4", "1k",
                         "--R5", "1k", "--R6", "1k", "--R7", "\xff", "--json"});
    EXPECT_EQ(result.exitCode, 3);
    auto json = jsonOf(result);
    ASSERT_EQ(json["messages"].size(), 1u);
    EXPECT_EQ(json["messages"][0]["text"], "\r\nR7: 数値入力エラー");
    // The output stays JSON: each ill-formed byte is written as U+FFFD.
    EXPECT_EQ(json["fields"]["R7"]["text"], "\xef\xbf\xbd");

    // A hidden field keeps its text and the run completes.
    json = jsonOf(runWith({"synth", "--H", "1", "--fo", "1k", "--Q", "2", "--R8", "a\xc3\x28", "--E1", "24\xfe", "--json"}));
    EXPECT_EQ(json["fields"]["R8"]["text"], "a\xef\xbf\xbd(");

    // --save stores U+FFFD in its place, and the file loads back to what the JSON output showed.
    const std::string path = ::testing::TempDir() + "torvel_not_utf8.json";
    result = runWith({"analyze", "--type", "lpf", "--C1", "10n", "--C2", "10n", "--R1", "1k\xff", "--R2", "10k", "--R3",
                      "10k", "--R4", "10k", "--R5", "10k", "--R6", "10k", "--R8", "\x80", "--save", path, "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto loaded = jsonOf(runWith({"analyze", "--load", path, "--json"}));
    EXPECT_EQ(loaded["fields"], jsonOf(result)["fields"]);
    EXPECT_EQ(loaded["fields"]["R1"]["text"], "1k\xef\xbf\xbd");  // read as 1k: what follows the prefix is ignored
    std::remove(path.c_str());
}

TEST(TorvelCli, ResponseThatCannotBeComputedIsAFault)
{
    const std::vector<std::string> synthesized = {"synth", "response", "--H", "1", "--fo", "1k", "--Q", "2", "--points", "3"};
    std::vector<std::string> zeroR4 = {"response", "--points", "3", "--C1", "10n", "--C2", "10n"};
    for (const char* r : {"--R1", "--R2", "--R3", "--R5", "--R6"})
        zeroR4.insert(zeroR4.end(), {r, "10k"});
    zeroR4.insert(zeroR4.end(), {"--R4", "0"});
    auto plus = [](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* fault;
    } rows[] = {
        // A zero resistor in the loop: the node equations are singular, every level NaN.
        {"zero resistor", zeroR4, "Invalid floating point operation."},
        // A GBW of 1e-300 Hz passes nothing: 20 log10 of a zero output.
        {"no gain-bandwidth", plus(synthesized, {"--gbw", "1e-300"}), "Floating point division by zero."},
        // At 1e308 Hz the integrators' outputs underflow to zero.
        {"frequency beyond any circuit", plus(synthesized, {"--to", "1e308"}), "Floating point division by zero."},
    };
    for (const auto& row : rows) {
        const RunResult result = runWith(row.args);
        EXPECT_EQ(result.exitCode, 4) << row.name;
        EXPECT_EQ(result.out.find("frequency_hz"), std::string::npos) << row.name;  // no rows of NaN
        EXPECT_NE(result.out.find(std::string("fault: ") + row.fault), std::string::npos) << row.name;
        const auto json = jsonOf(runWith(plus(row.args, {"--json"})));
        EXPECT_EQ(json["fault"], row.fault) << row.name;
        EXPECT_FALSE(json.contains("response")) << row.name;
    }
    // After an output that was printed, the fault goes to stderr: stdout holds the outputs alone.
    const RunResult result = runWith({"synth", "netlist", "response", "--H", "1", "--fo", "1k", "--Q", "2", "--gbw", "1e-300"});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(result.out.rfind("* Torvel: LPF", 0), 0u);
    EXPECT_EQ(result.err, "torvel-cli: fault: Floating point division by zero.\n");
}

TEST(TorvelCli, ResponseSettingsAreCheckedBeforeAnythingRuns)
{
    const RunResult result = runWith({"synth", "netlist", "response", "--H", "1", "--fo", "1k", "--Q", "2", "--from", "0"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
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
