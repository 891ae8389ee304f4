#include "spectrum/AcquisitionExchange.h"

#include <algorithm>
#include <cstring>

#include "spectrum/LiveView.h"

namespace halden {

namespace {

constexpr std::size_t kRecordMarkOffset = 5;  // '.' when the header holds a record
constexpr std::size_t kSerialOffset = 10, kSerialLength = 6;

char printable(char c) { return c >= 0x20 && c < 0x7F ? c : '?'; }

SharedPoints shareCopy(const PointArray& points) { return std::make_shared<const PointArray>(points); }

}  // namespace

int dataColumnsOf(const DeviceSetup& device) {
    return device.average ? 1 : std::clamp<int>(device.scans, 1, kBufferRows);
}

int LiveAcquisition::columns() const { return dataColumnsOf(settings.device); }

DeviceSetup currentSetup(const SpectrumStore& s) {
    DeviceSetup d;
    d.exposure = s.m_exposure;
    d.scans = s.m_scans;
    d.average = s.m_average;
    d.extTrigMode = s.m_extTrigMode;
    d.extTrigEdge = s.m_extTrigEdge;
    d.optTrigMode = s.m_optTrigMode;
    d.optTrigPoint = s.m_optTrigPoint;
    d.optTrigLevel = s.m_optTrigLevel;
    return d;
}

ConditioningParams currentConditioning(const SpectrumStore& s) {
    ConditioningParams c;
    c.sensorFirst = s.m_sensorFirst;
    c.sensorLast = s.m_sensorLast;
    c.rangeFirst = s.m_rangeFirst;
    c.rangeLast = s.m_rangeLast;
    c.increasing = s.m_increasing;
    c.applyNorm = s.m_applyNorm;
    c.testMode = s.m_testMode;
    c.fast = s.m_fast;
    c.boxcar = s.m_boxcar;
    c.subtractBackground = s.m_subtractBackground;
    c.ratioMode = s.m_ratioMode;
    c.logScale = s.m_logScale;
    // Only the arrays in use are copied: usually the sensitivity alone.
    if (c.applyNorm) c.sensitivity = shareCopy(s.m_sensitivity);
    if (c.subtractBackground) c.background = shareCopy(s.m_background);
    if (c.ratioMode != 0) c.reference = shareCopy(s.m_reference);
    return c;
}

std::string identificationText(const SpectrumStore& s) {
    const auto& h = s.m_calibrationHeader;
    const std::size_t length = strnlen(h.data(), h.size());
    std::string text(h.data(), length);
    std::transform(text.begin(), text.end(), text.begin(), printable);
    return text;
}

std::string instrumentSerial(const SpectrumStore& s) {
    const auto& h = s.m_calibrationHeader;
    if (h[kRecordMarkOffset] != '.') return {};
    std::string serial(h.data() + kSerialOffset, kSerialLength);
    serial.resize(strnlen(serial.data(), serial.size()));
    std::transform(serial.begin(), serial.end(), serial.begin(), printable);
    return serial;
}

AcquisitionSettings currentAcquisitionSettings(const SpectrumStore& s) {
    AcquisitionSettings a;
    a.device = currentSetup(s);
    a.blankScans = s.m_blankScans;
    a.conditioning = currentConditioning(s);
    a.exposureScaled = s.m_exposureScaled;
    a.identification = identificationText(s);
    a.serial = instrumentSerial(s);
    a.calibrationOrigin = s.m_calibrationOrigin;
    a.irradianceCalibrated = s.m_irradianceCalibrated;
    return a;
}

AcquisitionRequest makeAcquisitionRequest(const SpectrumStore& s, std::uint64_t id) {
    AcquisitionRequest r;
    r.id = id;
    r.settings = currentAcquisitionSettings(s);
    r.reconfigure = s.m_resendParameters;
    return r;
}

bool publishAcquisition(SpectrumStore& s, const AcquisitionResult& result) {
    if (result.status != AcquisitionStatus::Complete || result.rowCount < 1) return false;
    const int rows = std::min(result.rowCount, kBufferRows);
    const std::size_t values = std::min(result.rows.size(), static_cast<std::size_t>(rows) * kPointCapacity);
    double* target = s.targetBuffer();
    std::copy_n(result.rows.begin(), values, target);
    s.m_bufferSelect = !s.m_bufferSelect;

    LiveAcquisition& live = s.m_liveAcquisition;
    live.settings = result.settings;
    live.measured = true;
    live.rowCount = rows;
    live.lastPoint = std::clamp(result.lastPoint, 0, kPointCapacity - 1);
    live.completed = result.completed;
    live.saturatedPixels = result.saturatedPixels;
    refreshLiveCurves(s);
    return true;
}

void markLiveBufferLoaded(SpectrumStore& s, int lastPoint) {
    LiveAcquisition& live = s.m_liveAcquisition;
    live.settings = currentAcquisitionSettings(s);
    live.settings.device.average = true;
    live.settings.conditioning.fast = false;
    live.measured = true;
    live.rowCount = 1;
    live.lastPoint = std::clamp(lastPoint, 0, kPointCapacity - 1);
    live.completed = std::chrono::system_clock::now();
    live.saturatedPixels = 0;
}

}  // namespace halden
