// Feeds arbitrary bytes to the calibration text parser in both layouts and
// checks that accepted records format back without overrunning the limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/CalibrationText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const auto layout : {halden::CalibrationLayout::File, halden::CalibrationLayout::Flash}) {
        const halden::ParsedCalibration p = halden::parseCalibrationText(bytes, layout);
        if (p.valuesRead < 0 || p.valuesRead > 3 * halden::kCalibrationPoints) std::abort();
        if (!p.recordPresent) continue;
        halden::CalibrationSource src;
        src.header = p.header;
        src.irradianceFactor = p.irradianceFactor;
        src.laserWavelength = p.laserWavelength;
        src.wavelength = p.wavelength;
        src.sensitivity = p.sensitivity;
        src.irradianceCal = p.irradianceCal;
        const halden::CalibrationText t = halden::formatCalibrationText(src, layout);
        const std::size_t limit =
            layout == halden::CalibrationLayout::File ? halden::kCalibrationTextLimit : halden::kFlashAreaSize;
        if (t.ok() ? t.text.size() > limit : !t.text.empty()) std::abort();
    }
    return 0;
}
