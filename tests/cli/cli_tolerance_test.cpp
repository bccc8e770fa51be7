// torvel-cli tolerance as outside checks see it: the JSON keys for a section and for a whole filter, the
// same numbers for the same seed on any number of threads, usage errors for options that do not read,
// and progress on stderr only when it is a terminal.
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <string>
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

nlohmann::json jsonOf(const RunResult& r)
{
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return nlohmann::json::parse(r.out);
}

const std::vector<std::string> kTzf = {"synth", "tolerance", "--type", "tzf-low", "--H", "1", "--fo", "1k", "--Q", "2",
                                       "--fn", "2k", "--runs", "2000", "--json"};

std::vector<std::string> with(std::vector<std::string> base, std::vector<std::string> more)
{
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

TEST(TorvelCliTolerance, SectionJsonHasTheFourKeysWithEveryFigure)
{
    const auto json = jsonOf(runWith(with(kTzf, {"--fo-limit", "2%", "--Q-limit", "5"})));
    EXPECT_EQ(json["type"], "TZF (Wo<Wn)");  // the panel's keys stay, the tolerance keys follow
    for (const char* figure : {"fo", "Q", "H", "fn"}) {
        ASSERT_TRUE(json["sensitivity"][figure].is_object()) << figure;
        EXPECT_EQ(json["sensitivity"][figure].size(), 12u) << figure;
        for (const char* key : {"mean", "std", "p1", "p99"})
            EXPECT_TRUE(json["monte_carlo"][figure][key].is_number()) << figure << " " << key;
        for (const char* key : {"nominal", "min", "max"})
            EXPECT_TRUE(json["worst_case"][figure][key].is_number()) << figure << " " << key;
    }
    // Largest first: fo moves with half the power of five parts, and not at all with R1.
    EXPECT_DOUBLE_EQ(std::abs(json["sensitivity"]["fo"].begin().value().get<double>()), 0.5);
    EXPECT_NEAR(json["sensitivity"]["fo"]["R2"].get<double>(), -0.5, 1e-12);
    EXPECT_NEAR(json["sensitivity"]["Q"]["R1"].get<double>(), 1, 1e-12);
    EXPECT_EQ(json["worst_case"]["corners"], 4096);
    EXPECT_EQ(json["monte_carlo"]["runs"], 2000);
    EXPECT_EQ(json["monte_carlo"]["distribution"], "uniform");
    EXPECT_DOUBLE_EQ(json["monte_carlo"]["limits"]["Q"].get<double>(), 0.05);
    const double yield = json["yield"].get<double>();
    EXPECT_GT(yield, 0);
    EXPECT_LT(yield, 1);
}

TEST(TorvelCliTolerance, FiguresATypeLacksAreNullAndNoLimitsMeansNoYield)
{
    const auto json = jsonOf(runWith({"synth", "tolerance", "--H", "1", "--fo", "1k", "--Q", "0.7071", "--runs", "100",
                                      "--dist", "normal", "--json"}));
    EXPECT_TRUE(json["sensitivity"]["fn"].is_null());
    EXPECT_TRUE(json["worst_case"]["fn"].is_null());
    EXPECT_TRUE(json["monte_carlo"]["fn"].is_null());
    EXPECT_EQ(json["sensitivity"]["fo"].size(), 8u);  // the low-pass has no summing stage
    EXPECT_EQ(json["monte_carlo"]["distribution"], "normal");
    EXPECT_TRUE(json["yield"].is_null());
    // Without the tolerance command nothing of it appears.
    EXPECT_FALSE(jsonOf(runWith({"synth", "--H", "1", "--fo", "1k", "--Q", "1", "--json"})).contains("sensitivity"));
}

TEST(TorvelCliTolerance, SameSeedSameNumbersOnOneThreadOrTwo)
{
    const RunResult one = runWith(with(kTzf, {"--seed", "99", "--threads", "1", "--fo-limit", "1%"}));
    const RunResult two = runWith(with(kTzf, {"--seed", "99", "--threads", "2", "--fo-limit", "1%"}));
    EXPECT_EQ(one.out, two.out);
    const RunResult other = runWith(with(kTzf, {"--seed", "100", "--threads", "2", "--fo-limit", "1%"}));
    EXPECT_NE(jsonOf(one)["monte_carlo"]["fo"]["mean"], jsonOf(other)["monte_carlo"]["fo"]["mean"]);
}

TEST(TorvelCliTolerance, LevelSensitivitiesAtAChosenFrequency)
{
    const auto json = jsonOf(runWith(with(kTzf, {"--level-at", "2k", "--gbw", "1M"})));
    const auto& level = json["sensitivity"]["level"];
    EXPECT_EQ(level["f"], 2000.0);
    EXPECT_LT(level["nominal_db"].get<double>(), -20);  // near the zero
    EXPECT_EQ(level["parts"].size(), 12u);
}

TEST(TorvelCliTolerance, OptionsThatDoNotReadAreUsageErrors)
{
    const std::vector<std::string> section = {"synth", "tolerance", "--H", "1", "--fo", "1k", "--Q", "1"};
    const struct {
        const char* name;
        std::vector<std::string> args;
        const char* says;
    } rows[] = {
        {"tolerance_not_a_number", {"--tol-R", "one%"}, "--tol-R"},
        {"tolerance_above_30_percent", {"--tol-C", "31%"}, "tolerances"},
        {"negative_tolerance", {"--tol-R", "-1%"}, "tolerances"},
        {"unknown_distribution", {"--dist", "gaussian"}, "--dist"},
        {"no_runs", {"--runs", "0"}, "runs"},
        {"too_many_runs", {"--runs", "1000001"}, "runs"},
        {"unknown_part", {"--tol", "R11=1%"}, "--tol"},
        {"part_without_value", {"--tol", "R3"}, "--tol"},
        {"zero_limit", {"--fo-limit", "0%"}, "limits"},
        {"level_at_no_frequency", {"--level-at", "-5"}, "--level-at"},
    };
    for (const auto& row : rows) {
        const RunResult r = runWith(with(section, row.args));
        EXPECT_EQ(r.exitCode, 2) << row.name;
        EXPECT_NE(r.err.find(row.says), std::string::npos) << row.name << ": " << r.err;
    }
    // A part's own tolerance reads.
    EXPECT_EQ(runWith(with(section, {"--tol", "R3=0.1%", "--tol", "C1=1", "--runs", "10"})).exitCode, 0);
    // Nothing to analyse yet: the unreadable field stops the run as for the other output commands.
    EXPECT_EQ(runWith({"tolerance"}).exitCode, 3);
}

TEST(TorvelCliTolerance, CascadeRunsAloneOrWithToleranceOnly)
{
    const std::vector<std::string> filter = {"--response", "lp", "--approx", "butterworth", "--order", "3", "--fc", "1k"};
    EXPECT_EQ(runWith(with({"cascade", "synth"}, filter)).exitCode, 2);
    EXPECT_EQ(runWith(with({"tolerance", "cascade"}, filter)).exitCode, 2);
    EXPECT_EQ(runWith(with({"cascade", "tolerance", "tolerance"}, filter)).exitCode, 2);
    const RunResult r = runWith(with(with({"cascade", "tolerance"}, filter), {"--runs", "50"}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("section 2 (lpf)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("yield: not judged"), std::string::npos) << r.out;
    EXPECT_EQ(runWith(with(with({"cascade", "tolerance"}, filter), {"--dist", "x"})).exitCode, 2);
}

TEST(TorvelCliTolerance, CascadeJsonJudgesTheMaskAndCarriesEnvelopeAndBand)
{
    const auto json = jsonOf(runWith({"cascade", "tolerance", "--response", "lp", "--approx", "chebyshev", "--fp", "1k",
                                      "--fs", "3k", "--Ap", "1", "--As", "40", "--E1", "∞", "--E2", "∞", "--tol-R",
                                      "0.2%", "--tol-C", "0.5%", "--runs", "500", "--points", "21", "--json"}));
    EXPECT_TRUE(json.contains("sections"));  // the cascade's own keys stay
    const std::size_t sections = json["sections"].size();
    ASSERT_EQ(json["sensitivity"].size(), sections);
    ASSERT_EQ(json["worst_case"]["sections"].size(), sections);
    ASSERT_EQ(json["monte_carlo"]["sections"].size(), sections);
    EXPECT_EQ(json["sensitivity"][0]["section"], 1);
    EXPECT_EQ(json["sensitivity"][0]["kind"], json["sections"][0]["kind"]);
    EXPECT_TRUE(json["monte_carlo"]["sections"][sections - 1]["Q"]["std"].is_number());
    ASSERT_EQ(json["worst_case"]["envelope"].size(), 21u);
    ASSERT_EQ(json["monte_carlo"]["band"].size(), 21u);
    for (std::size_t i = 0; i < 21; ++i) {
        const auto& e = json["worst_case"]["envelope"][i];
        const auto& b = json["monte_carlo"]["band"][i];
        // The 95 % band lies inside the worst case's envelope, both around the nominal level. The
        // band's levels are floats: a millibel of slack.
        EXPECT_LE(e["min_db"].get<double>(), b["p2_5_db"].get<double>() + 1e-4) << i;
        EXPECT_GE(e["max_db"].get<double>(), b["p97_5_db"].get<double>() - 1e-4) << i;
        EXPECT_LE(e["min_db"].get<double>(), e["nominal_db"].get<double>()) << i;
    }
    EXPECT_EQ(json["monte_carlo"]["mask"], true);
    EXPECT_EQ(json["monte_carlo"]["mask_points"], 200);
    EXPECT_TRUE(json["worst_case"]["mask_met"].is_boolean());
    // The fit puts its ripple exactly at the passband edge: some boards keep it, some lose a little there.
    EXPECT_GT(json["yield"].get<double>(), 0);
    EXPECT_LT(json["yield"].get<double>(), 1);
}

// The binary with its stderr on a pseudo-terminal, or on a pipe.
std::string outputOnTerminal(const std::string& arguments)
{
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", (std::string(TORVEL_CLI_PATH) + " " + arguments + " > /dev/null").c_str(), nullptr);
        _exit(127);
    }
    std::string out;
    std::array<char, 4096> buffer{};
    for (ssize_t n; (n = read(master, buffer.data(), buffer.size())) > 0;)
        out.append(buffer.data(), static_cast<std::size_t>(n));
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    return out;
}

TEST(TorvelCliTolerance, ProgressGoesToATerminalOnly)
{
    const std::string arguments = "synth tolerance --H 1 --fo 1k --Q 1 --runs 200000 --json";
    const std::string terminal = outputOnTerminal(arguments);
    EXPECT_NE(terminal.find("torvel-cli: Monte Carlo 100 % (200000 of 200000 runs)"), std::string::npos) << terminal;

    FILE* pipe = popen((std::string(TORVEL_CLI_PATH) + " " + arguments + " 2>&1 >/dev/null").c_str(), "r");
    std::string piped;
    std::array<char, 4096> buffer{};
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        piped.append(buffer.data(), n);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(piped, "");
}

}  // namespace
}  // namespace torvel::cli
