#include "files/SpectrumExport.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "common/Prompt.h"
#include "files/AtomicFile.h"
#include "spectrum/DialogText.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

namespace {

constexpr const char* kLineEnd = "\r\n";

const char* onOff(bool on) { return on ? "on" : "off"; }
const char* yesNo(bool yes) { return yes ? "yes" : "no"; }

// The ratio mode the shown spectrum was conditioned in (a ratio needs its
// reference).
int shownRatioMode(const LiveAcquisition& shown) {
    const ConditioningParams& c = shown.settings.conditioning;
    return c.reference ? c.ratioMode : 0;
}

bool isPixelAxis(const SpectrumStore& s) {
    const int last = std::clamp<int>(s.m_lastIndex, 0, kPointCapacity - 1);
    for (int i = 0; i <= last; ++i)
        if (s.m_wavelength[i] != i) return false;
    return true;
}

std::string utcText(std::chrono::system_clock::time_point when, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[40];
    std::strftime(text, sizeof text, format, &utc);
    return text;
}

// The points of the shown acquisition: point i at its own wavelength (in
// Fast mode detector point 2i), on the chart's x axis.
struct ExportPoints {
    std::vector<double> x;
    std::vector<const double*> rows;  // one per value column
};

ExportPoints exportPoints(const SpectrumStore& s) {
    ExportPoints p;
    const LiveAcquisition& shown = s.m_liveAcquisition;
    const int step = shown.fast() ? 2 : 1;
    const int last = std::clamp(shown.fast() ? std::min(shown.lastPoint, kFastCurveLast) : shown.lastPoint, 0,
                                kPointCapacity - 1);
    for (int i = 0; i <= last; ++i) {
        const double nm = s.m_wavelength[std::min(step * i, kPointCapacity - 1)];
        p.x.push_back(s.m_wavenumberAxis ? ramanShift(s.m_laserWavelength, nm) : nm);
    }
    const int columns = std::clamp(std::min(shown.columns(), shown.rowCount), 1, kBufferRows);
    for (int k = 0; k < columns; ++k) p.rows.push_back(s.liveBuffer() + static_cast<std::ptrdiff_t>(k) * kPointCapacity);
    return p;
}

std::string valueQuantity(const SpectrumStore& s) {
    const LiveAcquisition& shown = s.m_liveAcquisition;
    const int mode = shownRatioMode(shown);
    const char* quantity = mode == 1 ? "R_percent" : mode == 2 ? "T_percent" : mode == 3 ? "absorbance" : "counts";
    return shown.settings.conditioning.logScale ? std::string("ln_") + quantity : std::string(quantity);
}

std::string singleLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

// One JCAMP-DX block of one value column.
void appendJcampBlock(std::string& out, const SpectrumStore& s, const std::string& title, const ExportPoints& p,
                      const double* row, int blockId) {
    const LiveAcquisition& shown = s.m_liveAcquisition;
    const int mode = shownRatioMode(shown);
    const bool ln = shown.settings.conditioning.logScale;
    const char* yUnits = ln ? "ARBITRARY UNITS"
                            : mode == 1 ? "REFLECTANCE" : mode == 2 ? "TRANSMITTANCE" : mode == 3 ? "ABSORBANCE" : "COUNTS";
    const char* xUnits = s.m_wavenumberAxis ? "1/CM" : isPixelAxis(s) ? "ARBITRARY UNITS" : "NANOMETERS";
    auto label = [&](const std::string& name, const std::string& value) { out += "##" + name + "=" + value + kLineEnd; };
    label("TITLE", singleLine(title));
    label("JCAMP-DX", "5.01");
    label("DATA TYPE", s.m_wavenumberAxis ? "RAMAN SPECTRUM" : "UV/VIS SPECTRUM");
    if (blockId > 0) label("BLOCK_ID", std::to_string(blockId));
    label("ORIGIN", std::string("Halden ") + HALDEN_VERSION);
    label("OWNER", "");
    if (shown.measured) label("LONGDATE", utcText(shown.completed, "%Y/%m/%d %H:%M:%S +0000"));
    label("SPECTROMETER/DATA SYSTEM",
          singleLine("Vantrel spectrometer " + (shown.settings.identification.empty() ? std::string("(no record)")
                                                                                     : shown.settings.identification)));
    label("XUNITS", xUnits);
    // Ratios are given in per cent, as the chart shows them.
    label("YUNITS", yUnits);
    label("XFACTOR", "1");
    label("YFACTOR", "1");
    const std::size_t n = p.x.size();
    label("FIRSTX", exactNumber(p.x.front()));
    label("LASTX", exactNumber(p.x.back()));
    label("NPOINTS", std::to_string(n));
    label("FIRSTY", exactNumber(row[0]));
    for (const auto& [name, value] : acquisitionMetadata(s)) {
        std::string upper = name;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        label("$" + upper, singleLine(value));
    }
    out += std::string("##XYPOINTS=(XY..XY)") + kLineEnd;
    for (std::size_t i = 0; i < n; ++i) out += exactNumber(p.x[i]) + ", " + exactNumber(row[i]) + kLineEnd;
    out += std::string("##END=") + kLineEnd;
}

std::string stem(const std::string& path) { return std::filesystem::path(path).stem().string(); }

}  // namespace

