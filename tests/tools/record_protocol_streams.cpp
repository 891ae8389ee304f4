// Regenerates the recorded report streams of tests/data/protocol from the
// virtual spectrometer:
//
//     record_protocol_streams [FOLDER]      (default: the source tree's folder)
//
// Each healthy stream is recorded while its scenario runs on a factory-fresh
// virtual instrument in instant timing; the faulty ones are recorded with a
// fault rule of the virtual instrument, or made from a healthy recording by
// cutting or spoiling reports. The expected results are what the scenario
// decoded, checked here against the instrument's own view (its flash, the
// pixels its reports carry) and, for faulty streams, against the error the
// fault must give; nothing is written when a check fails.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "protocol/Protocol.h"
#include "support/ProtocolScenarios.h"
#include "support/ReportStream.h"
#include "support/ScriptedHid.h"
#include "virtual/VirtualBackend.h"
#include "virtual/VirtualHub.h"

namespace {

using namespace vantrel;
using test::Outcome;
using test::ReportStream;
using test::StreamReport;

std::string valueOf(const Outcome& outcome, const std::string& key)
{
    for (const auto& [k, v] : outcome)
        if (k == key) return v;
    return "";
}

// Runs a scenario on virtual device 0, fresh from the factory, with the fault
// rules given; returns the reports exchanged and what the scenario decoded.
Outcome recordOnVirtual(const test::ProtocolScenario& scenario, const std::string& faults,
                        std::vector<StreamReport>& reports)
{
    unsetenv("VANTREL_VIRTUAL_SCENE");
    unsetenv("VANTREL_VIRTUAL_FAULTS");
    virt::hub().reset();
    virt::hub().setTiming(virt::Timing::Instant);
    virt::hub().setDeviceCount(1);
    if (!faults.empty()) {
        const std::string error = virt::hub().addFaults(faults);
        if (!error.empty()) {
            std::fprintf(stderr, "fault rule '%s': %s\n", faults.c_str(), error.c_str());
            std::exit(1);
        }
    }
    test::RecordingBackend recorder(virt::virtualBackend());
    hid::setBackendForTesting(&recorder);
    Outcome outcome;
    {
        protocol::HandleRecord record;
        outcome = scenario.run(record);
    }
    hid::setBackendForTesting(nullptr);
    virt::hub().clearFaults();
    reports = recorder.reports();
    return outcome;
}

// Plays reports back to the scenario on a scripted device.
Outcome replay(const test::ProtocolScenario& scenario, const std::vector<StreamReport>& reports)
{
    test::ScriptedHid hid;
    test::ScriptedDevice& device = hid.addDevice(std::string("SN-1"));
    test::ScopedBackend installed(hid);
    test::StreamReplay player(reports);
    device.setResponder(player.responder());
    protocol::HandleRecord record;
    return scenario.run(record);
}

// The pixels of the frame data reports of a stream, each report placed by
// the pixel index it carries: the instrument's side of a frame read.
std::string sentPixelChecksum(const std::vector<StreamReport>& reports, unsigned length)
{
    std::vector<std::uint16_t> pixels(length, 0);
    for (const StreamReport& r : reports) {
        if (r.output || r.bytes.size() != 64 || r.bytes[0] != protocol::kReplyFrameData) continue;
        const unsigned first = r.bytes[1] | (r.bytes[2] << 8);
        for (unsigned j = 0; j < 30 && first + j < length; ++j)
            pixels[first + j] = static_cast<std::uint16_t>(r.bytes[4 + 2 * j] | (r.bytes[5 + 2 * j] << 8));
    }
    return test::pixelChecksum(pixels.data(), pixels.size());
}

// Index of the n-th input report of the frame data (0-based).
std::size_t nthFrameReport(const std::vector<StreamReport>& reports, int n)
{
    for (std::size_t i = 0; i < reports.size(); ++i)
        if (!reports[i].output && reports[i].bytes[0] == protocol::kReplyFrameData && n-- == 0) return i;
    std::fprintf(stderr, "the frame stream has too few data reports\n");
    std::exit(1);
}

struct StreamRecipe {
    std::string file;
    std::string scenario;
    std::vector<std::string> comments;
    std::string faults;  // fault rules of the virtual instrument while recording
    // Turns the healthy recording into a faulty one (null: keep it).
    std::function<void(std::vector<StreamReport>&)> spoil;
    int expectedResult = 0;
};

std::vector<StreamRecipe> recipes()
{
    std::vector<StreamRecipe> list;
    list.push_back({"identify.txt", "identify", {"Opening and identifying a healthy instrument."}, "", nullptr, 0});
    list.push_back({"configure.txt", "configure", {"Configuring a healthy instrument: every set command answers status 0."},
                    "", nullptr, 0});
    list.push_back({"frame.txt", "frame", {"One frame of the lamp scene: 124 data reports of 30 pixels."}, "", nullptr, 0});
    list.push_back({"flash.txt", "flash", {"6100 bytes of the factory flash: a request of 100 reports, then one of 2."},
                    "", nullptr, 0});
    list.push_back({"configure-refused.txt", "configure",
                    {"The instrument refuses the acquisition parameters with status 1: that status is the result."},
                    "status,cmd=0x03,value=1", nullptr, 1});
    list.push_back({"frame-truncated.txt", "frame",
                    {"The instrument stops after 40 of the 124 frame reports: the next read times out (505)."}, "",
                    [](std::vector<StreamReport>& r) { r.resize(nthFrameReport(r, 40)); }, protocol::kErrNoReply});
    list.push_back({"frame-wrong-code.txt", "frame",
                    {"The first frame report carries a wrong reply code (506)."}, "code,cmd=0x0A", nullptr,
                    protocol::kErrReplyCode});
    list.push_back({"frame-garbage.txt", "frame",
                    {"Report 61 of the frame is line noise instead of a frame report (506)."}, "",
                    [](std::vector<StreamReport>& r) {
                        // The host stops reading at the bad report.
                        r.resize(nthFrameReport(r, 60) + 1);
                        std::vector<std::uint8_t>& bytes = r.back().bytes;
                        std::uint32_t x = 0x2545F491;
                        for (std::uint8_t& b : bytes) {
                            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
                            b = static_cast<std::uint8_t>(x);
                        }
                        bytes[0] = 0x3F;  // surely not a frame report
                    },
                    protocol::kErrReplyCode});
    list.push_back({"frame-countdown.txt", "frame",
                    {"A frame report carries a wrong countdown of reports still to come (507)."}, "countdown,cmd=0x0A",
                    nullptr, protocol::kErrFrameSequence});
    list.push_back({"flash-short-report.txt", "flash",
                    {"Report 31 of the flash read arrives with 20 bytes instead of 64 (505)."}, "",
                    [](std::vector<StreamReport>& r) {
                        int seen = 0;
                        for (std::size_t i = 0; i < r.size(); ++i)
                            if (!r[i].output && seen++ == 30) {
                                r[i].bytes.resize(20);
                                r.resize(i + 1);  // the host stops reading there
                                break;
                            }
                    },
                    protocol::kErrNoReply});
    return list;
}

bool check(bool ok, const std::string& file, const std::string& what)
{
    if (!ok) std::fprintf(stderr, "%s: %s\n", file.c_str(), what.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : PROTOCOL_STREAM_DIR;
    std::vector<std::pair<std::string, std::string>> files;
    for (const StreamRecipe& recipe : recipes()) {
        const test::ProtocolScenario* scenario = test::findProtocolScenario(recipe.scenario);
        if (!check(scenario != nullptr, recipe.file, "no scenario " + recipe.scenario)) return 1;
        ReportStream stream;
        stream.scenario = recipe.scenario;
        Outcome outcome = recordOnVirtual(*scenario, recipe.faults, stream.reports);
        if (recipe.spoil) {
            recipe.spoil(stream.reports);
            outcome = replay(*scenario, stream.reports);
        }
        if (!check(valueOf(outcome, "result") == std::to_string(recipe.expectedResult), recipe.file,
                   "gives result " + valueOf(outcome, "result") + ", not " + std::to_string(recipe.expectedResult)))
            return 1;
        if (recipe.expectedResult == 0 && recipe.scenario == "frame" &&
            !check(valueOf(outcome, "pixelChecksum") ==
                       sentPixelChecksum(stream.reports, std::stoul(valueOf(outcome, "frameLength"))),
                   recipe.file, "decoded pixels differ from the pixels the instrument sent"))
            return 1;
        if (recipe.expectedResult == 0 && recipe.scenario == "flash") {
            const std::vector<std::uint8_t> flash = virt::hub().readFlash(0);
            if (!check(flash.size() >= test::kScenarioFlashBytes &&
                           valueOf(outcome, "checksum") == test::fnv1a64(flash.data(), test::kScenarioFlashBytes),
                       recipe.file, "decoded bytes differ from the instrument's flash"))
                return 1;
        }
        stream.comments = recipe.comments;
        stream.comments.push_back("Recorded from the virtual spectrometer by tests/tools/record_protocol_streams.cpp.");
        stream.expected = outcome;
        files.emplace_back(folder + "/" + recipe.file, test::formatReportStream(stream));
    }
    for (const auto& [path, text] : files) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        if (!check(static_cast<bool>(out.flush()), path, "cannot write")) return 1;
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
