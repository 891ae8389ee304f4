#include "spectrum/AcquiredSpectrum.h"

#include <algorithm>

namespace halden {

AcquiredSpectrum acquiredSpectrum(const AcquisitionResult& result, const PointArray& wavelength) {
    AcquiredSpectrum out;
    if (result.status != AcquisitionStatus::Complete || result.lastPoint < 0) return out;
    const bool fast = result.settings.conditioning.fast;
    const int step = fast ? 2 : 1;
    const int last = std::min(result.lastPoint, (kPointCapacity - 1) / step);
    const int points = last + 1;
    const int available = static_cast<int>(result.rows.size() / kPointCapacity);
    out.rowCount = std::min({dataColumnsOf(result.settings.device), result.rowCount, available});
    out.wavelength.resize(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i) out.wavelength[i] = wavelength[static_cast<std::size_t>(step) * i];
    out.rows.reserve(static_cast<std::size_t>(out.rowCount) * points);
    for (int r = 0; r < out.rowCount; ++r) {
        const auto row = result.rows.begin() + static_cast<std::ptrdiff_t>(r) * kPointCapacity;
        out.rows.insert(out.rows.end(), row, row + points);
    }
    return out;
}

}  // namespace halden
