// The calibration an instrument leaves the factory with, and its record in
// flash. Per-point tables are in detector order: point k is pixel 33 + k, and
// the wavelength falls with k.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vantrel::virt {

struct FactoryCalibration {
    std::array<char, 16> header{};      // identification record
    double irradianceCoefficient = 1.0;
    double laserWavelength = 532.1;     // nm
    std::vector<double> wavelength;     // 3653 values, nm, falling
    std::vector<double> sensitivity;    // 3653 values, ~0.2..1.5
    std::vector<double> irradiance;     // 3653 values, ~0.8..1.3
};

// The six characters that name the instrument's backup file ("Y00123" for
// device 0) and its USB serial number ("VT00123").
std::string instrumentId(int deviceIndex);
std::string serialNumberOf(int deviceIndex);

// A Raman instrument carries 'R' at byte 0 of its identification record.
FactoryCalibration makeFactoryCalibration(int deviceIndex, bool raman);

// The flash record: CR LF lines, header, "%e\t" coefficient, "%f\t" laser
// wavelength, nine empty lines, block A, an empty line, block B, "0",
// block C, "0".
std::string formatFlashRecord(const FactoryCalibration& calibration);

}  // namespace vantrel::virt
