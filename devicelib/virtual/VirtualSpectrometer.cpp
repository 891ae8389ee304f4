#include "virtual/VirtualSpectrometer.h"

#include "virtual/Rng.h"

#include <algorithm>
#include <cstring>

namespace vantrel::virt {
namespace {

constexpr auto kReportInterval = std::chrono::milliseconds(1);
constexpr auto kEraseTime = std::chrono::milliseconds(1000);
constexpr std::uint8_t kOpticalAbove = 1, kOpticalBelow = 2, kOpticalOnceBelow = 0x81,
                       kOpticalOnceAbove = 0x82;
constexpr std::uint8_t kExternalEvery = 1, kExternalOnce = 2;
constexpr std::uint8_t kEdgeRising = 1, kEdgeFalling = 2, kEdgeBoth = 3;

bool validExternalMode(std::uint8_t mode)
{
    return mode == 0 || mode == kExternalEvery || mode == kExternalOnce;
}

bool validOpticalMode(std::uint8_t mode)
{
    return mode == 0 || mode == kOpticalAbove || mode == kOpticalBelow || mode == kOpticalOnceBelow ||
           mode == kOpticalOnceAbove;
}

std::uint64_t defaultSeed(int index)
{
    return mixSeed(0x5EC7A1ull, static_cast<std::uint64_t>(index));
}

}  // namespace

VirtualSpectrometer::VirtualSpectrometer(int index, Scene scene, Timing timing,
                                         std::shared_ptr<FaultInjector> faults)
    : m_index(index),
      m_serial(serialNumberOf(index)),
      m_faults(std::move(faults)),
      m_timing(timing),
      m_scene(scene),
      m_seed(defaultSeed(index))
{
    m_factory = makeFactoryCalibration(index, scene == Scene::Raman);
    m_flash.assign(kFlashSize, 0xFF);
    const std::string record = formatFlashRecord(m_factory);
    std::memcpy(m_flash.data(), record.data(), std::min(record.size(), m_flash.size()));
    m_model.setScene(m_scene, m_factory, m_gain);
    m_replies.reserve(kMaxFrameReports);
    resetVolatileLocked();
}

bool VirtualSpectrometer::plugged() const
{
    std::lock_guard lock(m_mutex);
    return m_plugged;
}

std::shared_ptr<Endpoint> VirtualSpectrometer::open()
{
    std::lock_guard lock(m_mutex);
    if (!m_plugged) {
        if (m_absentOpens > 0 && --m_absentOpens == 0) replugLocked();
        return nullptr;
    }
    auto endpoint = std::make_shared<Endpoint>();
    endpoint->generation = m_generation;
    return endpoint;
}

int VirtualSpectrometer::write(Endpoint& endpoint, const std::uint8_t* data, std::size_t length)
{
    // Report id 0 and up to 64 payload bytes; the device uses no report ids.
    if (data == nullptr || length < 2 || length > kPayloadSize + 1 || data[0] != 0) return -1;
    std::array<std::uint8_t, kPayloadSize> request{};
    std::memcpy(request.data(), data + 1, length - 1);
    const std::uint8_t command = request[0];

    std::unique_lock lock(m_mutex);
    if (!m_plugged || endpoint.generation != m_generation) return -1;
    const FaultHits hits = m_faults ? m_faults->decide(m_index, command) : FaultHits{};
    if (hits.unplug) {
        unplugLocked(hits.absentOpens);
        return -1;
    }
    if (hits.failingWrite) return -1;

    const Clock::time_point now = Clock::now();
    // A new request aborts what the device has not sent yet. In instant timing a
    // report counts as sent when the host reads it; in usb timing once its time has
    // come, so reports already sent stay waiting for the host as on a real bus.
    if (m_timing.load() == Timing::Instant) {
        endpoint.queue.clear();
    } else {
        while (!endpoint.queue.empty() && endpoint.queue.back().availableAt > now) endpoint.queue.pop_back();
    }
    std::vector<Reply>& replies = m_replies;
    replies.clear();
    handleLocked(request.data(), replies, now);
    if (endpoint.generation != m_generation) return static_cast<int>(length);  // detached itself

    if (hits.missingReply) replies.clear();
    if (!replies.empty()) {
        if (hits.wrongReplyCode) replies[0][0] = static_cast<std::uint8_t>(replies[0][0] + 1);
        if (hits.brokenCountdown) {
            Reply& report = replies[std::min<std::size_t>(1, replies.size() - 1)];
            report[3] = static_cast<std::uint8_t>(report[3] + 1);
        }
        if (hits.status != 0 && hasStatusByte(command)) replies[0][1] = static_cast<std::uint8_t>(hits.status);
    }

    const bool usb = m_timing.load() == Timing::Usb;
    Clock::time_point at = now;
    if (usb) {
        at += command == kCmdEraseFlash ? kEraseTime : kReportInterval;
        if (!endpoint.queue.empty()) at = std::max(at, endpoint.queue.back().availableAt + kReportInterval);
    }
    for (const Reply& reply : replies) {
        endpoint.queue.push_back({reply, at});
        if (usb) at += kReportInterval;
    }
    const bool replied = !replies.empty();
    lock.unlock();
    if (replied) m_wake.notify_all();
    return static_cast<int>(length);
}

int VirtualSpectrometer::read(Endpoint& endpoint, std::uint8_t* data, std::size_t length, int milliseconds)
{
    if (data == nullptr) return -1;
    std::unique_lock lock(m_mutex);
    const auto deliver = [&] {
        const std::size_t n = std::min(length, kPayloadSize);
        std::memcpy(data, endpoint.queue.front().bytes.data(), n);
        endpoint.queue.pop_front();
        return static_cast<int>(n);
    };
    if (endpoint.generation != m_generation) return -1;
    // In instant timing every queued report is due: no clock needed.
    if (!endpoint.queue.empty() && m_timing.load() == Timing::Instant) return deliver();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    for (;;) {
        if (endpoint.generation != m_generation) return -1;
        const Clock::time_point now = Clock::now();
        if (!endpoint.queue.empty() && endpoint.queue.front().availableAt <= now) return deliver();
        if (milliseconds >= 0 && now >= deadline) return 0;
        if (milliseconds < 0 && endpoint.queue.empty()) {
            m_wake.wait(lock);
        } else {
            Clock::time_point wake = milliseconds < 0 ? Clock::time_point::max() : deadline;
            if (!endpoint.queue.empty()) wake = std::min(wake, endpoint.queue.front().availableAt);
            m_wake.wait_until(lock, wake);
        }
    }
}

void VirtualSpectrometer::setScene(Scene scene)
{
    std::lock_guard lock(m_mutex);
    m_scene = scene;
    m_model.setScene(m_scene, m_factory, m_gain);
}

Scene VirtualSpectrometer::scene() const
{
    std::lock_guard lock(m_mutex);
    return m_scene;
}

void VirtualSpectrometer::setSceneGain(double gain)
{
    std::lock_guard lock(m_mutex);
    m_gain = gain;
    m_model.setScene(m_scene, m_factory, m_gain);
}

void VirtualSpectrometer::setNoise(bool enabled)
{
    std::lock_guard lock(m_mutex);
    m_noise = enabled;
}

void VirtualSpectrometer::setSeed(std::uint64_t seed)
{
    std::lock_guard lock(m_mutex);
    m_seed = seed;
}

bool VirtualSpectrometer::fireExternalTrigger(bool risingEdge)
{
    std::lock_guard lock(m_mutex);
    const Clock::time_point now = Clock::now();
    advanceLocked(now);
    const std::uint8_t mode = m_settings.externalMode;
    if (!m_plugged || m_phase != Phase::WaitingForTrigger || mode == 0) return false;
    const std::uint8_t edge = m_settings.externalEdge;
    const bool matches = edge == kEdgeBoth || (edge == kEdgeFalling ? !risingEdge : risingEdge);
    if (!matches) return false;
    if (mode == kExternalOnce) m_oneTimeUsed = true;
    startRunLocked(now);
    return true;
}

void VirtualSpectrometer::unplug(int absentOpens)
{
    {
        std::lock_guard lock(m_mutex);
        unplugLocked(absentOpens);
    }
    m_wake.notify_all();
}

void VirtualSpectrometer::replug()
{
    std::lock_guard lock(m_mutex);
    if (!m_plugged) replugLocked();
}

void VirtualSpectrometer::powerCycle()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
        resetVolatileLocked();
    }
    m_wake.notify_all();
}

