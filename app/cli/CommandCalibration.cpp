// halden-cli calibration read|write: copy the calibration record between the
// spectrometer's flash and a ".clbr" file.
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "files/CalibrationFile.h"
#include "files/SaveNames.h"

namespace halden::cli {
namespace {

constexpr const char* kCalibrationUsage =
    "Usage: halden-cli [--virtual[=N]] calibration read [--timeout SECONDS] -o FILE.clbr\n"
    "       halden-cli [--virtual[=N]] calibration write [--timeout SECONDS] FILE.clbr\n\n"
    "read   saves the calibration held in the spectrometer's flash to FILE\n"
    "       (\".clbr\" is appended when missing).\n"
    "write  loads FILE, writes it to the spectrometer's flash (erase, write; about\n"
    "       a minute on a real instrument), reads the flash back and verifies it.\n\n"
    "       A failed write is erased and written again (three tries in all); when\n"
    "       it still fails, the flash is read back and the message says what it\n"
    "       holds: the old calibration, or nothing (it was erased), naming the\n"
    "       backup file to write back.\n\n"
    "Both first read the flash as the application does at start-up, which writes\n"
    "the instrument's backup file (e.g. Y00123.clbr) to the current folder when\n"
    "it is missing; both fail when that backup cannot be written. write also\n"
    "refuses to erase anything when the flash cannot be read, or when the backup\n"
    "file does not load as a complete calibration of this instrument (its\n"
    "identification record). FILE must hold one number on every value line and\n"
    "strictly rising or falling wavelengths. --timeout bounds each wait for the\n"
    "spectrometer (default 120 s).\n";

// The calibration as held in the store, for comparing before and after.
struct CalibrationSnapshot {
    std::array<char, 16> header{};
    double recordFactor = 0;
    double laser = 0;
    bool increasing = false;
    std::vector<double> wavelength, sensitivity, irradianceCal;
};

CalibrationSnapshot takeCalibration(const SpectrumStore& s)
{
    CalibrationSnapshot c;
    c.header = s.m_calibrationHeader;
    c.recordFactor = s.m_recordIrradianceFactor;
    c.laser = s.m_laserWavelength;
    c.increasing = s.m_increasing;
    c.wavelength.assign(s.m_wavelength.begin(), s.m_wavelength.begin() + kSpectrumPoints);
    c.sensitivity.assign(s.m_sensitivity.begin(), s.m_sensitivity.begin() + kSpectrumPoints);
    c.irradianceCal.assign(s.m_irradianceCal.begin(), s.m_irradianceCal.begin() + kSpectrumPoints);
    return c;
}

bool near(double a, double b, double relative)
{
    return std::fabs(a - b) <= relative * std::max({1.0, std::fabs(a), std::fabs(b)});
}

// Empty when the read-back matches what was written, else what differs.
std::string compare(const CalibrationSnapshot& written, const CalibrationSnapshot& read)
{
    if (written.header != read.header) return "the identification record";
    if (!near(written.recordFactor, read.recordFactor, 1e-5)) return "the irradiance coefficient";
    if (!near(written.laser, read.laser, 1e-6)) return "the laser wavelength";
    if (written.increasing != read.increasing) return "the point order";
    // Values are stored with three decimals.
    for (int i = 0; i < kSpectrumPoints; ++i) {
        if (!near(written.wavelength[i], read.wavelength[i], 1e-9) &&
            std::fabs(written.wavelength[i] - read.wavelength[i]) > 0.0005)
            return "wavelength " + std::to_string(i);
        if (std::fabs(written.sensitivity[i] - read.sensitivity[i]) > 0.0005 &&
            !near(written.sensitivity[i], read.sensitivity[i], 1e-9))
            return "sensitivity " + std::to_string(i);
    }
    // Without 'Y' at byte 10 the irradiance table is not used (it reads as 1.0).
    if (written.header[10] == 'Y')
        for (int i = 0; i < kSpectrumPoints; ++i)
            if (std::fabs(written.irradianceCal[i] - read.irradianceCal[i]) > 0.0005 &&
                !near(written.irradianceCal[i], read.irradianceCal[i], 1e-9))
                return "irradiance factor " + std::to_string(i);
    return {};
}

int readCalibration(Args args)
{
    int timeoutSeconds = kDefaultTimeoutSeconds;
    if (const std::string error = takeTimeoutOption(args, timeoutSeconds); !error.empty()) return fail(error);
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "-o" || args[i] == "--output") && i + 1 < args.size())
            output = args[++i];
        else
            return fail("unknown argument '" + args[i] + "' (see halden-cli calibration --help)");
    }
    if (output.empty()) return fail("calibration read needs an output file (-o FILE.clbr)");

    CliSession cli(timeoutSeconds);
    cli.prompt().quiet = true;
    if (const auto error = cli.initialise()) return error->empty() ? 1 : fail(*error);
    if (cli.session().flashRecordState() == FlashRecordState::Unreadable) return fail(cli.calibrationProblem());
    if (!cli.recordPresent()) return fail("the spectrometer's flash holds no calibration record");
    // Without its backup file the calibration could not be written back
    // after a failed flash write: the read fails, saying why.
    if (const std::string problem = cli.calibrationProblem(); !problem.empty()) {
        const std::string why = cli.prompt().lastMessage();
        return fail(problem + (why.empty() ? "" : " (" + why + ")"));
    }
    const std::string path = withExtension(output, ".clbr");
    if (!writeCalibrationFile(cli.store(), cli.prompt(), path)) return fail("cannot write " + path);
    std::printf("%s\n", path.c_str());
    return 0;
}

int writeCalibration(Args args)
{
    int timeoutSeconds = kDefaultTimeoutSeconds;
    if (const std::string error = takeTimeoutOption(args, timeoutSeconds); !error.empty()) return fail(error);
    if (args.size() != 1) return fail("calibration write needs exactly one file (FILE.clbr)");
    const std::string& path = args[0];

    CliSession cli(timeoutSeconds);
    cli.prompt().quiet = true;
    if (const auto error = cli.initialise()) return error->empty() ? 1 : fail(*error);
    SpectrumStore& s = cli.store();
    switch (loadCalibrationFromPath(s, cli.prompt(), path)) {
    case CalibrationLoad::Loaded: break;
    case CalibrationLoad::NoCalibration: return fail(path + " holds no calibration (byte 6 is not '.')");
    case CalibrationLoad::Unreadable: return fail("cannot open " + path);
    case CalibrationLoad::Refused: return fail(path + ": " + cli.prompt().lastMessage());  // why, as shown
    default: return fail(path + " is not a complete calibration file");
    }
    const CalibrationSnapshot written = takeCalibration(s);
    if (!cli.session().saveCalibrationToFlash()) return fail(cli.prompt().lastMessage());
    std::string error;
    if (!cli.rereadCalibration(error)) return fail(error);
    if (!cli.recordPresent()) return fail("verification failed: the flash holds no record after writing");
    if (const std::string differs = compare(written, takeCalibration(s)); !differs.empty())
        return fail("verification failed: " + differs + " differs after writing");
    std::printf("calibration from %s written to the spectrometer and verified\n", path.c_str());
    return 0;
}

}  // namespace

int runCalibration(const Args& args)
{
    if (args.empty() || wantsHelp(args)) {
        std::fputs(kCalibrationUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const Args rest(args.begin() + 1, args.end());
    if (args[0] == "read") return readCalibration(rest);
    if (args[0] == "write") return writeCalibration(rest);
    return fail("unknown calibration action '" + args[0] + "' (read or write)");
}

}  // namespace halden::cli
