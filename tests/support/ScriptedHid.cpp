#include "support/ScriptedHid.h"

#include <algorithm>
#include <cstring>

#include "vantrel_shared.h"

namespace vantrel::test {

std::uint16_t WrittenReport::get16(std::size_t payloadOffset) const
{
    return static_cast<std::uint16_t>(at(payloadOffset) | (at(payloadOffset + 1) << 8));
}

std::uint32_t WrittenReport::get32(std::size_t payloadOffset) const
{
    return static_cast<std::uint32_t>(get16(payloadOffset)) |
           static_cast<std::uint32_t>(get16(payloadOffset + 2)) << 16;
}

// ---- ScriptedDevice ----

ScriptedDevice::ScriptedDevice(std::optional<std::string> serialNumber)
    : m_serialNumber(std::move(serialNumber))
{
}

void ScriptedDevice::queueReply(const Payload& payload)
{
    std::lock_guard lock(m_mutex);
    m_replies.push_back({payload, 64});
}

void ScriptedDevice::queueReply(std::initializer_list<std::uint8_t> leadingBytes)
{
    queueReply(replyPayload(leadingBytes));
}

void ScriptedDevice::queueTimeout()
{
    std::lock_guard lock(m_mutex);
    m_replies.push_back({Payload{}, 0});
}

void ScriptedDevice::queueShortReply(int length)
{
    std::lock_guard lock(m_mutex);
    m_replies.push_back({Payload{}, length});
}

void ScriptedDevice::queueReadError()
{
    std::lock_guard lock(m_mutex);
    m_replies.push_back({Payload{}, -1});
}

void ScriptedDevice::setResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

void ScriptedDevice::failNextWrites(int count)
{
    std::lock_guard lock(m_mutex);
    m_failWrites = count;
}

void ScriptedDevice::holdReads()
{
    std::lock_guard lock(m_mutex);
    m_holdReads = true;
}

void ScriptedDevice::releaseReads()
{
    std::lock_guard lock(m_mutex);
    m_holdReads = false;
    m_changed.notify_all();
}

void ScriptedDevice::waitForBlockedRead()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_blockedReaders > 0; });
}

std::vector<WrittenReport> ScriptedDevice::writes() const
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

std::vector<int> ScriptedDevice::readTimeouts() const
{
    std::lock_guard lock(m_mutex);
    return m_readTimeouts;
}

int ScriptedDevice::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_opens;
}

int ScriptedDevice::closeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_closes;
}

std::size_t ScriptedDevice::queuedReplies() const
{
    std::lock_guard lock(m_mutex);
    return m_replies.size();
}

void ScriptedDevice::clearRecords()
{
    std::lock_guard lock(m_mutex);
    m_writes.clear();
    m_readTimeouts.clear();
}

int ScriptedDevice::onOpen()
{
    std::lock_guard lock(m_mutex);
    return ++m_opens;
}

void ScriptedDevice::onClose()
{
    std::lock_guard lock(m_mutex);
    ++m_closes;
}

int ScriptedDevice::onWrite(int handle, const std::uint8_t* data, std::size_t length)
{
    Responder responder;
    WrittenReport report{std::vector<std::uint8_t>(data, data + length), handle};
    {
        std::lock_guard lock(m_mutex);
        m_writes.push_back(report);
        if (m_failWrites > 0) {
            --m_failWrites;
            return -1;
        }
        responder = m_responder;
    }
    if (responder && report.bytes.size() >= 2) responder(report, *this);
    return static_cast<int>(length);
}

int ScriptedDevice::onRead(std::uint8_t* data, std::size_t length, int milliseconds)
{
    std::unique_lock lock(m_mutex);
    m_readTimeouts.push_back(milliseconds);
    if (m_holdReads) {
        ++m_blockedReaders;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_holdReads; });
        --m_blockedReaders;
    }
    if (m_replies.empty()) return 0;
    const Reply reply = m_replies.front();
    m_replies.pop_front();
    if (reply.length <= 0) return reply.length;
    const std::size_t count = std::min<std::size_t>({length, static_cast<std::size_t>(reply.length),
                                                     reply.payload.size()});
    std::memcpy(data, reply.payload.data(), count);
    return static_cast<int>(count);
}