std::string exactNumber(double v) {
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : std::string("0");
}

Metadata acquisitionMetadata(const SpectrumStore& s) {
    const LiveAcquisition& shown = s.m_liveAcquisition;
    const AcquisitionSettings& a = shown.settings;
    const DeviceSetup& d = a.device;
    const ConditioningParams& c = a.conditioning;
    const int mode = shownRatioMode(shown);
    const char* modes[] = {"off", "R%", "T%", "ABS"};
    const char* origins[] = {"none", "flash", "file"};
    Metadata m;
    m.emplace_back("serial", a.serial.empty() ? "none" : a.serial);
    m.emplace_back("identification", a.identification.empty() ? "none" : a.identification);
    m.emplace_back("exposure_ms", formatFixed(d.exposure / 100.0, 2));
    m.emplace_back("scans", std::to_string(d.scans));
    m.emplace_back("averaging", onOff(d.average));
    m.emplace_back("boxcar", std::to_string(c.boxcar));
    m.emplace_back("fast", onOff(c.fast));
    m.emplace_back("trigger", d.extTrigMode != 0 ? "external" : d.optTrigMode != 0 ? "optical" : "none");
    m.emplace_back("background_subtracted", yesNo(c.subtractBackground && c.background));
    m.emplace_back("ratio_mode", modes[std::clamp(mode, 0, 3)]);
    m.emplace_back("log_scale", yesNo(c.logScale));
    m.emplace_back("calibration_source", origins[static_cast<int>(a.calibrationOrigin) % 3]);
    m.emplace_back("irradiance_calibrated", yesNo(a.irradianceCalibrated));
    if (s.m_wavenumberAxis) m.emplace_back("laser_nm", formatFixed(s.m_laserWavelength, 3));
    m.emplace_back("time", shown.measured ? utcText(shown.completed, "%Y-%m-%dT%H:%M:%SZ") : std::string("none"));
    m.emplace_back("program_version", HALDEN_VERSION);
    return m;
}

std::string exportXName(const SpectrumStore& s) {
    if (s.m_wavenumberAxis) return "raman_shift_1/cm";
    return isPixelAxis(s) ? "pixel" : "wavelength_nm";
}

std::vector<std::string> exportValueNames(const SpectrumStore& s) {
    const std::string quantity = valueQuantity(s);
    const std::size_t columns = exportPoints(s).rows.size();
    if (columns == 1) return {quantity};
    std::vector<std::string> names;
    for (std::size_t k = 1; k <= columns; ++k) names.push_back(quantity + "_scan" + std::to_string(k));
    return names;
}

std::string csvFileText(const SpectrumStore& s) {
    std::string out;
    for (const auto& [name, value] : acquisitionMetadata(s)) out += "# " + name + ": " + singleLine(value) + kLineEnd;
    out += exportXName(s);
    for (const std::string& name : exportValueNames(s)) out += "," + name;
    out += kLineEnd;
    const ExportPoints p = exportPoints(s);
    for (std::size_t i = 0; i < p.x.size(); ++i) {
        out += exactNumber(p.x[i]);
        for (const double* row : p.rows) out += "," + exactNumber(row[i]);
        out += kLineEnd;
    }
    return out;
}

std::string jcampFileText(const SpectrumStore& s, const std::string& title) {
    const ExportPoints p = exportPoints(s);
    std::string out;
    if (p.rows.size() == 1) {
        appendJcampBlock(out, s, title, p, p.rows.front(), 0);
        return out;
    }
    // One block per scan inside a LINK block.
    out += "##TITLE=" + singleLine(title) + kLineEnd;
    out += std::string("##JCAMP-DX=5.01") + kLineEnd;
    out += std::string("##DATA TYPE=LINK") + kLineEnd;
    out += "##BLOCKS=" + std::to_string(p.rows.size()) + kLineEnd;
    for (std::size_t k = 0; k < p.rows.size(); ++k)
        appendJcampBlock(out, s, title + ", scan " + std::to_string(k + 1), p, p.rows[k], static_cast<int>(k + 1));
    out += std::string("##END=") + kLineEnd;
    return out;
}

bool saveCsvFile(const SpectrumStore& s, Prompt& prompt, const std::string& path) {
    return writeFileOrReport(path, csvFileText(s), prompt);
}

bool saveJcampFile(const SpectrumStore& s, Prompt& prompt, const std::string& path) {
    return writeFileOrReport(path, jcampFileText(s, stem(path)), prompt);
}

SavedFiles saveCsvCommand(SpectrumStore& s, Prompt& prompt) {
    const auto path = askSavePath(prompt, ".csv");
    if (!path || !saveCsvFile(s, prompt, *path)) return {};
    return {*path};
}

SavedFiles saveJcampCommand(SpectrumStore& s, Prompt& prompt) {
    const auto path = askSavePath(prompt, ".jdx");
    if (!path || !saveJcampFile(s, prompt, *path)) return {};
    return {*path};
}

Metadata readCsvMetadata(const std::string& text) {
    Metadata m;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.rfind("# ", 0) != 0) continue;
        const std::size_t colon = line.find(": ", 2);
        if (colon == std::string::npos) continue;
        m.emplace_back(line.substr(2, colon - 2), line.substr(colon + 2));
    }
    return m;
}

}  // namespace halden
