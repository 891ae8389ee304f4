// halden-cli raman-calibrate: plastic calibration of a polystyrene Raman
// spectrum, written as a ".clbr" calibration file.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/OutputPaths.h"
#include "cli/SpectrumInput.h"
#include "files/AtomicFile.h"
#include "files/CalibrationText.h"
#include "files/SaveNames.h"
#include "spectrum/DialogText.h"
#include "spectrum/PlasticCalibration.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden::cli {
namespace {

constexpr const char* kRamanCalibrateUsage =
    "Usage: halden-cli raman-calibrate FILE [--laser NM] [--calibration BASE.clbr] -o OUT.clbr\n\n"
    "Plastic calibration: FILE is the Raman spectrum of polystyrene measured with\n"
    "the current calibration, as a spectrum text file with x in nm and one row per\n"
    "spectrum point (3653 rows). The strongest point inside each polystyrene band's\n"
    "window (620.9, 1001.4 and 1602.3 1/cm, or 620.9, 1602.3 and 3054.3 1/cm when\n"
    "the spectrum reaches 3300 1/cm; +-100 1/cm each) is matched with the band's\n"
    "expected wavelength, and the quadratic through the three points becomes the\n"
    "new wavelength table, written to OUT (\".clbr\" is appended when missing).\n\n"
    "  --laser NM              excitation wavelength in nm (default 532.1, or the\n"
    "                          one in BASE)\n"
    "  --calibration BASE.clbr take the identification record, irradiance\n"
    "                          coefficient, sensitivity and irradiance tables and\n"
    "                          the point order from BASE; without it the file gets\n"
    "                          the record \"R0000.0000PLASTC\" and unit tables\n"
    "  -o, --output OUT.clbr   the calibration file to write (replaced atomically)\n";

constexpr const char* kDefaultHeader = "R0000.0000PLASTC";

struct Options {
    std::string file, output, base;
    std::optional<double> laser;
};

// The calibration the new wavelength table goes into.
struct BaseCalibration {
    std::array<char, 16> header{};
    double irradianceFactor = 1.0;
    double laser = kDefaultLaserWavelength;
    std::vector<double> sensitivity, irradianceCal;  // memory order (wavelength ascending)
    bool increasing = true;
};

BaseCalibration defaultBase() {
    BaseCalibration b;
    std::memcpy(b.header.data(), kDefaultHeader, 16);
    b.sensitivity.assign(kCalibrationPoints, 1.0);
    b.irradianceCal.assign(kCalibrationPoints, 1.0);
    return b;
}

// Empty on success, else why BASE cannot be used.
std::string readBase(const std::string& path, BaseCalibration& out) {
    std::string bytes;
    const ReadResult read = readRegularFile(path, bytes, kCalibrationTextLimit);
    if (read.status == ReadStatus::TooLarge)
        return "'" + path + "' is too large for a calibration file (more than 130000 bytes)";
    if (!read.ok()) return "cannot read '" + path + "': " + read.error;
    const ParsedCalibration p = parseCalibrationText(bytes, CalibrationLayout::File);
    if (!p.accepted()) return "'" + path + "' was not read: " + p.refusal;
    if (!p.recordPresent) return "'" + path + "' holds no calibration (byte 6 is not '.')";
    if (!p.complete) return "'" + path + "' is not a complete calibration file";
    out.header = p.header;
    out.irradianceFactor = p.irradianceFactor;
    out.laser = p.laserWavelength;
    out.sensitivity = p.sensitivity;
    out.irradianceCal = p.irradianceCal;
    out.increasing = p.wavelength[1] > p.wavelength[0];
    if (!out.increasing) {
        std::reverse(out.sensitivity.begin(), out.sensitivity.end());
        std::reverse(out.irradianceCal.begin(), out.irradianceCal.end());
    }
    return {};
}

std::optional<std::string> parseOptions(const Args& args, Options& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--laser") {
            if (!hasValue) return "--laser needs a wavelength in nm";
            o.laser = parseWholeNumber(args[++i]);
            if (!o.laser || *o.laser <= 0) return "--laser needs a positive wavelength in nm, not '" + args[i] + "'";
        } else if (a == "--calibration") {
            if (!hasValue) return "--calibration needs a .clbr file";
            o.base = args[++i];
        } else if (a == "-o" || a == "--output") {
            if (!hasValue) return a + " needs a file name";
            o.output = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            return "raman-calibrate: unknown option '" + a + "' (see halden-cli raman-calibrate --help)";
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return "raman-calibrate takes one spectrum file, not '" + a + "' as well";
        }
    }
    if (o.file.empty()) return "raman-calibrate needs a spectrum file (see halden-cli raman-calibrate --help)";
    if (o.output.empty()) return "raman-calibrate needs an output file (-o OUT.clbr)";
    return std::nullopt;
}

}  // namespace

