// Recorded HID report streams: what the host wrote and what it read, one
// report per line, with the results the stream should decode to.
//
// Text form (tests/data/protocol/*.txt):
//   # a comment
//   scenario frame          the protocol calls the stream belongs to
//   = result 0              an expected result, in the order the calls give them
//   > 00 0a 00 ...          an output report as written: report id, 64 payload bytes
//   < 8a 00 00 7b ...       an input report as read: 64 bytes, fewer for a short read
// Reads the device did not answer (timeouts) leave no line.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "hid/HidBackend.h"
#include "support/ScriptedHid.h"

namespace vantrel::test {

struct StreamReport {
    bool output = false;  // true: host to device
    std::vector<std::uint8_t> bytes;
    bool operator==(const StreamReport&) const = default;
};

// Named results in the order they were produced.
using Outcome = std::vector<std::pair<std::string, std::string>>;

struct ReportStream {
    std::vector<std::string> comments;  // without the leading "# "
    std::string scenario;
    Outcome expected;
    std::vector<StreamReport> reports;
};

std::string formatReportStream(const ReportStream& stream);
// Parses the text form; on a malformed line returns false with "line N: why" in error.
bool parseReportStream(const std::string& text, ReportStream& stream, std::string& error);
bool readReportStreamFile(const std::string& path, ReportStream& stream, std::string& error);

// A backend that passes everything to another one and logs every report
// written successfully and every read that returned bytes.
class RecordingBackend final : public hid::Backend {
public:
    explicit RecordingBackend(hid::Backend& inner) : m_inner(inner) {}
    std::vector<hid::DeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    std::unique_ptr<hid::Device> open(std::uint16_t vendorId, std::uint16_t productId,
                                      const char* serialNumber) override;
    std::vector<StreamReport> reports() const;
    void log(StreamReport report);

private:
    hid::Backend& m_inner;
    mutable std::mutex m_mutex;
    std::vector<StreamReport> m_reports;
};

// Plays a stream back on a scripted device: every report the host writes is
// compared with the next recorded output report, and the input reports
// recorded after it are queued as the device's answer. A write that differs
// from the recording is noted and answered with nothing.
class StreamReplay {
public:
    explicit StreamReplay(std::vector<StreamReport> reports);
    Responder responder();
    // One line per write that differed from the recording or came after its end.
    std::vector<std::string> mismatches() const;
    // Recorded output reports the host never wrote.
    std::size_t unwrittenRequests() const;

private:
    struct State {
        std::mutex mutex;
        std::vector<StreamReport> reports;
        std::size_t next = 0;
        std::vector<std::string> mismatches;
    };
    std::shared_ptr<State> m_state;
};

std::string hexBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace vantrel::test
