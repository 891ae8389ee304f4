#include "support/ProtocolScenarios.h"

#include <algorithm>
#include <cstdio>

#include "protocol/Protocol.h"

namespace vantrel::test {

using namespace vantrel::protocol;

std::string fnv1a64(const std::uint8_t* bytes, std::size_t count)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string pixelChecksum(const std::uint16_t* pixels, std::size_t count)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(pixels[i]));
        bytes.push_back(static_cast<std::uint8_t>(pixels[i] >> 8));
    }
    return fnv1a64(bytes.data(), bytes.size());
}

namespace {

// Collects results; the first non-zero call result ends the scenario.
class Results {
public:
    void put(const std::string& key, long long value) { m_outcome.emplace_back(key, std::to_string(value)); }
    void put(const std::string& key, const std::string& value) { m_outcome.emplace_back(key, value); }
    // True when the call succeeded; otherwise records the failure.
    bool check(const char* call, int result)
    {
        if (result == 0) return true;
        put("failed", call);
        put("result", result);
        return false;
    }
    Outcome done()
    {
        put("result", 0);
        return std::move(m_outcome);
    }
    Outcome failed() { return std::move(m_outcome); }

private:
    Outcome m_outcome;
};

Outcome identify(HandleRecord& record)
{
    Results r;
    if (!r.check("open", prepare(record))) return r.failed();
    DeviceStatus status;
    if (!r.check("getStatus", getStatus(record, status))) return r.failed();
    r.put("statusFlags", status.statusFlags);
    r.put("framesInMemory", status.framesInMemory);
    FrameFormat format;
    if (!r.check("getFrameFormat", getFrameFormat(record, format))) return r.failed();
    r.put("startElement", format.startElement);
    r.put("endElement", format.endElement);
    r.put("reductionMode", format.reductionMode);
    r.put("pixelsInFrame", format.pixelsInFrame);
    AcquisitionParameters parameters;
    if (!r.check("getAcquisitionParameters", getAcquisitionParameters(record, parameters))) return r.failed();
    r.put("scansNumber", parameters.scansNumber);
    r.put("blankScansNumber", parameters.blankScansNumber);
    r.put("scanMode", parameters.scanMode);
    r.put("exposureTime", parameters.exposureTime);
    return r.done();
}

Outcome configure(HandleRecord& record)
{
    Results r;
    if (!r.check("setExposure", setExposure(record, 25000, 0))) return r.failed();
    if (!r.check("setAcquisitionParameters", setAcquisitionParameters(record, {4, 1, 0, 25000})))
        return r.failed();
    std::uint16_t pixels = 0;
    if (!r.check("setFrameFormat", setFrameFormat(record, 0, 3647, 0, pixels))) return r.failed();
    r.put("pixelsInFrame", pixels);
    r.put("recordFrameLength", record.frameLength);
    if (!r.check("setExternalTrigger", setExternalTrigger(record, 0, 0))) return r.failed();
    if (!r.check("setOpticalTrigger", setOpticalTrigger(record, 0, 0, 0))) return r.failed();
    if (!r.check("clearMemory", clearMemory(record))) return r.failed();
    return r.done();
}

Outcome frame(HandleRecord& record)
{
    constexpr std::uint16_t kGuard = 0xDEAD;
    Results r;
    if (!r.check("triggerAcquisition", triggerAcquisition(record))) return r.failed();
    DeviceStatus status;
    if (!r.check("getStatus", getStatus(record, status))) return r.failed();
    r.put("framesInMemory", status.framesInMemory);
    // Room for the longest frame the protocol allows, so pixels written
    // beyond the reported length show.
    std::vector<std::uint16_t> pixels(kMaxFrameReports * kPixelsPerReport, kGuard);
    if (!r.check("readFrame", readFrame(record, pixels.data(), 0))) return r.failed();
    const std::size_t length = std::min<std::size_t>(record.frameLength, pixels.size());
    r.put("frameLength", record.frameLength);
    if (length > 0) {
        r.put("firstPixel", pixels.front());
        r.put("lastPixel", pixels[length - 1]);
        r.put("maximum", *std::max_element(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    r.put("pixelChecksum", pixelChecksum(pixels.data(), length));
    r.put("writtenBeyondFrame",
          std::count_if(pixels.begin() + static_cast<std::ptrdiff_t>(length), pixels.end(),
                        [](std::uint16_t p) { return p != kGuard; }));
    return r.done();
}

Outcome flash(HandleRecord& record)
{
    Results r;
    std::vector<std::uint8_t> bytes(kScenarioFlashBytes);
    if (!r.check("readFlash", readFlash(record, bytes.data(), 0, kScenarioFlashBytes))) return r.failed();
    r.put("bytes", kScenarioFlashBytes);
    r.put("firstByte", bytes.front());
    r.put("lastByte", bytes.back());
    r.put("checksum", fnv1a64(bytes.data(), bytes.size()));
    return r.done();
}

}  // namespace

const std::vector<ProtocolScenario>& protocolScenarios()
{
    static const std::vector<ProtocolScenario> scenarios = {
        {"identify", identify}, {"configure", configure}, {"frame", frame}, {"flash", flash}};
    return scenarios;
}

const ProtocolScenario* findProtocolScenario(const std::string& name)
{
    for (const ProtocolScenario& s : protocolScenarios())
        if (s.name == name) return &s;
    return nullptr;
}

}  // namespace vantrel::test