int runRamanCalibrate(const Args& args)
{
    if (args.empty() || wantsHelp(args)) {
        std::fputs(kRamanCalibrateUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    Options o;
    if (const auto error = parseOptions(args, o)) return fail(*error);
    const std::string path = withExtension(o.output, ".clbr");
    if (const std::string clash = outputClash({o.file, o.base}, {path}); !clash.empty()) return fail(clash);

    SpectrumInput in = readSpectrumInput(o.file);
    if (!in.ok()) return fail(in.error);
    if (in.x.size() != static_cast<std::size_t>(kSpectrumPoints))
        return fail("'" + o.file + "' holds " + std::to_string(in.x.size()) +
                    " data lines; plastic calibration needs one per spectrum point (3653)");
    if (in.x[1] <= in.x[0]) {  // a falling axis: shortest wavelength first, as in memory
        std::reverse(in.x.begin(), in.x.end());
        std::reverse(in.y.begin(), in.y.end());
    }

    BaseCalibration base = defaultBase();
    if (!o.base.empty())
        if (const std::string error = readBase(o.base, base); !error.empty()) return fail(error);
    const double laser = o.laser ? *o.laser : base.laser;

    auto store = std::make_unique<SpectrumStore>();
    SpectrumStore& s = *store;
    std::copy(in.x.begin(), in.x.end(), s.m_wavelength.begin());
    double* live = s.liveBuffer();
    std::fill(live, live + kPointCapacity, 0.0);
    std::copy(in.y.begin(), in.y.end(), live);
    s.m_laserWavelength = laser;
    showRamanShiftAxis(s);

    const PlasticFit fit = computePlasticCalibration(s);
    if (!fit.ok()) return fail(fit.refusal);
    writeFittedWavelengths(s, fit.fit);

    CalibrationSource source;
    source.header = base.header;
    source.irradianceFactor = base.irradianceFactor;
    source.laserWavelength = laser;
    source.wavelength = std::span<const double>(s.m_wavelength.data(), kCalibrationPoints);
    source.sensitivity = base.sensitivity;
    source.irradianceCal = base.irradianceCal;
    source.increasing = base.increasing;
    const CalibrationText text = formatCalibrationText(source, CalibrationLayout::File);
    if (!text.ok()) return fail("the calibration could not be formatted: " + text.refusal);
    if (const WriteResult w = writeFileAtomically(path, text.text); !w.ok)
        return fail("cannot write '" + path + "': " + w.error);

    for (int k = 0; k < 3; ++k) {
        const int p = fit.peaks.index[k];
        std::printf("band %s 1/cm: point %d (was %s nm, now %s nm)\n",
                    formatFixed((*fit.bands)[k].shift, 1).c_str(), p, formatFixed(in.x[p], 2).c_str(),
                    formatFixed(fit.expected[k], 2).c_str());
    }
    std::printf("A = %s, B = %s, C = %s\n", formatScientific(fit.fit.a, 6).c_str(),
                formatScientific(fit.fit.b, 6).c_str(), formatScientific(fit.fit.c, 6).c_str());
    std::printf("%s\n", path.c_str());
    return 0;
}

}  // namespace halden::cli
