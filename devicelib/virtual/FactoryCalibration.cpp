#include "virtual/FactoryCalibration.h"

#include "virtual/Detector.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace vantrel::virt {
namespace {

// Grating and detector response relative to the light at the slit; dividing
// the counts by it flattens the instrument's response.
double sensitivityAt(double nm)
{
    const double d = (nm - 580.0) / 250.0;
    return 0.2 + 1.3 * std::exp(-d * d);
}

// What is left of the response after the sensitivity table: the factor
// that turns sensitivity-corrected counts into irradiance.
double irradianceAt(double nm)
{
    const double t = (nm - 210.0) / 740.0;
    return 0.8 + 0.5 * t * t;
}

void appendFormatted(std::string& out, const char* format, double value)
{
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, value);
    if (n > 0) out.append(text, static_cast<std::size_t>(n < 64 ? n : 63));
}

}  // namespace

std::string instrumentId(int deviceIndex)
{
    char text[16];
    std::snprintf(text, sizeof text, "Y%05d", (123 + deviceIndex) % 100000);
    return text;
}

std::string serialNumberOf(int deviceIndex)
{
    return "VT" + instrumentId(deviceIndex).substr(1);
}

FactoryCalibration makeFactoryCalibration(int deviceIndex, bool raman)
{
    FactoryCalibration calibration;
    // Model, '.', build date, identification: "VS014.2403Y00123".
    const std::string header = std::string(raman ? "RS014" : "VS014") + ".2403" + instrumentId(deviceIndex);
    std::memcpy(calibration.header.data(), header.data(), 16);
    calibration.irradianceCoefficient = 1.0;
    calibration.laserWavelength = 532.1;

    // Each instrument's grating sits a little differently.
    const double a = 949.65802 + 0.37 * deviceIndex;
    const double b = -0.22976 * (1.0 + 0.0004 * deviceIndex);
    const double c = 7.48705e-06;
    calibration.wavelength.resize(kPoints);
    calibration.sensitivity.resize(kPoints);
    calibration.irradiance.resize(kPoints);
    for (int k = 0; k < kPoints; ++k) {
        const double nm = a + b * k + c * k * k;
        calibration.wavelength[k] = std::round(nm * 1000.0) / 1000.0;
        calibration.sensitivity[k] = std::round(sensitivityAt(nm) * 1000.0) / 1000.0;
        calibration.irradiance[k] = std::round(irradianceAt(nm) * 1000.0) / 1000.0;
    }
    return calibration;
}

std::string formatFlashRecord(const FactoryCalibration& calibration)
{
    std::string out;
    out.reserve(110000);
    out.append(calibration.header.data(), calibration.header.size());
    out += "\r\n";
    appendFormatted(out, "%e\t", calibration.irradianceCoefficient);
    out += "\r\n";
    appendFormatted(out, "%f\t", calibration.laserWavelength);
    for (int i = 0; i < 10; ++i) out += "\r\n";
    auto block = [&out](const std::vector<double>& values) {
        for (double value : values) {
            appendFormatted(out, "%.3f\t", value);
            out += "\r\n";
        }
    };
    block(calibration.wavelength);
    out += "\r\n";
    block(calibration.sensitivity);
    out += "0\r\n";
    block(calibration.irradiance);
    out += "0\r\n";
    return out;
}

}  // namespace vantrel::virt
