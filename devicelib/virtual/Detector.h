// Geometry and limits of the simulated instrument.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::virt {

constexpr int kDetectorPixels = 3694;    // pixels read out per full frame
constexpr int kFirstActivePixel = 33;    // first pixel lit through the slit
constexpr int kLastActivePixel = 3685;   // last lit pixel
constexpr int kPoints = kLastActivePixel - kFirstActivePixel + 1;  // 3653
constexpr int kLeftDarkFirst = 15, kLeftDarkLast = 31;     // light-shielded reference pixels
constexpr int kRightDarkFirst = 3686, kRightDarkLast = 3692;
constexpr int kLeadingPixels = 33;       // pixels before the element range in every frame
constexpr int kFrameOverhead = 46;       // frame length = elements in range + this
constexpr int kLastElement = 3673;       // highest end element a frame can hold (3720 pixels)
constexpr int kMaxFrameReports = 124;
constexpr int kPixelsPerReport = 30;
constexpr int kMaxFlashReports = 100;
constexpr int kFlashBytesPerReport = 60;
constexpr int kMaxFlashWriteBytes = 58;
constexpr std::size_t kFlashPageSize = 6000;
constexpr std::size_t kFlashPages = 20;
constexpr std::size_t kFlashSize = kFlashPageSize * kFlashPages;  // 120000 bytes
constexpr std::uint16_t kVendorId = 0xE220;
constexpr std::uint16_t kProductId = 0x0100;

}  // namespace vantrel::virt
