#include "ngspice_ac.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace torvel::testing {

namespace fs = std::filesystem;

std::vector<AcPoint> simulateAc(const std::string& netlist, const std::vector<std::string>& nodes, int pointsPerDecade,
                                double fromHz, double toHz)
{
    static int run = 0;
    const fs::path dir = fs::temp_directory_path()
        / ("torvel-ngspice-" + std::to_string(::getpid()) + "-" + std::to_string(run++));
    fs::create_directories(dir);
    const fs::path data = dir / "out.txt";
    std::ostringstream deck;
    deck << netlist.substr(0, netlist.find(".ac "));
    deck << ".control\nset wr_singlescale\nac dec " << pointsPerDecade << " " << fromHz << " " << toHz << "\nwrdata "
         << data.string();
    for (const std::string& node : nodes)
        deck << " v(" << node << ")";
    deck << "\n.endc\n.end\n";
    std::ofstream(dir / "deck.cir") << deck.str();
    const std::string command = "ngspice -b " + (dir / "deck.cir").string() + " > " + (dir / "log.txt").string() + " 2>&1";
    // In batch mode ngspice exits with 1 when the deck has no dot-analysis ("no simulations run"), even
    // though its control block ran the sweep: the data file tells whether it worked.
    const int status = std::system(command.c_str());
    EXPECT_TRUE(fs::exists(data)) << "ngspice (status " << status << ") wrote no data; is it installed? (scripts/install-deps.sh)";

    std::vector<AcPoint> points;
    std::ifstream in(data);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        AcPoint p;
        double re = 0, im = 0;
        if (!(fields >> p.frequency))
            continue;
        while (fields >> re >> im)
            p.voltages.emplace_back(re, im);
        if (p.voltages.size() == nodes.size())
            points.push_back(p);
    }
    fs::remove_all(dir);
    return points;
}

}  // namespace torvel::testing