// ---- ScriptedHid ----

namespace {

class ScriptedHandle final : public hid::Device {
public:
    explicit ScriptedHandle(std::shared_ptr<ScriptedDevice> device)
        : m_device(std::move(device)), m_handle(m_device->onOpen())
    {
    }
    ~ScriptedHandle() override { m_device->onClose(); }
    int write(const std::uint8_t* data, std::size_t length) override
    {
        return m_device->onWrite(m_handle, data, length);
    }
    int readTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override
    {
        return m_device->onRead(data, length, milliseconds);
    }

private:
    std::shared_ptr<ScriptedDevice> m_device;
    int m_handle;
};

}  // namespace

ScriptedDevice& ScriptedHid::addDevice(std::optional<std::string> serialNumber)
{
    std::lock_guard lock(m_mutex);
    m_devices.push_back(std::make_shared<ScriptedDevice>(std::move(serialNumber)));
    return *m_devices.back();
}

void ScriptedHid::unplugAll()
{
    std::lock_guard lock(m_mutex);
    m_devices.clear();
}

void ScriptedHid::failNextOpens(int count)
{
    std::lock_guard lock(m_mutex);
    m_failOpens = count;
}

std::vector<std::string> ScriptedHid::openRequests() const
{
    std::lock_guard lock(m_mutex);
    return m_openRequests;
}

std::vector<hid::DeviceInfo> ScriptedHid::enumerate(std::uint16_t vendorId, std::uint16_t productId)
{
    std::vector<hid::DeviceInfo> list;
    if (vendorId != 0xE220 || productId != 0x0100) return list;
    std::lock_guard lock(m_mutex);
    for (const auto& device : m_devices) list.push_back({device->serialNumber()});
    return list;
}

std::unique_ptr<hid::Device> ScriptedHid::open(std::uint16_t vendorId, std::uint16_t productId,
                                               const char* serialNumber)
{
    std::shared_ptr<ScriptedDevice> found;
    {
        std::lock_guard lock(m_mutex);
        m_openRequests.push_back(serialNumber ? serialNumber : "<first>");
        if (m_failOpens > 0) {
            --m_failOpens;
            return nullptr;
        }
        if (vendorId != 0xE220 || productId != 0x0100) return nullptr;
        for (const auto& device : m_devices) {
            if (!serialNumber || device->serialNumber() == std::string(serialNumber)) {
                found = device;
                break;
            }
        }
    }
    if (!found) return nullptr;
    return std::make_unique<ScriptedHandle>(std::move(found));
}

ScopedBackend::ScopedBackend(hid::Backend& backend) { hid::setBackendForTesting(&backend); }

ScopedBackend::~ScopedBackend()
{
    disconnectLibrary();
    hid::setBackendForTesting(nullptr);
}

// ---- report builders ----

Payload replyPayload(std::initializer_list<std::uint8_t> leadingBytes)
{
    Payload payload{};
    std::copy_n(leadingBytes.begin(), std::min(leadingBytes.size(), payload.size()), payload.begin());
    return payload;
}

Payload frameReport(std::uint16_t firstPixel, std::uint8_t remaining,
                    const std::function<std::uint16_t(unsigned)>& value)
{
    Payload payload{};
    payload[0] = 0x8A;
    payload[1] = static_cast<std::uint8_t>(firstPixel);
    payload[2] = static_cast<std::uint8_t>(firstPixel >> 8);
    payload[3] = remaining;
    for (unsigned j = 0; j < 30; ++j) {
        const std::uint16_t v = value(firstPixel + j);
        payload[4 + 2 * j] = static_cast<std::uint8_t>(v);
        payload[5 + 2 * j] = static_cast<std::uint8_t>(v >> 8);
    }
    return payload;
}

