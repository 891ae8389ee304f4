// Frame read: one request, then a countdown of data reports of 30 pixels,
// each placed by the pixel index it carries.
#include <algorithm>
#include <bit>
#include <cstring>

#include "protocol/Protocol.h"
#include "protocol/Transactions.h"
#include "protocol/Wire.h"

namespace vantrel::protocol {

namespace {

// Copies the report's pixels that fall inside [0, frameLength) and within
// the pixels still owed; returns how many were copied.
unsigned copyPixels(const wire::Reply& report, std::uint16_t* destination, unsigned frameLength,
                    unsigned copiedSoFar)
{
    const unsigned first = wire::get16(report, kDataPosition);
    if (first >= frameLength || copiedSoFar >= frameLength) return 0;
    const unsigned count =
        std::min({kPixelsPerReport, frameLength - first, frameLength - copiedSoFar});
    const std::uint8_t* source = report.data() + kDataPayload;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(destination + first, source, count * sizeof(std::uint16_t));
    } else {
        for (unsigned j = 0; j < count; ++j)
            destination[first + j] =
                static_cast<std::uint16_t>(source[2 * j] | (source[2 * j + 1] << 8));
    }
    return count;
}

}  // namespace

int readFrame(HandleRecord& record, std::uint16_t* destination, std::uint16_t frameNumber)
{
    if (int error = prepare(record)) return error;
    if (!destination) return kErrNullBuffer;
    if (record.frameLength == 0) {
        FrameFormat format;
        if (int error = getFrameFormat(record, format)) return error;
    }
    const unsigned frameLength = record.frameLength;
    const unsigned reports = (frameLength + kPixelsPerReport - 1) / kPixelsPerReport;
    if (reports > kMaxFrameReports) return kErrFrameTooLong;

    wire::Request request = wire::makeRequest(kCmdGetFrame);
    wire::put16(request, kReqFrameZero, 0);
    wire::put16(request, kReqFrameNumber, frameNumber);
    wire::put8(request, kReqFrameReportCount, static_cast<std::uint8_t>(reports));
    if (int error = wire::sendWithRetry(record, request)) return error;

    unsigned copied = 0;
    wire::Reply report{};
    for (unsigned received = 1;; ++received) {
        if (!wire::readReply(record, report, kReplyTimeoutMs)) return kErrNoReply;
        if (report[kCommandOffset] != kReplyFrameData) return kErrReplyCode;
        const unsigned remaining = report[kDataRemaining];
        if (remaining >= kRemainingInvalid || remaining + received != reports)
            return kErrFrameSequence;
        copied += copyPixels(report, destination, frameLength, copied);
        if (remaining == 0) return kOk;
    }
}

}  // namespace vantrel::protocol
