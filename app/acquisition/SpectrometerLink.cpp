#include "acquisition/SpectrometerLink.h"

#include "vantrel_shared.h"

namespace halden {
namespace {
constexpr std::uint32_t kDevice = 0;
}

std::int32_t LibraryLink::getDevicesCount() { return ::getDevicesCount(); }
std::int32_t LibraryLink::clearMemory() { return ::clearMemory(kDevice); }

std::int32_t LibraryLink::setExternalTrigger(std::uint8_t mode, std::uint8_t edge)
{
    return ::setExternalTrigger(kDevice, mode, edge);
}

std::int32_t LibraryLink::setOpticalTrigger(std::uint8_t mode, std::uint16_t pixel, std::uint16_t level)
{
    return ::setOpticalTrigger(kDevice, mode, pixel, level);
}

std::int32_t LibraryLink::setFrameFormat(std::uint16_t start, std::uint16_t end, std::uint8_t reduction,
                                         std::uint16_t* pixelsInFrame)
{
    return ::setFrameFormat(kDevice, start, end, reduction, pixelsInFrame);
}

std::int32_t LibraryLink::setAcquisitionParameters(std::uint16_t scans, std::uint16_t blankScans,
                                                   std::uint8_t scanMode, std::uint32_t exposure)
{
    return ::setAcquisitionParameters(kDevice, scans, blankScans, scanMode, exposure);
}

std::int32_t LibraryLink::triggerAcquisition() { return ::triggerAcquisition(kDevice); }

std::int32_t LibraryLink::getStatus(std::uint8_t* statusFlags, std::uint16_t* framesInMemory)
{
    return ::getStatus(kDevice, statusFlags, framesInMemory);
}

std::int32_t LibraryLink::eraseFlash() { return ::eraseFlash(kDevice); }

std::int32_t LibraryLink::getFrame(std::uint16_t* frame, std::uint16_t frameNumber)
{
    return ::getFrame(kDevice, frame, frameNumber);
}

std::int32_t LibraryLink::readFlash(std::uint8_t* buffer, std::uint32_t address, std::uint32_t count)
{
    return ::readFlash(kDevice, buffer, address, count);
}

std::int32_t LibraryLink::writeFlash(const std::uint8_t* buffer, std::uint32_t address, std::uint32_t count)
{
    return ::writeFlash(kDevice, buffer, address, count);
}

std::int32_t LibraryLink::getCurrentOperationInfo(std::int32_t* code, std::int32_t* state)
{
    return ::getCurrentOperationInfo(kDevice, code, state);
}

std::int32_t LibraryLink::checkLastError(std::int32_t* lastResult) { return ::checkLastError(kDevice, lastResult); }

}  // namespace halden
