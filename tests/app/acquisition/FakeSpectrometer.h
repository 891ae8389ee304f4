// A SpectrometerLink for the worker's tests: records every library call as
// text, answers getStatus from a script, fills frames with a known pattern,
// holds a flash area, and lets a test inject results.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QObject>

#include "acquisition/AcquisitionEvents.h"
#include "common/EventHandoff.h"
#include "acquisition/Pacer.h"
#include "acquisition/SpectrometerLink.h"

namespace halden::test {

// Pixel j of frame number n.
inline std::uint16_t framePixel(int j, int frameNumber) { return static_cast<std::uint16_t>((j * 7 + frameNumber * 13) % 50000); }

class FakeSpectrometer : public SpectrometerLink {
public:
    struct Status {
        std::int32_t result = 0;
        std::uint8_t flags = 0;
        std::uint16_t frames = 1;
    };

    std::int32_t devices = 1;
    std::deque<Status> statusScript;  // taken in order; empty = ready
    std::deque<std::int32_t> frameResults;  // results of getFrame transfers; empty = 0
    std::int32_t eraseResult = 0;
    std::deque<std::int32_t> eraseResults;       // taken before eraseResult applies
    bool erasesDespiteError = false;             // a failed erase still erases the flash
    std::deque<std::int32_t> flashReadResults;   // results of readFlash transfers; empty = 0
    std::deque<std::int32_t> flashWriteResults;  // results of writeFlash transfers; empty = 0
    std::vector<std::uint8_t> flash = std::vector<std::uint8_t>(120000, 0xFF);
    std::map<std::string, std::int32_t> setResults;  // results of set commands by name; absent = 0

    std::vector<std::string> calls;
    std::vector<std::string> configuration() const;  // calls other than status and frames

    std::int32_t getDevicesCount() override { return log("getDevicesCount"), devices; }
    std::int32_t clearMemory() override { return log("clearMemory"), setResult("clearMemory"); }
    std::int32_t setExternalTrigger(std::uint8_t mode, std::uint8_t edge) override
    {
        return log("setExternalTrigger " + std::to_string(mode) + " " + std::to_string(edge)),
               setResult("setExternalTrigger");
    }
    std::int32_t setOpticalTrigger(std::uint8_t mode, std::uint16_t pixel, std::uint16_t level) override
    {
        return log("setOpticalTrigger " + std::to_string(mode) + " " + std::to_string(pixel) + " " +
                   std::to_string(level)),
               setResult("setOpticalTrigger");
    }
    std::int32_t setFrameFormat(std::uint16_t start, std::uint16_t end, std::uint8_t reduction,
                                std::uint16_t* pixels) override
    {
        if (pixels) *pixels = 3694;
        return log("setFrameFormat " + std::to_string(start) + " " + std::to_string(end) + " " +
                   std::to_string(reduction)),
               setResult("setFrameFormat");
    }
    std::int32_t setAcquisitionParameters(std::uint16_t scans, std::uint16_t blank, std::uint8_t mode,
                                          std::uint32_t exposure) override
    {
        return log("setAcquisitionParameters " + std::to_string(scans) + " " + std::to_string(blank) + " " +
                   std::to_string(mode) + " " + std::to_string(exposure)),
               setResult("setAcquisitionParameters");
    }
    std::int32_t triggerAcquisition() override { return log("triggerAcquisition"), 0; }
    std::int32_t getStatus(std::uint8_t* flags, std::uint16_t* frames) override
    {
        log("getStatus");
        Status s;
        if (!statusScript.empty()) {
            s = statusScript.front();
            statusScript.pop_front();
        }
        if (s.result == 0) {
            if (flags) *flags = s.flags;
            if (frames) *frames = s.frames;
        }
        return s.result;
    }
    std::int32_t eraseFlash() override
    {
        log("eraseFlash");
        const std::int32_t result = take(eraseResults, eraseResult);
        if (result == 0 || erasesDespiteError) std::fill(flash.begin(), flash.end(), std::uint8_t{0xFF});
        return result;
    }
    std::int32_t getFrame(std::uint16_t* frame, std::uint16_t number) override
    {
        log("getFrame " + std::to_string(number));
        m_last = 0;
        if (!frameResults.empty()) {
            m_last = frameResults.front();
            frameResults.pop_front();
        }
        if (m_last == 0)
            for (int j = 0; j < 3694; ++j) frame[j] = framePixel(j, number);
        return 0;
    }
    std::int32_t readFlash(std::uint8_t* buffer, std::uint32_t address, std::uint32_t count) override
    {
        log("readFlash " + std::to_string(address) + " " + std::to_string(count));
        m_last = take(flashReadResults, 0);
        if (m_last != 0) return 0;  // nothing arrived
        for (std::uint32_t i = 0; i < count && address + i < flash.size(); ++i) buffer[i] = flash[address + i];
        return 0;
    }
    std::int32_t writeFlash(const std::uint8_t* buffer, std::uint32_t address, std::uint32_t count) override
    {
        log("writeFlash " + std::to_string(address) + " " + std::to_string(count));
        m_last = take(flashWriteResults, 0);
        // A failed write stops half way, as a lost reply would.
        if (m_last != 0) count /= 2;
        for (std::uint32_t i = 0; i < count && address + i < flash.size(); ++i)
            flash[address + i] &= buffer[i];
        return 0;
    }
    std::int32_t getCurrentOperationInfo(std::int32_t* code, std::int32_t* state) override
    {
        if (code) *code = 11;
        if (state) *state = 2;
        return 0;
    }
    std::int32_t checkLastError(std::int32_t* result) override
    {
        if (result) *result = m_last;
        return 0;
    }

