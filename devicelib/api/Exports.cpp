// The library's exported C interface.
#include "vantrel_shared.h"

#include "api/DeviceSlot.h"
#include "hid/HidBackend.h"
#include "protocol/Protocol.h"
#include "protocol/Transactions.h"

using namespace vantrel;
using vantrel::api::DeviceSlot;

namespace {

// Runs one transaction on the caller's thread under the slot's operation
// lock. A slot that was never connected is connected first, to the device at
// its own enumeration position: a slot without a device answers 501 and no
// other slot's device is touched.
template <typename Transaction>
std::int32_t runSynchronous(std::uint32_t deviceIndex, Transaction&& transaction)
{
    // A connected slot's record always names its device. An empty one means
    // another thread is reconnecting the slot (or tore it down) between the
    // check and the lock: wait for that connect to end (it holds the
    // connection lock) and look again, rather than answer "no device" for a
    // device that is there. Opening "any device" instead could take another
    // slot's.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (std::int32_t error = api::ensureConnected(deviceIndex)) return error;
        DeviceSlot& slot = api::deviceTable()[deviceIndex];
        {
            std::lock_guard operation(slot.operationLock);
            if (slot.handle.device || slot.handle.serialNumber) return transaction(slot.handle);
        }
        std::lock_guard connectEnded(slot.connectionLock);
    }
    return protocol::kErrNoDevice;
}

protocol::AcquisitionParameters acquisitionParameters(std::uint32_t scans, std::uint32_t blankScans,
                                                      std::uint32_t scanMode, std::uint32_t exposure)
{
    return {static_cast<std::uint16_t>(scans), static_cast<std::uint16_t>(blankScans),
            static_cast<std::uint8_t>(scanMode), exposure};
}

}  // namespace

extern "C" {

int32_t getDevicesCount(void)
{
    return static_cast<int32_t>(
        hid::activeBackend().enumerate(protocol::kVendorId, protocol::kProductId).size());
}

int32_t connectToDevice(uint32_t deviceIndex) { return api::connectSlot(deviceIndex); }

void disconnectLibrary(void)
{
    for (DeviceSlot& slot : api::deviceTable()) api::teardownSlot(slot);
}

int32_t checkLastError(uint32_t deviceIndex, int32_t* lastResult)
{
    if (deviceIndex >= api::kSlotCount) return protocol::kErrBadIndex;
    DeviceSlot& slot = api::deviceTable()[deviceIndex];
    if (!slot.hasWorker.load()) return protocol::kErrNoWorker;
    std::lock_guard status(slot.statusLock);
    if (lastResult) *lastResult = slot.lastResult;
    return protocol::kOk;
}

int32_t getCurrentOperationInfo(uint32_t deviceIndex, int32_t* operationCode, int32_t* operationState)
{
    if (deviceIndex >= api::kSlotCount) return protocol::kErrBadIndex;
    DeviceSlot& slot = api::deviceTable()[deviceIndex];
    if (!slot.hasWorker.load()) return protocol::kErrNoWorker;
    std::lock_guard status(slot.statusLock);
    if (operationCode) *operationCode = slot.currentOperation;
    if (operationState) *operationState = slot.currentState;
    return protocol::kOk;
}

int32_t getStatus(uint32_t deviceIndex, uint8_t* statusFlags, uint16_t* framesInMemory)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        protocol::DeviceStatus status;
        const int result = protocol::getStatus(record, status);
        if (result == protocol::kOk) {
            if (statusFlags) *statusFlags = status.statusFlags;
            if (framesInMemory) *framesInMemory = status.framesInMemory;
        }
        return result;
    });
}

int32_t setExposure(uint32_t deviceIndex, uint32_t exposureTime, uint32_t exposureFlag)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        return protocol::setExposure(record, exposureTime, static_cast<std::uint8_t>(exposureFlag));
    });
}

int32_t setAcquisitionParameters(uint32_t deviceIndex, uint32_t scansNumber, uint32_t blankScansNumber,
                                 uint32_t scanMode, uint32_t exposureTime)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        return protocol::setAcquisitionParameters(
            record, acquisitionParameters(scansNumber, blankScansNumber, scanMode, exposureTime));
    });
}

int32_t setFrameFormat(uint32_t deviceIndex, uint32_t startElement, uint32_t endElement,
                       uint32_t reductionMode, uint16_t* pixelsInFrame)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        std::uint16_t pixels = 0;
        const int result = protocol::setFrameFormat(
            record, static_cast<std::uint16_t>(startElement), static_cast<std::uint16_t>(endElement),
            static_cast<std::uint8_t>(reductionMode), pixels);
        if (result == protocol::kOk && pixelsInFrame) *pixelsInFrame = pixels;
        return result;
    });
}

