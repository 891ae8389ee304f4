// The calibration text: one instrument's identification record, irradiance
// coefficient, laser wavelength and three tables of 3653 values (wavelength,
// sensitivity, irradiance factors), as held in ".clbr" files and, with one
// layout difference, in the spectrometer's flash.
//
// File layout, CR LF after every line:
//   1 header (16 raw bytes) | 2 "%e\t" coefficient | 3 "%f\t" laser | 4-12 empty
//   block A "%.3f\t" x 3653 | empty | block B x 3653 | "0" | empty | block C x 3653 | "0"
// Flash layout: the same without the empty line between the first "0" and block C.
//
// Texts come from disk or from a device and are untrusted: parsing never reads
// past the given bytes and reports how far it got; formatting refuses a text
// that would not fit the writer's buffer.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halden {

enum class CalibrationLayout { File, Flash };

inline constexpr int kCalibrationPoints = 3653;
inline constexpr std::size_t kCalibrationTextLimit = 130000;  // largest text read or written
inline constexpr std::size_t kFlashPageSize = 6000;
inline constexpr std::size_t kFlashPages = 20;
inline constexpr std::size_t kFlashAreaSize = kFlashPageSize * kFlashPages;  // 120 000 bytes
inline constexpr double kDefaultLaserWavelength = 532.1;

// What a calibration text holds. Blocks are in text order (the caller
// reverses them when the wavelengths fall).
struct ParsedCalibration {
    std::array<char, 16> header{};   // bytes 0..15, zero-filled when the text is shorter
    bool recordPresent = false;      // byte 5 is '.'
    double irradianceFactor = 0;     // line 2
    double laserWavelength = 0;      // line 3 (file layout: <= 0 becomes 532.1)
    std::vector<double> wavelength;     // block A, kCalibrationPoints entries (0 where missing)
    std::vector<double> sensitivity;    // block B
    std::vector<double> irradianceCal;  // block C
    int valuesRead = 0;              // values actually present, 0 .. 3 x 3653
    bool complete = false;           // all three blocks were present in full
    bool nonFinite = false;          // a value read as nan or infinite (refused)
    bool malformed = false;          // file layout: a value line holding no whole number, or
                                     // wavelengths that do not rise or fall strictly (refused)
    std::string refusal;             // non-empty: the text was not parsed, and why

    bool accepted() const { return refusal.empty(); }
};

// Parses by line position, counting LF bytes. A text longer than the layout's
// limit (130 000 bytes for files, the 20 flash pages for flash) or shorter
// than the 16-byte header is refused; a text without a record (byte 5 not '.')
// is accepted with recordPresent false and no values; a text that ends early
// yields the values it holds with complete false. A record holding a value
// that is not a finite number ("nan", "inf", "1e400") is refused (nonFinite),
// so such a calibration never reaches the store or the flash.
// File layout: every value line holds exactly one number (blanks around it
// allowed), the wavelengths rise or fall strictly, otherwise the text is
// refused (malformed); a laser wavelength <= 0 becomes 532.1 and block C
// skips lines of a single character. Flash layout: the laser is stored as read and block C
// starts exactly 4 bytes after the end of block B.
ParsedCalibration parseCalibrationText(std::string_view bytes, CalibrationLayout layout);

// The values to write. The tables are in memory order (wavelength ascending
// with the point index); increasing false writes every block in reverse.
struct CalibrationSource {
    std::array<char, 16> header{};
    double irradianceFactor = 1.0;
    double laserWavelength = kDefaultLaserWavelength;
    std::span<const double> wavelength;     // at least kCalibrationPoints values
    std::span<const double> sensitivity;
    std::span<const double> irradianceCal;
    bool increasing = true;
};

struct CalibrationText {
    std::string text;
    std::string refusal;  // non-empty: nothing was formatted, and why
    bool ok() const { return refusal.empty(); }
};

// Formats the text of either layout. Refuses tables shorter than 3653 values
// and a text longer than 130 000 bytes (file) or the flash area (flash).
CalibrationText formatCalibrationText(const CalibrationSource& source, CalibrationLayout layout);

}  // namespace halden
