// Flash read (chunks of at most 100 reports of 60 bytes, each report placed by
// its offset) and flash write (58 bytes per request).
#include <algorithm>
#include <cstring>

#include "protocol/Protocol.h"
#include "protocol/Transactions.h"
#include "protocol/Wire.h"

namespace vantrel::protocol {

namespace {

// Copies the report's bytes that fall inside [0, byteCount) and within the
// bytes still owed; returns how many were copied.
std::uint32_t copyFlashBytes(const wire::Reply& report, std::uint8_t* buffer,
                             std::uint64_t chunkBase, std::uint32_t byteCount,
                             std::uint32_t copiedSoFar)
{
    const std::uint64_t first = chunkBase + wire::get16(report, kDataPosition);
    if (first >= byteCount || copiedSoFar >= byteCount) return 0;
    const std::uint32_t count = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({kFlashBytesPerReport, byteCount - first, byteCount - copiedSoFar}));
    std::memcpy(buffer + first, report.data() + kDataPayload, count);
    return count;
}

}  // namespace

int readFlash(HandleRecord& record, std::uint8_t* buffer, std::uint32_t address,
              std::uint32_t byteCount)
{
    if (int error = prepare(record)) return error;
    if (!buffer) return kErrNullBuffer;

    std::uint64_t reportsLeft = (std::uint64_t{byteCount} + kFlashBytesPerReport - 1) /
                                kFlashBytesPerReport;
    std::uint64_t chunkBase = 0;
    std::uint32_t copied = 0;
    wire::Reply report{};
    while (reportsLeft > 0) {
        const unsigned reports =
            static_cast<unsigned>(std::min<std::uint64_t>(reportsLeft, kMaxFlashReportsPerRequest));
        wire::Request request = wire::makeRequest(kCmdReadFlash);
        wire::put32(request, kReqFlashAddress, static_cast<std::uint32_t>(address + chunkBase));
        wire::put8(request, kReqFlashReportCount, static_cast<std::uint8_t>(reports));
        if (!wire::sendOnce(record, request)) return kErrWrite;

        for (unsigned received = 1;; ++received) {
            if (!wire::readReply(record, report, kReplyTimeoutMs)) return kErrNoReply;
            if (report[kCommandOffset] != kReplyFlashData) return kErrReplyCode;
            const unsigned remaining = report[kDataRemaining];
            if (remaining >= kRemainingInvalid || remaining + received != reports)
                return kErrFlashSequence;
            copied += copyFlashBytes(report, buffer, chunkBase, byteCount, copied);
            if (remaining == 0) break;
        }
        if (reportsLeft <= kMaxFlashReportsPerRequest) break;
        reportsLeft -= kMaxFlashReportsPerRequest;
        chunkBase += kFlashChunkBytes;
    }
    return kOk;
}

int writeFlash(HandleRecord& record, const std::uint8_t* buffer, std::uint32_t address,
               std::uint32_t byteCount)
{
    if (int error = prepare(record)) return error;
    if (!buffer) return kErrNullBuffer;
    if (byteCount == 0) return kFlashWriteEmpty;

    std::uint32_t remaining = byteCount;
    wire::Reply reply{};
    for (;;) {
        const std::uint32_t count = std::min<std::uint32_t>(remaining, kMaxFlashWriteBytes);
        wire::Request request = wire::makeRequest(kCmdWriteFlash);
        wire::put32(request, kReqFlashAddress, address);
        wire::put8(request, kReqFlashByteCount, static_cast<std::uint8_t>(count));
        std::memcpy(request.data() + 1 + kReqFlashData, buffer, count);
        if (!wire::sendOnce(record, request)) return kErrWrite;

        if (!wire::readReply(record, reply, kReplyTimeoutMs)) return kErrNoReply;
        if (reply[kCommandOffset] != kReplyWriteFlash) return kErrReplyCode;
        if (reply[kRepStatus] != 0) return reply[kRepStatus];
        if (remaining <= kMaxFlashWriteBytes) return kOk;
        address += kMaxFlashWriteBytes;
        buffer += kMaxFlashWriteBytes;
        remaining -= kMaxFlashWriteBytes;
    }
}

}  // namespace vantrel::protocol