int32_t setExternalTrigger(uint32_t deviceIndex, uint32_t enableMode, uint32_t signalFrontMode)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        return protocol::setExternalTrigger(record, static_cast<std::uint8_t>(enableMode),
                                            static_cast<std::uint8_t>(signalFrontMode));
    });
}

int32_t triggerAcquisition(uint32_t deviceIndex)
{
    return runSynchronous(deviceIndex, protocol::triggerAcquisition);
}

int32_t clearMemory(uint32_t deviceIndex) { return runSynchronous(deviceIndex, protocol::clearMemory); }

int32_t getFrameFormat(uint32_t deviceIndex, uint16_t* startElement, uint16_t* endElement,
                       uint8_t* reductionMode, uint16_t* pixelsInFrame)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        protocol::FrameFormat format;
        const int result = protocol::getFrameFormat(record, format);
        if (result == protocol::kOk) {
            if (startElement) *startElement = format.startElement;
            if (endElement) *endElement = format.endElement;
            if (reductionMode) *reductionMode = format.reductionMode;
            if (pixelsInFrame) *pixelsInFrame = format.pixelsInFrame;
        }
        return result;
    });
}

int32_t getAcquisitionParameters(uint32_t deviceIndex, uint16_t* scansNumber, uint16_t* blankScansNumber,
                                 uint8_t* scanMode, uint32_t* exposureTime)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        protocol::AcquisitionParameters parameters;
        const int result = protocol::getAcquisitionParameters(record, parameters);
        if (result == protocol::kOk) {
            if (scansNumber) *scansNumber = parameters.scansNumber;
            if (blankScansNumber) *blankScansNumber = parameters.blankScansNumber;
            if (scanMode) *scanMode = parameters.scanMode;
            if (exposureTime) *exposureTime = parameters.exposureTime;
        }
        return result;
    });
}

int32_t setOpticalTrigger(uint32_t deviceIndex, uint32_t enableMode, uint32_t pixel, uint32_t threshold)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        return protocol::setOpticalTrigger(record, static_cast<std::uint8_t>(enableMode),
                                           static_cast<std::uint16_t>(pixel),
                                           static_cast<std::uint16_t>(threshold));
    });
}

int32_t setMultipleParameters(uint32_t deviceIndex, uint32_t scansNumber, uint32_t blankScansNumber,
                              uint32_t scanMode, uint32_t exposureTime, uint32_t byteParameter1,
                              uint32_t byteParameter2)
{
    return runSynchronous(deviceIndex, [&](protocol::HandleRecord& record) {
        return protocol::setMultipleParameters(
            record, acquisitionParameters(scansNumber, blankScansNumber, scanMode, exposureTime),
            static_cast<std::uint8_t>(byteParameter1), static_cast<std::uint8_t>(byteParameter2));
    });
}

int32_t eraseFlash(uint32_t deviceIndex) { return runSynchronous(deviceIndex, protocol::eraseFlash); }

int32_t resetDevice(uint32_t deviceIndex) { return runSynchronous(deviceIndex, protocol::resetDevice); }

int32_t detachDevice(uint32_t deviceIndex) { return runSynchronous(deviceIndex, protocol::detachDevice); }

int32_t getFrame(uint32_t deviceIndex, uint16_t* frameBuffer, uint32_t frameNumber)
{
    api::ArgumentBlock arguments;
    arguments.buffer = frameBuffer;
    arguments.frameNumber = static_cast<std::uint16_t>(frameNumber);
    return api::postOperation(deviceIndex, api::kOpFrameRead, arguments);
}

int32_t readFlash(uint32_t deviceIndex, uint8_t* flashBuffer, uint32_t flashAddress, uint32_t bytesCount)
{
    api::ArgumentBlock arguments;
    arguments.buffer = flashBuffer;
    arguments.flashAddress = flashAddress;
    arguments.bytesCount = bytesCount;
    return api::postOperation(deviceIndex, api::kOpFlashRead, arguments);
}

int32_t writeFlash(uint32_t deviceIndex, const uint8_t* flashBuffer, uint32_t flashAddress,
                   uint32_t bytesCount)
{
    api::ArgumentBlock arguments;
    arguments.buffer = const_cast<uint8_t*>(flashBuffer);
    arguments.flashAddress = flashAddress;
    arguments.bytesCount = bytesCount;
    return api::postOperation(deviceIndex, api::kOpFlashWrite, arguments);
}

}  // extern "C"
