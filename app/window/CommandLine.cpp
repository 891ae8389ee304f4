#include "window/CommandLine.h"

#include <charconv>

namespace halden {

namespace {

constexpr int kMaxVirtual = 32;
const char* const kScenes[] = {"lamp", "led", "fluorescent", "raman", "sample", "flat"};

bool knownScene(const std::string& name)
{
    for (const char* scene : kScenes)
        if (name == scene) return true;
    return false;
}

}  // namespace

WindowOptions parseWindowOptions(const std::vector<std::string>& args)
{
    WindowOptions o;
    for (std::size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--run") {
            o.run = true;
        } else if (a == "--reset-settings") {
            o.resetSettings = true;
        } else if (a == "--virtual") {
            o.virtualCount = 1;
        } else if (a.rfind("--virtual=", 0) == 0) {
            const std::string n = a.substr(10);
            int value = -1;
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), value);
            if (n.empty() || ec != std::errc() || end != n.data() + n.size() || value < 0 || value > kMaxVirtual)
                o.error = "--virtual=N takes a number from 0 to 32, not \"" + n + "\"";
            else
                o.virtualCount = value;
        } else if (a == "--scene" || a.rfind("--scene=", 0) == 0) {
            std::string name;
            if (a == "--scene") {
                if (i + 1 >= args.size()) {
                    o.error = "--scene needs a name";
                    break;
                }
                name = args[++i];
            } else {
                name = a.substr(8);
            }
            if (!knownScene(name))
                o.error = "unknown scene \"" + name + "\" (lamp, led, fluorescent, raman, sample, flat)";
            else
                o.scene = name;
        } else if (a == "--screenshot" || a.rfind("--screenshot=", 0) == 0) {
            if (a == "--screenshot") {
                if (i + 1 >= args.size()) {
                    o.error = "--screenshot needs a file name";
                    break;
                }
                o.screenshot = args[++i];
            } else {
                o.screenshot = a.substr(13);
            }
            if (o.screenshot.empty()) o.error = "--screenshot needs a file name";
            o.run = true;
        } else {
            o.error = "unknown argument \"" + a + "\" (see --help)";
        }
    }
    return o;
}

std::string windowUsage()
{
    return "Usage: halden [--virtual[=N]] [--scene NAME] [--run] [--screenshot FILE.png]\n"
           "              [--reset-settings]\n"
           "\n"
           "The desktop application for the Vantrel spectrometer.\n"
           "\n"
           "  --virtual[=N]  use N virtual spectrometers (1 when N is left out) instead of USB\n"
           "  --scene NAME   what the virtual spectrometers look at: lamp (default), led,\n"
           "                 fluorescent, raman, sample, flat\n"
           "  --run          check Run as soon as the calibration has been read\n"
           "  --screenshot FILE.png\n"
           "                 check Run, save the window as a PNG after a few acquisitions, quit\n"
           "  --reset-settings\n"
           "                 forget the saved settings (window layout, chart bar values, last\n"
           "                 folder, recent files) and start from the defaults\n"
           "  --help         this text\n"
           "  --version      the program's version\n";
}

}  // namespace halden
