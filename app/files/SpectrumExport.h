// Exports of the shown spectrum that other tools read: CSV with a metadata
// header ("Save spectra, csv") and JCAMP-DX 5.01 ("Save spectra, JCAMP-DX").
// Both carry every point of the shown acquisition (all its scans when they
// were not averaged) at full precision, and the settings and facts of that
// acquisition, never the settings typed for the next one.
//
// CSV: comment lines "# name: value", then a header row, then one row per
// point, comma-separated, CR LF line ends:
//
//     # serial: 00123
//     # exposure_ms: 10.00
//     ...
//     wavelength_nm,counts
//     380.12,1523.25
//
// JCAMP-DX: ##TITLE, ##JCAMP-DX=5.01, ##DATA TYPE, ##ORIGIN, ##OWNER,
// ##LONGDATE, ##XUNITS, ##YUNITS, ##XFACTOR, ##YFACTOR, ##FIRSTX, ##LASTX,
// ##NPOINTS, ##FIRSTY, the metadata as ##$ labels, ##XYPOINTS=(XY..XY) with
// one "x, y" pair a line, ##END=. Several scans make a compound file: a
// LINK block holding one block per scan.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "files/SaveDialog.h"

namespace halden {

class Prompt;
struct SpectrumStore;

using Metadata = std::vector<std::pair<std::string, std::string>>;

// The shown acquisition's settings and facts, in file order: serial,
// identification, exposure_ms, scans, averaging, boxcar, fast, trigger,
// background_subtracted, ratio_mode, log_scale, calibration_source,
// irradiance_calibrated, laser_nm, time (ISO 8601, UTC), program_version.
Metadata acquisitionMetadata(const SpectrumStore& store);

// The x column's name: "wavelength_nm", "raman_shift_1/cm" (the chart's
// Raman axis) or "pixel" (no wavelength calibration); the value columns':
// "counts", "R_percent", "T_percent", "absorbance" ("ln_" in front on the
// log scale), with "_scan<k>" after each when the scans were not averaged.
std::string exportXName(const SpectrumStore& store);
std::vector<std::string> exportValueNames(const SpectrumStore& store);

// A number in the shortest text that reads back as the same double.
std::string exactNumber(double v);

std::string csvFileText(const SpectrumStore& store);
// title: the file's ##TITLE (the file name without its extension).
std::string jcampFileText(const SpectrumStore& store, const std::string& title);

// Write to a path already chosen, atomically; on failure "ERROR DURING
// CREATION THE OUT FILE" (caption "ERROR") and false.
bool saveCsvFile(const SpectrumStore& store, Prompt& prompt, const std::string& path);
bool saveJcampFile(const SpectrumStore& store, Prompt& prompt, const std::string& path);

// The menu commands: save dialog, ".csv" / ".jdx" appended unless present,
// the question before replacing a file, the writer.
SavedFiles saveCsvCommand(SpectrumStore& store, Prompt& prompt);
SavedFiles saveJcampCommand(SpectrumStore& store, Prompt& prompt);

// The "# name: value" lines of a CSV file, in order.
Metadata readCsvMetadata(const std::string& text);

}  // namespace halden
