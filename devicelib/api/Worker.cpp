// The per-slot worker: runs the frame reads and flash transfers posted to
// its slot, one at a time, holding the operation lock while each runs.
#include <cstdio>

#include "api/DeviceSlot.h"
#include "protocol/Transactions.h"

namespace vantrel::api {

namespace {

std::int32_t runOperation(DeviceSlot& slot, std::uint16_t deviceIndex, std::int32_t operation,
                          const ArgumentBlock* arguments)
{
    const ArgumentBlock none;
    const ArgumentBlock& a = arguments ? *arguments : none;
    switch (operation) {
    case kOpFrameRead:
        return protocol::readFrame(slot.handle, static_cast<std::uint16_t*>(a.buffer), a.frameNumber);
    case kOpFlashRead:
        return protocol::readFlash(slot.handle, static_cast<std::uint8_t*>(a.buffer), a.flashAddress,
                                   a.bytesCount);
    case kOpFlashWrite:
        return protocol::writeFlash(slot.handle, static_cast<const std::uint8_t*>(a.buffer),
                                    a.flashAddress, a.bytesCount);
    default:
        std::printf("_threadDeviceOperations for thread %d: unsupported current operation: %d\n",
                    static_cast<int>(deviceIndex), static_cast<int>(operation));
        std::fflush(stdout);
        return 0;
    }
}

// Waits for a posting (or the stop request) and resets the event under the
// command lock.
void waitForPosting(DeviceSlot& slot)
{
    slot.commandPosted.wait();
    std::lock_guard command(slot.commandLock);
    slot.commandPosted.reset();
}

void enterIdle(DeviceSlot& slot)
{
    slot.operationLock.lock();
    std::lock_guard status(slot.statusLock);
    slot.currentState = kStateIdle;
    slot.lastResult = 0;
}

}  // namespace

int _threadDeviceOperations(std::uint16_t deviceIndex)
{
    DeviceSlot& slot = deviceTable()[deviceIndex];
    slot.started.set();
    waitForPosting(slot);
    enterIdle(slot);
    while (!(slot.flags & kFlagStopRequested)) {
        std::int32_t operation = kOpNone;
        const ArgumentBlock* arguments = nullptr;
        {
            std::lock_guard status(slot.statusLock);
            {
                std::lock_guard command(slot.commandLock);
                slot.currentArguments = std::move(slot.pendingArguments);
                slot.currentOperation = slot.pendingOperation;
            }
            slot.currentState = kStateRunning;
            operation = slot.currentOperation;
            arguments = slot.currentArguments.get();
            slot.commandAccepted.set();
        }
        const std::int32_t result = runOperation(slot, deviceIndex, operation, arguments);
        {
            std::lock_guard status(slot.statusLock);
            slot.currentState = kStateFinished;
            slot.lastResult = result;
        }
        slot.operationLock.unlock();
        waitForPosting(slot);
        enterIdle(slot);
    }
    slot.operationLock.unlock();
    return 0;
}

}  // namespace vantrel::api
