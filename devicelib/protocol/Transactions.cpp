// Opening a handle record and the single-reply and write-only transactions.
#include "protocol/Transactions.h"

#include "protocol/Protocol.h"
#include "protocol/Wire.h"

namespace vantrel::protocol {

using wire::Reply;
using wire::Request;

int prepare(HandleRecord& record)
{
    if (record.device) return kOk;
    // The serial number stays with the record when the open fails, so the
    // next attempt asks for the same device again, never another one.
    HandleRecord fresh;
    fresh.serialNumber = record.serialNumber;
    fresh.device = hid::activeBackend().open(
        kVendorId, kProductId, record.serialNumber ? record.serialNumber->c_str() : nullptr);
    record = std::move(fresh);
    return record.device ? kOk : kErrOpen;
}

namespace {

// Sends a request and reads the one reply it earns. 0, 502, 504, 505 or 506.
int exchange(HandleRecord& record, const Request& request, std::uint8_t expectedReply,
             Reply& reply, int timeoutMs = kReplyTimeoutMs,
             std::uint8_t alternativeReply = 0)
{
    if (int error = prepare(record)) return error;
    if (int error = wire::sendWithRetry(record, request)) return error;
    if (!wire::readReply(record, reply, timeoutMs)) return kErrNoReply;
    const std::uint8_t code = reply[kCommandOffset];
    if (code != expectedReply && (alternativeReply == 0 || code != alternativeReply))
        return kErrReplyCode;
    return kOk;
}

// A set command answered by a status byte: the status is the result.
int statusExchange(HandleRecord& record, const Request& request, std::uint8_t expectedReply,
                   int timeoutMs = kReplyTimeoutMs, std::uint8_t alternativeReply = 0)
{
    Reply reply{};
    if (int error = exchange(record, request, expectedReply, reply, timeoutMs, alternativeReply))
        return error;
    return reply[kRepStatus];
}

int writeOnly(HandleRecord& record, std::uint8_t command)
{
    if (int error = prepare(record)) return error;
    return wire::sendWithRetry(record, wire::makeRequest(command));
}

void putAcquisitionParameters(Request& request, const AcquisitionParameters& p)
{
    wire::put16(request, kReqScansNumber, p.scansNumber);
    wire::put16(request, kReqBlankScansNumber, p.blankScansNumber);
    wire::put8(request, kReqScanMode, p.scanMode);
    wire::put32(request, kReqAcqExposureTime, p.exposureTime);
}

}  // namespace

int getStatus(HandleRecord& record, DeviceStatus& status)
{
    Reply reply{};
    if (int error = exchange(record, wire::makeRequest(kCmdGetStatus), kReplyGetStatus, reply))
        return error;
    status.statusFlags = reply[kRepStatusFlags];
    status.framesInMemory = wire::get16(reply, kRepFramesInMemory);
    return kOk;
}

int setExposure(HandleRecord& record, std::uint32_t exposureTime, std::uint8_t exposureFlag)
{
    Request request = wire::makeRequest(kCmdSetExposure);
    wire::put32(request, kReqExposureTime, exposureTime);
    wire::put8(request, kReqExposureFlag, exposureFlag);
    return statusExchange(record, request, kReplySetExposure);
}

int setAcquisitionParameters(HandleRecord& record, const AcquisitionParameters& parameters)
{
    Request request = wire::makeRequest(kCmdSetAcquisitionParameters);
    putAcquisitionParameters(request, parameters);
    return statusExchange(record, request, kReplySetAcquisitionParameters);
}

int setFrameFormat(HandleRecord& record, std::uint16_t startElement, std::uint16_t endElement,
                   std::uint8_t reductionMode, std::uint16_t& pixelsInFrame)
{
    Request request = wire::makeRequest(kCmdSetFrameFormat);
    wire::put16(request, kReqStartElement, startElement);
    wire::put16(request, kReqEndElement, endElement);
    wire::put8(request, kReqReductionMode, reductionMode);
    Reply reply{};
    if (int error = exchange(record, request, kReplySetFrameFormat, reply)) return error;
    const int status = reply[kRepStatus];
    if (status == 0) {
        record.frameLength = wire::get16(reply, kRepSetFormatPixels);
        pixelsInFrame = record.frameLength;
    }
    return status;
}

int setExternalTrigger(HandleRecord& record, std::uint8_t enableMode, std::uint8_t signalFrontMode)
{
    Request request = wire::makeRequest(kCmdSetExternalTrigger);
    wire::put8(request, kReqTriggerEnableMode, enableMode);
    wire::put8(request, kReqSignalFrontMode, signalFrontMode);
    return statusExchange(record, request, kReplySetExternalTrigger);
}

int triggerAcquisition(HandleRecord& record) { return writeOnly(record, kCmdTriggerAcquisition); }

int clearMemory(HandleRecord& record)
{
    return statusExchange(record, wire::makeRequest(kCmdClearMemory), kReplyClearMemory);
}

int getFrameFormat(HandleRecord& record, FrameFormat& format)
{
    record.frameLength = 0;
    Reply reply{};
    if (int error =
            exchange(record, wire::makeRequest(kCmdGetFrameFormat), kReplyGetFrameFormat, reply))
        return error;
    format.startElement = wire::get16(reply, kRepStartElement);
    format.endElement = wire::get16(reply, kRepEndElement);
    format.reductionMode = reply[kRepReductionMode];
    format.pixelsInFrame = wire::get16(reply, kRepPixelsInFrame);
    record.frameLength = format.pixelsInFrame;
    return kOk;
}

int getAcquisitionParameters(HandleRecord& record, AcquisitionParameters& parameters)
{
    Reply reply{};
    if (int error = exchange(record, wire::makeRequest(kCmdGetAcquisitionParameters),
                             kReplyGetAcquisitionParameters, reply))
        return error;
    parameters.scansNumber = wire::get16(reply, kRepScansNumber);
    parameters.blankScansNumber = wire::get16(reply, kRepBlankScansNumber);
    parameters.scanMode = reply[kRepScanMode];
    parameters.exposureTime = wire::get32(reply, kRepExposureTime);
    return kOk;
}

int setOpticalTrigger(HandleRecord& record, std::uint8_t enableMode, std::uint16_t pixel,
                      std::uint16_t threshold)
{
    Request request = wire::makeRequest(kCmdSetOpticalTrigger);
    wire::put8(request, kReqTriggerEnableMode, enableMode);
    wire::put16(request, kReqTriggerPixel, pixel);
    wire::put16(request, kReqTriggerThreshold, threshold);
    return statusExchange(record, request, kReplySetOpticalTrigger);
}

int setMultipleParameters(HandleRecord& record, const AcquisitionParameters& parameters,
                          std::uint8_t byteParameter1, std::uint8_t byteParameter2)
{
    Request request = wire::makeRequest(kCmdSetMultipleParameters);
    putAcquisitionParameters(request, parameters);
    wire::put8(request, kReqByteParameter1, byteParameter1);
    wire::put8(request, kReqByteParameter2, byteParameter2);
    return statusExchange(record, request, kReplySetMultipleParameters, kReplyTimeoutMs,
                          kReplySetMultipleParametersAlt);
}

int eraseFlash(HandleRecord& record)
{
    return statusExchange(record, wire::makeRequest(kCmdEraseFlash), kReplyEraseFlash,
                          kEraseReplyTimeoutMs);
}

int resetDevice(HandleRecord& record) { return writeOnly(record, kCmdResetDevice); }

int detachDevice(HandleRecord& record) { return writeOnly(record, kCmdDetachDevice); }

}  // namespace vantrel::protocol
