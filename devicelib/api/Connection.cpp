// Connecting a slot, tearing it down and posting operations to its worker.
#include "api/DeviceSlot.h"
#include "hid/HidBackend.h"
#include "protocol/Protocol.h"

namespace vantrel::api {

namespace {

void teardownLocked(DeviceSlot& slot)
{
    if (slot.worker) {
        {
            std::lock_guard operation(slot.operationLock);
            slot.flags |= kFlagStopRequested;
            slot.commandPosted.set();
        }
        slot.worker->join();
    }
    std::lock_guard operation(slot.operationLock);
    slot.handle = protocol::HandleRecord{};
    slot.started.reset();
    slot.commandPosted.reset();
    slot.commandAccepted.reset();
    slot.hasWorker.store(false);
    slot.worker.reset();
    slot.deviceIndex = 0;
    std::lock_guard status(slot.statusLock);
    std::lock_guard command(slot.commandLock);
    slot.currentArguments.reset();
    slot.pendingArguments.reset();
    slot.flags = 0;
    slot.lastResult = 0;
    // A reconnected slot reports "no operation yet", not the old slot's last one.
    slot.currentOperation = kOpNone;
    slot.currentState = kStateIdle;
}

// connectSlot with the slot's connection lock held.
std::int32_t connectLocked(std::uint32_t index)
{
    DeviceSlot& slot = deviceTable()[index];
    teardownLocked(slot);

    hid::Backend& backend = hid::activeBackend();
    const std::vector<hid::DeviceInfo> devices =
        backend.enumerate(protocol::kVendorId, protocol::kProductId);
    if (index >= devices.size() || !devices[index].serialNumber) return protocol::kErrNoDevice;
    const std::string& serial = *devices[index].serialNumber;
    {
        std::lock_guard operation(slot.operationLock);
        slot.handle.device.reset();
        std::unique_ptr<hid::Device> device =
            backend.open(protocol::kVendorId, protocol::kProductId, serial.c_str());
        if (!device) return protocol::kErrOpen;
        slot.handle = protocol::HandleRecord{std::move(device), 0, serial};
    }

    slot.deviceIndex = static_cast<std::uint16_t>(index);
    slot.worker = std::make_unique<std::thread>(_threadDeviceOperations, slot.deviceIndex);
    slot.hasWorker.store(true);
    slot.started.wait();
    slot.started.reset();
    return protocol::kOk;
}

}  // namespace

std::int32_t connectSlot(std::uint32_t index)
{
    if (index >= kSlotCount) return protocol::kErrBadIndex;
    DeviceSlot& slot = deviceTable()[index];
    std::lock_guard connection(slot.connectionLock);
    return connectLocked(index);
}

std::int32_t ensureConnected(std::uint32_t index)
{
    if (index >= kSlotCount) return protocol::kErrBadIndex;
    DeviceSlot& slot = deviceTable()[index];
    if (slot.hasWorker.load()) return protocol::kOk;
    std::lock_guard connection(slot.connectionLock);
    return slot.worker ? protocol::kOk : connectLocked(index);
}

void teardownSlot(DeviceSlot& slot)
{
    std::lock_guard connection(slot.connectionLock);
    teardownLocked(slot);
}

std::int32_t postOperation(std::uint32_t index, std::int32_t operation, const ArgumentBlock& arguments)
{
    if (index >= kSlotCount) return protocol::kErrBadIndex;
    DeviceSlot& slot = deviceTable()[index];
    // Held until the worker has taken the operation: only one operation is
    // ever pending, and no connect or teardown replaces the worker under it.
    std::lock_guard connection(slot.connectionLock);
    if (!slot.worker) {
        if (std::int32_t error = connectLocked(index)) return error;
    }
    {
        std::lock_guard command(slot.commandLock);
        slot.pendingOperation = operation;
        slot.pendingArguments = std::make_unique<ArgumentBlock>(arguments);
        slot.commandPosted.set();
    }
    slot.commandAccepted.wait();
    slot.commandAccepted.reset();
    return protocol::kOk;
}

}  // namespace vantrel::api