Payload flashReport(std::uint16_t offset, std::uint8_t remaining,
                    const std::function<std::uint8_t(unsigned)>& value)
{
    Payload payload{};
    payload[0] = 0x9A;
    payload[1] = static_cast<std::uint8_t>(offset);
    payload[2] = static_cast<std::uint8_t>(offset >> 8);
    payload[3] = remaining;
    for (unsigned j = 0; j < 60; ++j) payload[4 + j] = value(offset + j);
    return payload;
}

void queueFrame(ScriptedDevice& device, unsigned frameLength,
                const std::function<std::uint16_t(unsigned)>& value)
{
    const unsigned reports = (frameLength + 29) / 30;
    for (unsigned k = 0; k < reports; ++k)
        device.queueReply(frameReport(static_cast<std::uint16_t>(30 * k),
                                      static_cast<std::uint8_t>(reports - 1 - k), value));
}

Responder instantSpectrometer(unsigned frameLength, std::function<std::uint16_t(unsigned)> value)
{
    struct State {
        std::mutex mutex;
        std::vector<std::uint8_t> flash = std::vector<std::uint8_t>(120000, 0xFF);
    };
    auto state = std::make_shared<State>();
    if (!value) value = [](unsigned pixel) { return static_cast<std::uint16_t>(pixel); };
    const auto length = static_cast<std::uint16_t>(frameLength);
    return [state, value, length](const WrittenReport& request, ScriptedDevice& device) {
        const std::uint8_t command = request.command();
        const auto lo = [](unsigned v) { return static_cast<std::uint8_t>(v); };
        const auto hi = [](unsigned v) { return static_cast<std::uint8_t>(v >> 8); };
        switch (command) {
        case 0x01: device.queueReply({0x81, 0x00, 0x01, 0x00}); break;
        case 0x04: device.queueReply({0x84, 0x00, lo(length), hi(length)}); break;
        case 0x08:
            device.queueReply({0x88, 0, 0, lo(length - 1), hi(length - 1), 0, lo(length), hi(length)});
            break;
        case 0x09: device.queueReply({0x89, 1, 0, 0, 0, 0, 0, 0, 0, 0}); break;
        case 0x0C: device.queueReply({0x89, 0}); break;
        case 0x06: case 0xF1: case 0xF2: break;
        case 0x0A: {
            const unsigned reports = request.at(5);
            for (unsigned k = 0; k < reports; ++k)
                device.queueReply(frameReport(static_cast<std::uint16_t>(30 * k),
                                              static_cast<std::uint8_t>(reports - 1 - k), value));
            break;
        }
        case 0x1A: {
            const std::uint32_t address = request.get32(1);
            const unsigned reports = request.at(5);
            std::lock_guard lock(state->mutex);
            for (unsigned k = 0; k < reports; ++k)
                device.queueReply(flashReport(
                    static_cast<std::uint16_t>(60 * k), static_cast<std::uint8_t>(reports - 1 - k),
                    [&](unsigned offset) {
                        const std::uint64_t at = std::uint64_t{address} + offset;
                        return at < state->flash.size() ? state->flash[at] : std::uint8_t{0xFF};
                    }));
            break;
        }
        case 0x1B: {
            const std::uint32_t address = request.get32(1);
            const unsigned count = std::min<unsigned>(request.at(5), 58);
            std::lock_guard lock(state->mutex);
            for (unsigned j = 0; j < count; ++j)
                if (address + j < state->flash.size()) state->flash[address + j] = request.at(6 + j);
            device.queueReply({0x9B, 0x00});
            break;
        }
        case 0x1C: {
            std::lock_guard lock(state->mutex);
            std::fill(state->flash.begin(), state->flash.end(), 0xFF);
            device.queueReply({0x9C, 0x00});
            break;
        }
        default: device.queueReply({static_cast<std::uint8_t>(command | 0x80), 0x00}); break;
        }
    };
}

}  // namespace vantrel::test
