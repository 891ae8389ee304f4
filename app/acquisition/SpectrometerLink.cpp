#include "acquisition/SpectrometerLink.h"

#include "vantrel_shared.h"

namespace halden {

std::int32_t LibraryLink::getDevicesCount() { return ::getDevicesCount(); }
std::int32_t LibraryLink::clearMemory() { return ::clearMemory(m_device); }

std::int32_t LibraryLink::setExternalTrigger(std::uint8_t mode, std::uint8_t edge)
{
    return ::setExternalTrigger(m_device, mode, edge);
}

std::int32_t LibraryLink::setOpticalTrigger(std::uint8_t mode, std::uint16_t pixel, std::uint16_t level)
{
    return ::setOpticalTrigger(m_device, mode, pixel, level);
}

std::int32_t LibraryLink::setFrameFormat(std::uint16_t start, std::uint16_t end, std::uint8_t reduction,
                                         std::uint16_t* pixelsInFrame)
{
    return ::setFrameFormat(m_device, start, end, reduction, pixelsInFrame);
}

std::int32_t LibraryLink::setAcquisitionParameters(std::uint16_t scans, std::uint16_t blankScans,
                                                   std::uint8_t scanMode, std::uint32_t exposure)
{
    return ::setAcquisitionParameters(m_device, scans, blankScans, scanMode, exposure);
}

std::int32_t LibraryLink::triggerAcquisition() { return ::triggerAcquisition(m_device); }

std::int32_t LibraryLink::getStatus(std::uint8_t* statusFlags, std::uint16_t* framesInMemory)
{
    return ::getStatus(m_device, statusFlags, framesInMemory);
}

std::int32_t LibraryLink::eraseFlash() { return ::eraseFlash(m_device); }

std::int32_t LibraryLink::getFrame(std::uint16_t* frame, std::uint16_t frameNumber)
{
    return ::getFrame(m_device, frame, frameNumber);
}

std::int32_t LibraryLink::readFlash(std::uint8_t* buffer, std::uint32_t address, std::uint32_t count)
{
    return ::readFlash(m_device, buffer, address, count);
}

std::int32_t LibraryLink::writeFlash(const std::uint8_t* buffer, std::uint32_t address, std::uint32_t count)
{
    return ::writeFlash(m_device, buffer, address, count);
}

std::int32_t LibraryLink::getCurrentOperationInfo(std::int32_t* code, std::int32_t* state)
{
    return ::getCurrentOperationInfo(m_device, code, state);
}

std::int32_t LibraryLink::checkLastError(std::int32_t* lastResult) { return ::checkLastError(m_device, lastResult); }

}  // namespace halden
