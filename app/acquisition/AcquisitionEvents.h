// The message protocol between the view and the acquisition worker: the
// view posts a request (event type 1114) to CthreadMag, the worker posts a
// completion (1115) to the view's target object when the operation is done.
// Both carry everything as values: the worker reads nothing of the store and
// the view finds every result in the completion.
#pragma once

#include <QEvent>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/Acquisition.h"
#include "spectrum/StoreStates.h"

namespace halden {

inline constexpr QEvent::Type kRequestEventType = static_cast<QEvent::Type>(1114);
inline constexpr QEvent::Type kCompletionEventType = static_cast<QEvent::Type>(1115);

// One operation for the worker with what it needs.
struct WorkerRequest {
    Operation operation = Operation::None;
    AcquisitionRequest acquisition;         // Operation::Acquire
    std::vector<std::uint8_t> flashRecord;  // Operation::WriteFlash: the record's bytes
};

// Request: perform one operation. The request travels with the event, so a
// request posted while an acquisition runs (the flash save) is not lost.
class RequestEvent : public QEvent {
public:
    explicit RequestEvent(WorkerRequest request) : QEvent(kRequestEventType), m_request(std::move(request)) {}
    explicit RequestEvent(Operation operation) : QEvent(kRequestEventType) { m_request.operation = operation; }
    Operation operation() const { return m_request.operation; }
    WorkerRequest& request() { return m_request; }

private:
    WorkerRequest m_request;
};

// How an operation ended, for the completion handler.
enum class OperationOutcome {
    Done,             // finished normally
    DeviceFailed,     // acquisition failed or was interrupted: nothing to publish
    FlashFailed,      // flash not updated; every erase failed and the flash read back unchanged
    FlashErased,      // flash not updated, and the old record was erased (or could not be read back)
    RecordTooLong,    // flash record refused: it does not fit the write buffer
    FlashUnreadable,  // calibration read: flash pages did not arrive, even when asked again
};

// What the worker hands back.
struct WorkerAnswer {
    Operation operation = Operation::None;
    OperationOutcome outcome = OperationOutcome::Done;
    AcquisitionResult acquisition;     // Operation::Acquire
    std::int32_t deviceCount = 0;      // Operation::Detect
    std::vector<std::uint8_t> flash;   // Operation::ReadFlash: the flash area as read (0xFF where nothing arrived)
    std::size_t pagesRead = 0;         // Operation::ReadFlash: pages that arrived, in order
    std::string failedCommand;         // a device command that failed, for the message
};

// A notice from the worker while an operation is still running: the
// device has not answered several status requests in a row (event type 1116).
inline constexpr QEvent::Type kDeviceSilentEventType = static_cast<QEvent::Type>(1116);

// Completion: the operation is finished; its results are in the answer.
class CompletionEvent : public QEvent {
public:
    explicit CompletionEvent(WorkerAnswer answer) : QEvent(kCompletionEventType), m_answer(std::move(answer)) {}
    CompletionEvent(Operation operation, OperationOutcome outcome) : QEvent(kCompletionEventType)
    {
        m_answer.operation = operation;
        m_answer.outcome = outcome;
    }
    Operation operation() const { return m_answer.operation; }
    OperationOutcome outcome() const { return m_answer.outcome; }
    const WorkerAnswer& answer() const { return m_answer; }
    WorkerAnswer& answer() { return m_answer; }

private:
    WorkerAnswer m_answer;
};

}  // namespace halden