void VirtualSpectrometer::restoreFactoryFlash()
{
    std::lock_guard lock(m_mutex);
    m_factory = makeFactoryCalibration(m_index, m_scene == Scene::Raman);
    m_flash.assign(kFlashSize, 0xFF);
    const std::string record = formatFlashRecord(m_factory);
    std::memcpy(m_flash.data(), record.data(), std::min(record.size(), m_flash.size()));
    m_model.setScene(m_scene, m_factory, m_gain);
}

void VirtualSpectrometer::resetToFactory(Scene scene)
{
    {
        std::lock_guard lock(m_mutex);
        m_scene = scene;
        m_gain = 1.0;
        m_noise = true;
        m_seed = defaultSeed(m_index);
        m_plugged = true;
        m_absentOpens = 0;
        ++m_generation;
        resetVolatileLocked();
    }
    m_wake.notify_all();
    restoreFactoryFlash();
}

FactoryCalibration VirtualSpectrometer::factoryCalibration() const
{
    std::lock_guard lock(m_mutex);
    return m_factory;
}

std::vector<std::uint8_t> VirtualSpectrometer::flash() const
{
    std::lock_guard lock(m_mutex);
    return m_flash;
}

DeviceState VirtualSpectrometer::state()
{
    std::lock_guard lock(m_mutex);
    advanceLocked(Clock::now());
    return stateLocked();
}

