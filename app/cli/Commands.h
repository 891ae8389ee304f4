// halden-cli's commands. Each takes the arguments after its name and returns
// the process exit status (0 success); failures print one line on stderr.
#pragma once

#include <string>
#include <vector>

namespace halden::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* summary;  // one line for the overall --help
    int (*run)(const Args& args);
};

// The table of every command, in the order --help lists them (main.cpp).
const std::vector<Command>& commands();

int runDevices(const Args& args);
int runAcquire(const Args& args);
int runCalibration(const Args& args);
int runColour(const Args& args);
int runCompare(const Args& args);
int runGauss(const Args& args);
int runBaseline(const Args& args);
int runRamanCalibrate(const Args& args);
int runPlot(const Args& args);

// Prints "halden-cli: <message>" on stderr and returns 1.
int fail(const std::string& message);

// True when args holds --help or -h.
bool wantsHelp(const Args& args);

}  // namespace halden::cli
