// A binding to the device library that notes the last set command that did
// not succeed, so that an acquisition that fails or never ends can say which
// command the spectrometer refused, and with which result, instead of only
// that it did not answer (halden-cli, the Python module).
#pragma once

#include <mutex>
#include <string>

#include "acquisition/SpectrometerLink.h"

namespace halden {

// The last set command that failed: its message and the library's result.
struct LinkFailure {
    std::string text;  // empty when none failed
    std::int32_t result = 0;
};

class NotingLink final : public LibraryLink {
public:
    explicit NotingLink(std::uint32_t device = 0) : LibraryLink(device) {}

    std::int32_t clearMemory() override;
    std::int32_t setExternalTrigger(std::uint8_t mode, std::uint8_t edge) override;
    std::int32_t setOpticalTrigger(std::uint8_t mode, std::uint16_t pixel, std::uint16_t level) override;
    std::int32_t setFrameFormat(std::uint16_t start, std::uint16_t end, std::uint8_t reduction,
                                std::uint16_t* pixelsInFrame) override;
    std::int32_t setAcquisitionParameters(std::uint16_t scans, std::uint16_t blankScans, std::uint8_t scanMode,
                                          std::uint32_t exposure) override;
    std::int32_t triggerAcquisition() override;

    // The last set command that failed since the last call, e.g.
    // "setAcquisitionParameters failed: the spectrometer answered with status 3";
    // empty when none did. Clears the note. Any thread.
    std::string takeFailure() { return takeFailureNote().text; }
    // The same with the command's result; clears the note.
    LinkFailure takeFailureNote();

private:
    std::int32_t note(const char* command, std::int32_t result);

    std::mutex m_mutex;
    LinkFailure m_failure;
};

// What a library result means, in words ("the spectrometer answered with
// status 3", "no reply came in time").
std::string describeResult(std::int32_t result);

}  // namespace halden