double VirtualSpectrometer::expectedCounts(int pixel, std::uint32_t exposure) const
{
    std::lock_guard lock(m_mutex);
    return m_model.expectedCounts(pixel, exposure);
}

std::vector<std::uint16_t> VirtualSpectrometer::currentFrame(std::uint16_t frameNumber)
{
    std::lock_guard lock(m_mutex);
    advanceLocked(Clock::now());
    std::vector<std::uint16_t> frame(m_settings.frameLength);
    renderFrameLocked(frameNumber, frame.data(), static_cast<int>(frame.size()));
    return frame;
}

// ---- state machine -------------------------------------------------------

void VirtualSpectrometer::resetVolatileLocked()
{
    m_settings = DeviceState{};
    m_phase = Phase::Idle;
    m_run = Run{};
    m_haveRun = false;
    m_framesReady = 0;
    m_oneTimeUsed = false;
    m_sequence = 0;
}

void VirtualSpectrometer::unplugLocked(int absentOpens)
{
    m_plugged = false;
    m_absentOpens = std::max(absentOpens, 0);
    ++m_generation;
    m_wake.notify_all();
}

void VirtualSpectrometer::replugLocked()
{
    // A device that comes back has been powered down: settings and memory are gone.
    m_plugged = true;
    m_absentOpens = 0;
    resetVolatileLocked();
}

bool VirtualSpectrometer::triggerEnabledLocked() const
{
    return m_settings.externalMode != 0 || m_settings.opticalMode != 0;
}

bool VirtualSpectrometer::opticalConditionLocked() const
{
    const std::uint8_t mode = m_settings.opticalMode;
    if (mode == 0) return false;
    const int pixel = kFirstActivePixel + m_settings.opticalPixel;
    const double value = m_model.expectedCounts(pixel, std::max<std::uint32_t>(m_settings.exposure, 1));
    const bool above = mode == kOpticalAbove || mode == kOpticalOnceAbove;
    return above ? value > m_settings.opticalLevel : value < m_settings.opticalLevel;
}

void VirtualSpectrometer::startRunLocked(Clock::time_point now)
{
    m_run.start = now;
    m_run.exposure = std::max<std::uint32_t>(m_settings.exposure, 1);
    m_run.scans = std::max<std::uint16_t>(m_settings.scans, 1);
    m_run.blankScans = m_settings.blankScans;
    m_run.averaged = m_settings.scanMode == 3;
    m_run.sequence = ++m_sequence;
    m_haveRun = true;
    m_framesReady = 0;
    m_phase = Phase::Acquiring;
    advanceLocked(now);
}

// Memory cleared: wait for a trigger, or start at once when the device runs
// free (averaging mode, or a one-time trigger that has already fired).
void VirtualSpectrometer::rearmLocked(Clock::time_point now)
{
    m_framesReady = 0;
    m_haveRun = false;
    if (triggerEnabledLocked() && !m_oneTimeUsed) {
        m_phase = Phase::WaitingForTrigger;
        advanceLocked(now);
    } else if (triggerEnabledLocked() || m_settings.scanMode == 3) {
        startRunLocked(now);
    } else {
        m_phase = Phase::Idle;
    }
}

