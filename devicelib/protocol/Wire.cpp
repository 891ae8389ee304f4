#include "protocol/Wire.h"

namespace vantrel::protocol::wire {

Request makeRequest(std::uint8_t command)
{
    Request request{};
    request[0] = kReportId;
    request[1 + kCommandOffset] = command;
    return request;
}

bool sendOnce(HandleRecord& record, const Request& request)
{
    if (!record.device) return false;
    return record.device->write(request.data(), request.size()) ==
           static_cast<int>(kOutputReportSize);
}

int sendWithRetry(HandleRecord& record, const Request& request)
{
    if (sendOnce(record, request)) return kOk;
    record.device.reset();
    record.device = hid::activeBackend().open(
        kVendorId, kProductId, record.serialNumber ? record.serialNumber->c_str() : nullptr);
    if (!record.device) return kErrOpen;
    return sendOnce(record, request) ? kOk : kErrWrite;
}

bool readReply(HandleRecord& record, Reply& reply, int timeoutMs)
{
    if (!record.device) return false;
    return record.device->readTimeout(reply.data(), reply.size(), timeoutMs) ==
           static_cast<int>(kPayloadSize);
}

}  // namespace vantrel::protocol::wire
