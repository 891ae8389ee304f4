#include "acquisition/FlashCalibration.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "files/CalibrationFile.h"
#include "files/CalibrationText.h"

namespace halden {

bool applyFlashRecord(SpectrumStore& store, const std::uint8_t* bytes, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const ParsedCalibration parsed = parseCalibrationText(text, CalibrationLayout::Flash);
    std::copy(parsed.header.begin(), parsed.header.end(), store.m_calibrationHeader.begin());
    if (parsed.accepted() && parsed.recordPresent && parsed.complete) {
        store.m_recordIrradianceFactor = parsed.irradianceFactor;
        store.m_laserWavelength = parsed.laserWavelength;
        storeParsedTables(store, parsed);
        store.m_calibrationOrigin = CalibrationOrigin::Flash;
        return true;
    }
    // A record cut short (a failed page read, a damaged flash) would leave
    // zeros in the tables; it is treated as no record, so the user is asked
    // for a calibration file instead of working on a broken axis.
    if (parsed.recordPresent) store.m_calibrationHeader.fill('\0');
    setUnitCalibrationTables(store);
    store.m_laserWavelength = 0;
    return false;
}

std::size_t buildFlashRecord(const SpectrumStore& store, std::uint8_t* out, std::size_t capacity)
{
    const CalibrationSource source = calibrationSourceFromStore(store, store.m_recordIrradianceFactor);
    const CalibrationText record = formatCalibrationText(source, CalibrationLayout::Flash);
    if (!record.ok() || record.text.size() > capacity) return 0;
    std::memcpy(out, record.text.data(), record.text.size());
    return record.text.size();
}

}  // namespace halden