void VirtualSpectrometer::advanceLocked(Clock::time_point now)
{
    if (m_phase == Phase::WaitingForTrigger && m_settings.opticalMode != 0 && opticalConditionLocked()) {
        if (m_settings.opticalMode & 0x80) m_oneTimeUsed = true;
        startRunLocked(now);
        return;
    }
    if (m_phase != Phase::Acquiring) return;
    std::uint64_t done = m_run.scans;
    if (m_timing.load() == Timing::Usb) {
        const auto scanTime = std::chrono::microseconds(std::uint64_t{m_run.exposure} * 10u *
                                                        (1u + std::uint64_t{m_run.blankScans}));
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - m_run.start);
        if (scanTime.count() > 0) done = std::min<std::uint64_t>(done, elapsed.count() / scanTime.count());
    }
    if (m_run.averaged) {
        if (done >= m_run.scans) {
            m_framesReady = 1;
            m_phase = Phase::Complete;
        }
    } else {
        m_framesReady = static_cast<std::uint16_t>(done);
        if (done >= m_run.scans) m_phase = Phase::Complete;
    }
}

void VirtualSpectrometer::renderFrameLocked(std::uint16_t frameNumber, std::uint16_t* out, int count)
{
    std::fill(out, out + count, std::uint16_t{0});
    if (!m_haveRun || m_framesReady == 0) return;
    FrameRequest request;
    request.exposure = m_run.exposure;
    request.noise = m_noise;
    request.elementStart = m_settings.startElement;
    if (frameNumber == kAveragedFrame) {
        request.averagedScans = m_run.averaged ? m_run.scans : m_framesReady;
    } else if (m_run.averaged || frameNumber >= m_framesReady) {
        return;  // nothing of that number in memory
    }
    request.seed = mixSeed(m_seed, m_run.sequence, frameNumber);
    m_model.render(out, count, request);
}

DeviceState VirtualSpectrometer::stateLocked() const
{
    DeviceState state = m_settings;
    state.plugged = m_plugged;
    state.statusFlags = m_phase == Phase::Acquiring           ? kStatusAcquiring
                        : m_phase == Phase::WaitingForTrigger ? kStatusWaitingForTrigger
                                                              : 0;
    state.framesInMemory = m_framesReady;
    state.acquisitions = m_sequence;
    return state;
}

// ---- requests ------------------------------------------------------------

void VirtualSpectrometer::handleLocked(const std::uint8_t* p, std::vector<Reply>& replies, Clock::time_point now)
{
    const std::uint8_t command = p[0];
    advanceLocked(now);
    if (!isKnownCommand(command)) return;  // unknown requests are ignored
    Reply reply{};
    reply[0] = replyCodeFor(command);
    std::uint8_t status = kStatusOk;
    DeviceState& s = m_settings;

    switch (command) {
    case kCmdGetStatus: {
        const DeviceState state = stateLocked();
        reply[1] = state.statusFlags;
        put16(reply.data(), 2, state.framesInMemory);
        break;
    }
    case kCmdSetExposure:
        s.exposure = get32(p, 1);
        s.exposureFlag = p[5];
        break;
    case kCmdSetAcquisitionParameters:
    case kCmdSetMultipleParameters:
        s.scans = get16(p, 1);
        s.blankScans = get16(p, 3);
        s.scanMode = p[5];
        s.exposure = get32(p, 6);
        if (command == kCmdSetMultipleParameters) {
            s.firstByteParameter = p[10];
            s.secondByteParameter = p[11];
        }
        rearmLocked(now);
        break;
    case kCmdSetFrameFormat: {
        const std::uint16_t start = get16(p, 1), end = get16(p, 3);
        if (start > end || end > kLastElement || p[5] != 0) {
            status = kStatusBadParameter;
            break;
        }
        s.startElement = start;
        s.endElement = end;
        s.reductionMode = p[5];
        s.frameLength = static_cast<std::uint16_t>(end - start + 1 + kFrameOverhead);
        put16(reply.data(), 2, s.frameLength);
        break;
    }
    case kCmdSetExternalTrigger:
        if (!validExternalMode(p[1]) || p[2] > kEdgeBoth) {
            status = kStatusBadParameter;
            break;
        }
        s.externalMode = p[1];
        s.externalEdge = p[2] == 0 ? kEdgeRising : p[2];
        if (s.externalMode == 0) s.externalEdge = p[2];
        m_oneTimeUsed = false;
        rearmLocked(now);
        break;
    case kCmdTriggerAcquisition:
        startRunLocked(now);
        return;
    case kCmdClearMemory:
        rearmLocked(now);
        break;
    case kCmdGetFrameFormat:
        put16(reply.data(), 1, s.startElement);
        put16(reply.data(), 3, s.endElement);
        reply[5] = s.reductionMode;
        put16(reply.data(), 6, s.frameLength);
        break;
    case kCmdGetAcquisitionParameters:
        put16(reply.data(), 1, s.scans);
        put16(reply.data(), 3, s.blankScans);
        reply[5] = s.scanMode;
        put32(reply.data(), 6, s.exposure);
        break;
    case kCmdGetFrame:
        frameReportsLocked(p, replies);
        return;
    case kCmdSetOpticalTrigger:
        if (!validOpticalMode(p[1]) || get16(p, 2) >= kPoints) {
            status = kStatusBadParameter;
            break;
        }
        s.opticalMode = p[1];
        s.opticalPixel = get16(p, 2);
        s.opticalLevel = get16(p, 4);
        m_oneTimeUsed = false;
        rearmLocked(now);
        break;
    case kCmdReadFlash:
        flashReportsLocked(p, replies);
        return;
    case kCmdWriteFlash:
        status = writeFlashLocked(p);
        break;
    case kCmdEraseFlash:
        std::fill(m_flash.begin(), m_flash.end(), std::uint8_t{0xFF});
        break;
    case kCmdReset:
        resetVolatileLocked();
        return;
    case kCmdDetach:
        // Leaves the bus and enumerates again: open handles are gone.
        resetVolatileLocked();
        ++m_generation;
        m_wake.notify_all();
        return;
    default:
        return;
    }
    if (hasStatusByte(command)) reply[1] = status;
    replies.push_back(reply);
}

