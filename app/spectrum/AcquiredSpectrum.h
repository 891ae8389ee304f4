// An acquisition result as plain data, point for point as the spectrum file
// writes the shown acquisition: point i at calibration wavelength i, or, in
// Fast mode (half resolution), at wavelength 2i; one row per data column
// (one when averaged, else one per scan).
#pragma once

#include <vector>

#include "spectrum/Acquisition.h"
#include "spectrum/Conditioning.h"

namespace halden {

struct AcquiredSpectrum {
    std::vector<double> wavelength;
    std::vector<double> rows;  // rowCount rows of wavelength.size() values, one after the other
    int rowCount = 0;
};

// Empty (no points, no rows) for a result that is not complete.
AcquiredSpectrum acquiredSpectrum(const AcquisitionResult& result, const PointArray& wavelength);

}  // namespace halden
