// halden-cli acquire: detect the spectrometer, read its calibration, take K
// acquisitions and save each as a spectrum text file.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/OutputPaths.h"
#include "cli/TerminationSignals.h"
#include "files/CalibrationFile.h"
#include "files/PeriodicSave.h"
#include "files/SaveNames.h"
#include "files/SpectrumExport.h"
#include "files/SpectrumFiles.h"
#include "spectrum/StoreCommands.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden::cli {
namespace {

constexpr const char* kAcquireUsage =
    "Usage: halden-cli [--virtual[=N]] acquire [OPTIONS] -o FILE\n\n"
    "Acquires spectra from the first spectrometer and saves them as text files\n"
    "(wavelength in nm, the full range), printing each saved path on its own\n"
    "line. The calibration is read from the spectrometer; its backup file\n"
    "(e.g. Y00123.clbr) is written to the current folder when missing.\n\n"
    "Options:\n"
    "  --exposure MS       exposure time in milliseconds (default 10)\n"
    "  --scans N           scans per acquisition, 1..64 (default 1)\n"
    "  --no-average        keep every scan as its own column instead of averaging\n"
    "  --boxcar N          boxcar smoothing half-width, 0..50 (default 0)\n"
    "  --count K           number of acquisitions (default 1); with K > 1 the files\n"
    "                      are FILE_S1_1_.txt, FILE_S1_2_.txt, ... (a trailing\n"
    "                      extension of the format is dropped from FILE first)\n"
    "  --format FORMAT     txt (default): the spectrum text file; csv: CSV with a\n"
    "                      metadata header (\"# name: value\" lines), a header row\n"
    "                      and full-precision values; jdx: JCAMP-DX 5.01\n"
    "  --calibration FILE  calibration file to use when the spectrometer holds none\n"
    "                      (or when its calibration cannot be read)\n"
    "  --timeout SECONDS   give up when the spectrometer does not answer for this\n"
    "                      long (default 120; an acquisition adds four times its\n"
    "                      exposure)\n"
    "  -o FILE             output file (\".txt\", \".csv\" or \".jdx\" is appended when\n"
    "                      missing)\n\n"
    "A failed acquisition (no complete frame arrived) is retried three times,\n"
    "each retry told on stderr, before the command gives up.\n\n"
    "SIGTERM, SIGINT (Ctrl-C) or SIGHUP stop the command between two files: every\n"
    "file saved is complete and no temporary file is left; the exit status is\n"
    "128 + the signal number.\n";

enum class OutputFormat { Txt, Csv, Jdx };

const char* extensionOf(OutputFormat f) {
    switch (f) {
    case OutputFormat::Csv: return ".csv";
    case OutputFormat::Jdx: return ".jdx";
    case OutputFormat::Txt: break;
    }
    return ".txt";
}

struct AcquireOptions {
    OutputFormat format = OutputFormat::Txt;
    std::string exposureText = "10";
    long scans = 1;
    bool average = true;
    long boxcar = 0;
    long count = 1;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    std::string calibrationFile;
    std::string output;
};

// Empty on success, else the reason.
std::string parseOptions(Args args, AcquireOptions& o)
{
    if (std::string error = takeTimeoutOption(args, o.timeoutSeconds); !error.empty()) return error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--exposure") {
            double ms = 0;
            if (!value(v) || !parseNumber(v, ms) || ms < 0 || ms > 300000)
                return "--exposure needs a time in ms between 0 and 300000";
            o.exposureText = v;
        } else if (a == "--scans") {
            if (!value(v) || !parseInt(v, o.scans) || o.scans < 1 || o.scans > 64)
                return "--scans needs a number between 1 and 64";
        } else if (a == "--no-average") {
            o.average = false;
        } else if (a == "--boxcar") {
            if (!value(v) || !parseInt(v, o.boxcar) || o.boxcar < 0 || o.boxcar > 50)
                return "--boxcar needs a half-width between 0 and 50";
        } else if (a == "--count") {
            if (!value(v) || !parseInt(v, o.count) || o.count < 1 || o.count > 1000000)
                return "--count needs a number of acquisitions between 1 and 1000000";
        } else if (a == "--format") {
            if (!value(v)) return "--format needs txt, csv or jdx";
            if (v == "txt") o.format = OutputFormat::Txt;
            else if (v == "csv") o.format = OutputFormat::Csv;
            else if (v == "jdx") o.format = OutputFormat::Jdx;
            else return "--format needs txt, csv or jdx, not '" + v + "'";
        } else if (a == "--calibration") {
            if (!value(o.calibrationFile)) return "--calibration needs a file";
        } else if (a == "-o" || a == "--output") {
            if (!value(o.output)) return "-o needs a file name";
        } else {
            return "unknown option '" + a + "' (see halden-cli acquire --help)";
        }
    }
    if (o.output.empty()) return "acquire needs an output file (-o FILE)";
    return {};
}

