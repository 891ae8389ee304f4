// halden-cli: the headless front end over halden_core.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

#include "cli/Commands.h"
#include "cli/TerminationSignals.h"

namespace halden::cli {

int fail(const std::string& message) {
    std::fprintf(stderr, "halden-cli: %s\n", message.c_str());
    return 1;
}

bool wantsHelp(const Args& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        // Commands are added here as { name, summary, run }.
        {"devices", "list the attached spectrometers", &runDevices},
        {"acquire", "acquire spectra and save them as text files", &runAcquire},
        {"calibration", "read or write the calibration in the spectrometer's flash", &runCalibration},
        {"colour", "colorimetric report of a spectrum text file", &runColour},
        {"compare", "rank a folder of spectrum files against a spectrum", &runCompare},
        {"gauss", "fit a Gaussian peak to a spectrum text file", &runGauss},
        {"baseline", "baseline correction of a spectrum text file", &runBaseline},
        {"raman-calibrate", "plastic calibration from a polystyrene Raman spectrum", &runRamanCalibrate},
        {"plot", "draw spectrum files on the chart into a PNG, BMP, PDF or SVG file", &runPlot},
    };
    return table;
}

}  // namespace halden::cli

namespace {

constexpr int kMaxVirtualDevices = 10;

// The window-less platform notes a missing XDG_RUNTIME_DIR on every start;
// a command-line run has no use for it. Everything else passes on.
void quietPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QStringLiteral("QStandardPaths:"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

void printUsage() {
    std::printf("Usage: halden-cli [--virtual[=N]] COMMAND [ARGS...]\n\n"
                "Options:\n"
                "  --virtual[=N]  use N virtual spectrometers (default 1, at most 10) instead of USB\n"
                "  --help         show this help; COMMAND --help shows a command's help\n\n"
                "Commands:\n");
    for (const auto& c : halden::cli::commands()) std::printf("  %-18s %s\n", c.name, c.summary);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace halden::cli;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--virtual") {
            setenv("VANTREL_VIRTUAL", "1", 1);
        } else if (a.rfind("--virtual=", 0) == 0) {
            // The library addresses ten spectrometers (device index 0..9).
            const std::string n = a.substr(10);
            if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(n) > kMaxVirtualDevices)
                return fail("--virtual=N takes a number of devices from 0 to 10, not '" + n + "'");
            setenv("VANTREL_VIRTUAL", n.c_str(), 1);
        } else if (a == "--help" || a == "-h") {
            printUsage();
            return 0;
        } else {
            break;
        }
    }
    if (i >= argc) {
        printUsage();
        return 2;
    }
    // The acquisition and fit workers post Qt events, so a core application
    // object exists for the whole run; drawing needs fonts, so plot gets a
    // GUI application on the window-less platform unless one is chosen (so
    // does colour, which may draw the colour vector graphic).
    const std::string name = argv[i];
    // acquire saves file after file: a termination signal waits until the
    // file being written is complete (before any thread starts, so that
    // every thread keeps the signals blocked).
    if (name == "acquire") blockTerminationSignals();
    std::unique_ptr<QCoreApplication> app;
    if (name == "plot" || name == "colour") {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(&quietPlatformNotes);
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    Args args(argv + i + 1, argv + argc);
    for (const auto& c : commands())
        if (name == c.name) return c.run(args);
    return fail("unknown command '" + name + "' (see halden-cli --help)");
}
