// Scripted HID devices for tests: each device answers reads from a queue of
// replies (or from a responder that reacts to every written report), records
// every report written to it and the time limit of every read, and can be
// told to fail writes, to fail opens, or to hold readers until released.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hid/HidBackend.h"

namespace vantrel::test {

// A 64-byte input report payload.
using Payload = std::array<std::uint8_t, 64>;

// One output report as written: report id byte, then the 64-byte payload.
struct WrittenReport {
    std::vector<std::uint8_t> bytes;
    int handle = 0;  // which open of the device wrote it (1 = first open)

    std::uint8_t command() const { return at(0); }
    std::uint8_t at(std::size_t payloadOffset) const { return bytes.at(1 + payloadOffset); }
    std::uint16_t get16(std::size_t payloadOffset) const;
    std::uint32_t get32(std::size_t payloadOffset) const;
};

class ScriptedDevice;
// Called after every successful write with the report written; it may queue replies.
using Responder = std::function<void(const WrittenReport&, ScriptedDevice&)>;

class ScriptedDevice {
public:
    explicit ScriptedDevice(std::optional<std::string> serialNumber);

    const std::optional<std::string>& serialNumber() const { return m_serialNumber; }

    // Replies handed out by readTimeout, in order. An empty queue reads as a
    // timeout (0 bytes) at once.
    void queueReply(const Payload& payload);
    void queueReply(std::initializer_list<std::uint8_t> leadingBytes);  // rest zero
    void queueTimeout();
    void queueShortReply(int length);  // a read returning fewer than 64 bytes
    void queueReadError();             // a read returning -1
    void setResponder(Responder responder);

    // The next count writes fail (return -1).
    void failNextWrites(int count);

    // Blocking hook: while held, every readTimeout blocks until released.
    void holdReads();
    void releaseReads();
    // Returns once a reader is blocked in a held read.
    void waitForBlockedRead();

    std::vector<WrittenReport> writes() const;
    std::vector<int> readTimeouts() const;  // milliseconds of every read, in order
    int openCount() const;
    int closeCount() const;
    std::size_t queuedReplies() const;
    void clearRecords();

    // Used by the handles the backend opens.
    int onOpen();
    void onClose();
    int onWrite(int handle, const std::uint8_t* data, std::size_t length);
    int onRead(std::uint8_t* data, std::size_t length, int milliseconds);

private:
    struct Reply {
        Payload payload{};
        int length = 64;  // bytes returned; 0 = timeout, -1 = error
    };

    const std::optional<std::string> m_serialNumber;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Reply> m_replies;
    Responder m_responder;
    std::vector<WrittenReport> m_writes;
    std::vector<int> m_readTimeouts;
    int m_failWrites = 0;
    int m_opens = 0;
    int m_closes = 0;
    bool m_holdReads = false;
    int m_blockedReaders = 0;
};

class ScriptedHid final : public hid::Backend {
public:
    // Adds a device at the end of the enumeration.
    ScriptedDevice& addDevice(std::optional<std::string> serialNumber);
    // Removes every device from the enumeration (open handles keep working).
    void unplugAll();
    // The next count opens fail.
    void failNextOpens(int count);
    // Serial numbers requested by every open, in order ("<first>" for none).
    std::vector<std::string> openRequests() const;

    std::vector<hid::DeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    std::unique_ptr<hid::Device> open(std::uint16_t vendorId, std::uint16_t productId,
                                      const char* serialNumber) override;

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<ScriptedDevice>> m_devices;
    std::vector<std::string> m_openRequests;
    int m_failOpens = 0;
};

// Installs a backend for the library while in scope; on leaving, tears down
// every device slot, then restores the normal backend choice.
class ScopedBackend {
public:
    explicit ScopedBackend(hid::Backend& backend);
    ~ScopedBackend();
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;
};

// Report builders.
Payload replyPayload(std::initializer_list<std::uint8_t> leadingBytes);
// A frame data report: 0x8A, first pixel index, countdown, 30 pixels.
Payload frameReport(std::uint16_t firstPixel, std::uint8_t remaining,
                    const std::function<std::uint16_t(unsigned pixel)>& value);
// A flash data report: 0x9A, offset, countdown, 60 bytes.
Payload flashReport(std::uint16_t offset, std::uint8_t remaining,
                    const std::function<std::uint8_t(unsigned byte)>& value);
// Queues the reports of a well-formed frame of frameLength pixels in order.
void queueFrame(ScriptedDevice& device, unsigned frameLength,
                const std::function<std::uint16_t(unsigned pixel)>& value);

// A responder that answers every command like a healthy instrument at once:
// status 0, a frame length of frameLength, frames whose pixel j holds
// value(j), and a flash of 120000 bytes that reads back what was written.
Responder instantSpectrometer(unsigned frameLength = 3694,
                              std::function<std::uint16_t(unsigned pixel)> value = nullptr);

}  // namespace vantrel::test