// K = 1: FILE with the format's extension appended when missing. K > 1: the
// periodic-save numbering on FILE without that extension at its end, ending
// in the format's extension.
std::string outputName(const std::string& output, long count, long number, OutputFormat format)
{
    const std::string ext = extensionOf(format);
    if (count == 1) return withExtension(output, ext);
    std::string base = output;
    if (base.size() > ext.size() && base.compare(base.size() - ext.size(), ext.size(), ext) == 0)
        base.resize(base.size() - ext.size());
    std::string name = periodicFileName(base, PeriodicFileKind::Spectrum, static_cast<int>(number));
    return name.substr(0, name.size() - 4) + ext;  // "_S1_<n>_" then the extension
}

bool saveInFormat(OutputFormat format, const SpectrumStore& s, Prompt& prompt, const std::string& path)
{
    switch (format) {
    case OutputFormat::Csv: return saveCsvFile(s, prompt, path);
    case OutputFormat::Jdx: return saveJcampFile(s, prompt, path);
    case OutputFormat::Txt: break;
    }
    return saveSpectrumFile(s, prompt, path);
}

// Empty when the calibration file loads, else why not. Checked before the
// device is touched, so a wrong name does not cost an acquisition run.
std::string checkCalibrationFile(const std::string& path)
{
    auto probe = std::make_unique<SpectrumStore>();
    CliPrompt quiet;
    quiet.quiet = true;
    switch (loadCalibrationFromPath(*probe, quiet, path)) {
    case CalibrationLoad::Loaded: return {};
    case CalibrationLoad::NoCalibration: return path + " holds no calibration (byte 6 is not '.')";
    case CalibrationLoad::Unreadable: return "cannot open " + path;
    default: return quiet.lastMessage().empty() ? path + " is not a complete calibration file"
                                                : path + ": " + quiet.lastMessage();
    }
}

}  // namespace

int runAcquire(const Args& args)
{
    if (wantsHelp(args)) {
        std::fputs(kAcquireUsage, stdout);
        return 0;
    }
    AcquireOptions o;
    if (const std::string error = parseOptions(args, o); !error.empty()) return fail(error);

    if (!o.calibrationFile.empty())
        if (const std::string error = checkCalibrationFile(o.calibrationFile); !error.empty()) return fail(error);
    if (const std::string clash = outputClash({o.calibrationFile}, {outputName(o.output, o.count, 1, o.format)}); !clash.empty())
        return fail(clash);

    const TerminationWatch stopOnSignal;  // between files, never inside one
    CliSession cli(o.timeoutSeconds);
    if (!o.calibrationFile.empty()) cli.prompt().openFiles.push_back(o.calibrationFile);
    if (const auto error = cli.initialise()) return error->empty() ? 1 : fail(*error);
    // Spectra on a pixel axis because the flash did not answer, or taken
    // while the instrument's calibration has no backup, are not what was
    // asked for.
    if (const std::string problem = cli.calibrationProblem(); !problem.empty()) {
        const bool unreadableButReplaced =
            cli.session().flashRecordState() == FlashRecordState::Unreadable && !o.calibrationFile.empty();
        if (!unreadableButReplaced)
            return fail(cli.session().flashRecordState() == FlashRecordState::Unreadable
                            ? problem + "; --calibration FILE takes the calibration from a file instead"
                            : problem);
    }

    // The chart bar's edits committed as in the window, by the same commands.
    SpectrumStore& s = cli.store();
    if (const auto refusal = commitExposureText(s, o.exposureText)) return fail(*refusal);
    commitScansText(s, std::to_string(o.scans));
    setAverage(s, o.average);
    commitBoxcarText(s, std::to_string(o.boxcar));

    auto lastReport = std::chrono::steady_clock::now();
    for (long k = 1; k <= o.count; ++k) {
        std::string error;
        if (!cli.acquireOnce(error)) return fail(error);
        // The file holds the nm axis over the instrument's whole range.
        s.m_wavenumberAxis = false;
        showFullXRange(s);
        const std::string path = outputName(o.output, o.count, k, o.format);
        // The calibration file and the instrument's backup are read, never replaced.
        if (const std::string clash =
                outputClash({o.calibrationFile, cli.session().calibrationBackupPath()}, {path});
            !clash.empty())
            return fail(clash);
        cli.prompt().quiet = true;  // a failure is told in one line below
        const bool saved = saveInFormat(o.format, s, cli.prompt(), path);
        cli.prompt().quiet = false;
        if (!saved) return fail("cannot write " + path);
        const auto now = std::chrono::steady_clock::now();
        if (o.count > 1 && (now - lastReport > std::chrono::seconds(1) || k == o.count)) {
            std::fprintf(stderr, "halden-cli: %ld of %ld acquisitions saved (last: %s)\n", k, o.count,
                         path.c_str());
            lastReport = now;
        }
        std::printf("%s\n", path.c_str());  // every saved file, one per line
    }
    return 0;
}

}  // namespace halden::cli
