#include "acquisition/NotingLink.h"

#include <utility>

namespace halden {

std::string describeResult(std::int32_t result)
{
    switch (result) {
    case 1: return "the spectrometer answered with status 1 (or the device index is above 9)";
    case 501: return "no spectrometer is attached at that position";
    case 502: return "the spectrometer could not be opened";
    case 504: return "the request could not be sent to the spectrometer";
    case 505: return "no reply came in time";
    case 506: return "the reply was not the one expected";
    case 507: return "a frame arrived out of sequence";
    case 508: return "the frame needs more than 124 reports";
    case 509: return "no buffer was given for the transfer";
    case 510: return "the flash read arrived out of sequence";
    default:
        if (result > 0 && result <= 255) return "the spectrometer answered with status " + std::to_string(result);
        return "the library reported error " + std::to_string(result);
    }
}

std::int32_t NotingLink::note(const char* command, std::int32_t result)
{
    if (result != 0) {
        std::lock_guard lock(m_mutex);
        m_failure = {std::string(command) + " failed: " + describeResult(result), result};
    }
    return result;
}

LinkFailure NotingLink::takeFailureNote()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_failure, LinkFailure{});
}

std::int32_t NotingLink::clearMemory() { return note("clearMemory", LibraryLink::clearMemory()); }

std::int32_t NotingLink::setExternalTrigger(std::uint8_t mode, std::uint8_t edge)
{
    return note("setExternalTrigger", LibraryLink::setExternalTrigger(mode, edge));
}

std::int32_t NotingLink::setOpticalTrigger(std::uint8_t mode, std::uint16_t pixel, std::uint16_t level)
{
    return note("setOpticalTrigger", LibraryLink::setOpticalTrigger(mode, pixel, level));
}

std::int32_t NotingLink::setFrameFormat(std::uint16_t start, std::uint16_t end, std::uint8_t reduction,
                                        std::uint16_t* pixelsInFrame)
{
    return note("setFrameFormat", LibraryLink::setFrameFormat(start, end, reduction, pixelsInFrame));
}

std::int32_t NotingLink::setAcquisitionParameters(std::uint16_t scans, std::uint16_t blankScans,
                                                  std::uint8_t scanMode, std::uint32_t exposure)
{
    return note("setAcquisitionParameters",
                LibraryLink::setAcquisitionParameters(scans, blankScans, scanMode, exposure));
}

std::int32_t NotingLink::triggerAcquisition()
{
    return note("triggerAcquisition", LibraryLink::triggerAcquisition());
}

}  // namespace halden
