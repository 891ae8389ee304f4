// Recorded report streams (tests/data/protocol, made by
// tests/tools/record_protocol_streams.cpp) replayed into the protocol layer:
// the requests must match the recording byte for byte and the decoded
// results the stored ones, for healthy instruments and faulty ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "protocol/Transactions.h"
#include "support/ProtocolScenarios.h"
#include "support/ReportStream.h"
#include "support/ScriptedHid.h"

namespace vantrel::test {
namespace {

std::string streamPath(const std::string& name) {
    return (std::filesystem::path(PROTOCOL_STREAM_DIR) / (name + ".txt")).string();
}

struct Replayed {
    Outcome outcome;
    std::vector<std::string> mismatches;
    std::size_t unwrittenRequests = 0;
    std::size_t unreadReports = 0;
};

Replayed replay(const ReportStream& stream, const ProtocolScenario& scenario)
{
    ScriptedHid hid;
    ScriptedDevice& device = hid.addDevice(std::string("SN-1"));
    ScopedBackend installed(hid);
    StreamReplay player(stream.reports);
    device.setResponder(player.responder());
    protocol::HandleRecord record;
    Replayed r;
    r.outcome = scenario.run(record);
    r.mismatches = player.mismatches();
    r.unwrittenRequests = player.unwrittenRequests();
    r.unreadReports = device.queuedReplies();
    return r;
}

class RecordedStream : public ::testing::TestWithParam<const char*> {};

TEST_P(RecordedStream, ReplaysToTheStoredResults)
{
    ReportStream stream;
    std::string error;
    ASSERT_TRUE(readReportStreamFile(streamPath(GetParam()), stream, error)) << error;
    const ProtocolScenario* scenario = findProtocolScenario(stream.scenario);
    ASSERT_NE(scenario, nullptr) << "unknown scenario " << stream.scenario;
    ASSERT_FALSE(stream.expected.empty());

    const Replayed r = replay(stream, *scenario);
    for (const std::string& m : r.mismatches) ADD_FAILURE() << "request differs from the recording:\n" << m;
    EXPECT_EQ(r.unwrittenRequests, 0u) << "recorded requests the protocol layer never sent";
    EXPECT_EQ(r.unreadReports, 0u) << "recorded reports the protocol layer never read";
    EXPECT_EQ(r.outcome, stream.expected);
}

std::string testName(const ::testing::TestParamInfo<const char*>& info)
{
    std::string name = info.param;
    for (char& c : name)
        if (c == '-') c = '_';
    return name;
}

// Healthy instruments, then faulty ones (each expects its error).
INSTANTIATE_TEST_SUITE_P(Healthy, RecordedStream, ::testing::Values("identify", "configure", "frame", "flash"),
                         testName);
INSTANTIATE_TEST_SUITE_P(Faulty, RecordedStream,
                         ::testing::Values("configure-refused", "frame-truncated", "frame-wrong-code",
                                           "frame-garbage", "frame-countdown", "flash-short-report"),
                         testName);

TEST(RecordedStreamFiles, FaultyStreamsEndInTheirError)
{
    // The stored expectations themselves: a recording whose fault went
    // unnoticed (result 0) would make its replay test pointless.
    for (const auto& [name, code] : std::vector<std::pair<const char*, int>>{{"configure-refused", 1},
                                                                             {"frame-truncated", 505},
                                                                             {"frame-wrong-code", 506},
                                                                             {"frame-garbage", 506},
                                                                             {"frame-countdown", 507},
                                                                             {"flash-short-report", 505}}) {
        ReportStream stream;
        std::string error;
        ASSERT_TRUE(readReportStreamFile(streamPath(name), stream, error)) << error;
        ASSERT_FALSE(stream.expected.empty()) << name;
        EXPECT_EQ(stream.expected.back(), (std::pair<std::string, std::string>("result", std::to_string(code))))
            << name;
    }
}

TEST(RecordedStreamFiles, HealthyFrameHoldsAWholeFrame)
{
    ReportStream stream;
    std::string error;
    ASSERT_TRUE(readReportStreamFile(streamPath("frame"), stream, error)) << error;
    int dataReports = 0;
    for (const StreamReport& r : stream.reports) dataReports += !r.output && r.bytes[0] == 0x8A;
    EXPECT_EQ(dataReports, 124);
    const auto has = [&](const std::string& key, const std::string& value) {
        for (const auto& e : stream.expected)
            if (e.first == key) return e.second == value;
        return false;
    };
    EXPECT_TRUE(has("frameLength", "3694"));
    EXPECT_TRUE(has("writtenBeyondFrame", "0"));
    EXPECT_TRUE(has("result", "0"));
}

TEST(ReportStreamReplay, ARequestThatDiffersFromTheRecordingIsReportedAndGetsNoAnswer)
{
    ReportStream stream;
    std::string error;
    ASSERT_TRUE(readReportStreamFile(streamPath("identify"), stream, error)) << error;
    // The configure calls write other requests than the identify recording holds.
    const Replayed r = replay(stream, *findProtocolScenario("configure"));
    EXPECT_FALSE(r.mismatches.empty());
    EXPECT_GT(r.unwrittenRequests, 0u);
    ASSERT_GE(r.outcome.size(), 2u);
    EXPECT_EQ(r.outcome.back().second, "505");  // no answer: the read times out
}

TEST(ReportStreamText, RoundTripsAndNamesTheBadLine)
{
    ReportStream stream;
    stream.comments = {"two reports", ""};
    stream.scenario = "identify";
    stream.expected = {{"result", "0"}, {"checksum", "00ff"}};
    stream.reports.push_back({true, std::vector<std::uint8_t>(65, 0xA5)});
    stream.reports.push_back({false, {0x81, 0x00, 0x01}});
    const std::string text = formatReportStream(stream);

    ReportStream back;
    std::string error;
    ASSERT_TRUE(parseReportStream(text, back, error)) << error;
    EXPECT_EQ(back.comments, stream.comments);
    EXPECT_EQ(back.scenario, stream.scenario);
    EXPECT_EQ(back.expected, stream.expected);
    EXPECT_EQ(back.reports, stream.reports);

    for (const auto& [bad, why] : std::vector<std::pair<std::string, std::string>>{
             {"scenario x\n< 8a 0g\n", "line 2: bytes are two hex digits each"},
             {"scenario x\n> 00 01\n", "line 2: an output report has 65 bytes"},
             {"scenario x\n<\n", "line 2: unknown line kind"},
             {"scenario x\n\n? 00\n", "line 3: unknown line kind"},
             {"scenario x\n= result\n", "line 2: an expectation needs a name and a value"},
             {"< 8a\n", "no scenario line"}}) {
        EXPECT_FALSE(parseReportStream(bad, back, error)) << bad;
        EXPECT_EQ(error, why) << bad;
    }
}

}  // namespace
}  // namespace vantrel::test
