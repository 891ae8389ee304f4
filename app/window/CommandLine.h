// The halden command line: [--virtual[=N]] [--scene NAME] [--run]
// [--screenshot FILE.png] [--reset-settings], --help, --version. Parsed into plain data so it can be tested without a window.
#pragma once

#include <string>
#include <vector>

namespace halden {

struct WindowOptions {
    int virtualCount = -1;   // -1: real USB devices; else N virtual spectrometers
    std::string scene;       // VANTREL_VIRTUAL_SCENE when not empty
    bool run = false;        // check Run once the calibration has been read
    std::string screenshot;  // save the window as PNG after a few acquisitions, then quit
    bool resetSettings = false;  // forget the saved settings: start from the defaults
    bool help = false;
    bool version = false;
    std::string error;       // not empty: a bad argument, say it and stop
};

WindowOptions parseWindowOptions(const std::vector<std::string>& args);

// The text --help prints.
std::string windowUsage();

}  // namespace halden
