// The calibration record in the spectrometer's flash, between the raw flash
// bytes and the store: the calibration text in its flash layout (no empty
// line before block C), from address 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "spectrum/SpectrumStore.h"

namespace halden {

// Applies what was read from flash: copies bytes 0..15 into
// m_calibrationHeader; with a record (byte 5 '.') sets
// m_recordIrradianceFactor, m_laserWavelength (as read) and the three
// per-point arrays in record order; without one (or when the record cannot
// be parsed) sets the uncalibrated state: wavelength i = i, unit tables,
// laser wavelength 0, and marks the header as holding no record.
// Returns true when a record was applied.
bool applyFlashRecord(SpectrumStore& store, const std::uint8_t* bytes, std::size_t size);

// Builds the flash record of the store's calibration into out (capacity
// bytes). Returns the record's length, or 0 when it does not fit.
std::size_t buildFlashRecord(const SpectrumStore& store, std::uint8_t* out, std::size_t capacity);

}  // namespace halden