    std::size_t count(const std::string& call) const;

private:
    void log(const std::string& call) { calls.push_back(call); }
    std::int32_t setResult(const std::string& name) const
    {
        const auto it = setResults.find(name);
        return it == setResults.end() ? 0 : it->second;
    }
    static std::int32_t take(std::deque<std::int32_t>& results, std::int32_t otherwise)
    {
        if (results.empty()) return otherwise;
        const std::int32_t r = results.front();
        results.pop_front();
        return r;
    }
    std::int32_t m_last = 0;
};

// Records pauses; a test may act at a given pause (fire a trigger, stop a run).
class RecordingPacer : public Pacer {
public:
    std::vector<int> pauses;  // in ms
    std::function<void(int pauseIndex)> onPause;
    void pause(std::chrono::milliseconds d) override
    {
        pauses.push_back(static_cast<int>(d.count()));
        if (onPause) onPause(static_cast<int>(pauses.size()) - 1);
    }
    std::size_t count(int ms) const;
};

// Collects the worker's completions.
class CompletionRecorder : public QObject {
public:
    struct Entry {
        Operation operation;
        OperationOutcome outcome;
    };
    std::vector<Entry> entries;
    std::vector<WorkerAnswer> answers;  // in the same order
    int silentNotices = 0;  // "device does not answer" notices
    // Delivers the completions posted so far.
    void deliver()
    {
        QCoreApplication::sendPostedEvents(this, kCompletionEventType);
        QCoreApplication::sendPostedEvents(this, kDeviceSilentEventType);
    }
    const WorkerAnswer& last() const { return answers.back(); }

protected:
    bool event(QEvent* e) override
    {
        takeOver(e);
        if (e->type() == kDeviceSilentEventType) {
            ++silentNotices;
            return true;
        }
        if (e->type() != kCompletionEventType) return QObject::event(e);
        const auto* c = static_cast<CompletionEvent*>(e);
        entries.push_back({c->operation(), c->outcome()});
        answers.push_back(c->answer());
        return true;
    }
};

// The process's QCoreApplication (created once for the test program).
QCoreApplication& testApplication();

}  // namespace halden::test