void VirtualSpectrometer::frameReportsLocked(const std::uint8_t* p, std::vector<Reply>& replies)
{
    const std::uint16_t frameNumber = get16(p, 3);
    const int reports = std::min<int>(p[5], kMaxFrameReports);
    if (reports == 0) return;
    const int length = m_settings.frameLength;
    std::array<std::uint16_t, kMaxFrameReports * kPixelsPerReport> pixels{};
    renderFrameLocked(frameNumber, pixels.data(), std::min<int>(length, static_cast<int>(pixels.size())));
    for (int k = 0; k < reports; ++k) {
        Reply report{};
        report[0] = replyCodeFor(kCmdGetFrame);
        const int first = k * kPixelsPerReport;
        put16(report.data(), 1, static_cast<std::uint16_t>(first));
        report[3] = static_cast<std::uint8_t>(reports - 1 - k);
        for (int j = 0; j < kPixelsPerReport; ++j) {
            const int pixel = first + j;
            put16(report.data(), 4 + 2 * j, pixel < length ? pixels[pixel] : std::uint16_t{0});
        }
        replies.push_back(report);
    }
    // Reading the averaged frame out starts the next average.
    if (frameNumber == kAveragedFrame && m_run.averaged && m_phase == Phase::Complete)
        rearmLocked(Clock::now());
}

void VirtualSpectrometer::flashReportsLocked(const std::uint8_t* p, std::vector<Reply>& replies) const
{
    const std::uint64_t address = get32(p, 1);
    const int reports = std::min<int>(p[5], kMaxFlashReports);
    for (int k = 0; k < reports; ++k) {
        Reply report{};
        report[0] = replyCodeFor(kCmdReadFlash);
        const int offset = k * kFlashBytesPerReport;
        put16(report.data(), 1, static_cast<std::uint16_t>(offset));
        report[3] = static_cast<std::uint8_t>(reports - 1 - k);
        for (int j = 0; j < kFlashBytesPerReport; ++j) {
            const std::uint64_t at = address + static_cast<std::uint64_t>(offset + j);
            report[4 + j] = at < m_flash.size() ? m_flash[at] : std::uint8_t{0xFF};
        }
        replies.push_back(report);
    }
}

std::uint8_t VirtualSpectrometer::writeFlashLocked(const std::uint8_t* p)
{
    const std::uint64_t address = get32(p, 1);
    const int count = p[5];
    if (count < 1 || count > kMaxFlashWriteBytes || address + count > m_flash.size())
        return kStatusBadParameter;
    // Programming only clears bits, as in NOR flash: write over an erased area.
    for (int i = 0; i < count; ++i) m_flash[address + i] &= p[6 + i];
    return kStatusOk;
}

}  // namespace vantrel::virt
