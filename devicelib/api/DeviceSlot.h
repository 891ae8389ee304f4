// The device table: ten slots, each with its handle record, its worker
// thread, the locks and events of the caller/worker hand-off and the state of
// the current asynchronous operation.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "api/ManualResetEvent.h"
#include "protocol/Transactions.h"

namespace vantrel::api {

inline constexpr std::uint32_t kSlotCount = 10;

// Asynchronous operation codes, as reported by getCurrentOperationInfo.
inline constexpr std::int32_t kOpNone = 0;
inline constexpr std::int32_t kOpFrameRead = 11;
inline constexpr std::int32_t kOpFlashRead = 14;
inline constexpr std::int32_t kOpFlashWrite = 15;

// States of the current operation.
inline constexpr std::int32_t kStateIdle = 0;
inline constexpr std::int32_t kStateRunning = 1;
inline constexpr std::int32_t kStateFinished = 2;

inline constexpr std::uint8_t kFlagStopRequested = 0x01;

// Arguments of one asynchronous operation: the caller's buffer and either the
// frame number (frame read) or the flash address and byte count.
struct ArgumentBlock {
    void* buffer = nullptr;
    std::uint32_t flashAddress = 0;
    std::uint32_t bytesCount = 0;
    std::uint16_t frameNumber = 0;
};

struct DeviceSlot {
    std::uint16_t deviceIndex = 0;
    std::unique_ptr<std::thread> worker;     // owned by connect and teardown
    std::atomic<bool> hasWorker{false};      // worker != null, for readers on other threads

    // Held by connect, teardown and every posting (from storing the operation
    // until the worker has taken it): one caller at a time changes the slot's
    // worker or hands it an operation, so a second posting waits for the
    // first to be accepted and a connect never races a posting.
    std::mutex connectionLock;
    std::mutex operationLock;  // one transaction at a time on the handle record
    std::mutex statusLock;     // current operation, state, last result
    std::mutex commandLock;    // pending operation

    protocol::HandleRecord handle;  // guarded by operationLock

    ManualResetEvent started;
    ManualResetEvent commandPosted;
    ManualResetEvent commandAccepted;

    std::uint8_t flags = 0;  // guarded by operationLock

    std::int32_t currentOperation = kOpNone;  // guarded by statusLock
    std::int32_t currentState = kStateIdle;
    std::unique_ptr<ArgumentBlock> currentArguments;

    std::int32_t pendingOperation = kOpNone;  // guarded by commandLock
    std::unique_ptr<ArgumentBlock> pendingArguments;

    std::int32_t lastResult = 0;  // guarded by statusLock
};

using DeviceTable = std::array<DeviceSlot, kSlotCount>;

// The process-wide table, built when the library is loaded.
DeviceTable& deviceTable();

// Connects slot index to the device at that enumeration position and starts
// its worker. 0, 1, 501 or 502. Takes the slot's connection lock.
std::int32_t connectSlot(std::uint32_t index);

// Stops the slot's worker (after its running operation), closes its device
// and clears it; locks and events stay. Takes the slot's connection lock.
void teardownSlot(DeviceSlot& slot);

// Connects slot index as connectSlot does when it has no worker yet; a slot
// that has one is left as it is. 0, 1, 501 or 502.
std::int32_t ensureConnected(std::uint32_t index);

// Hands an operation to the slot's worker, connecting first when the slot has
// none; returns once the worker has taken it. 0, 1 or the connect error.
std::int32_t postOperation(std::uint32_t index, std::int32_t operation, const ArgumentBlock& arguments);

// The worker of one slot: takes posted operations and runs them until stopped.
int _threadDeviceOperations(std::uint16_t deviceIndex);

}  // namespace vantrel::api
