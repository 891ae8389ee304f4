// The message protocol between the view and the acquisition worker: the
// view posts a request (event type 1114) to CthreadMag, the worker posts a
// completion (1115) to the view's target object when the operation is done.
#pragma once

#include <QEvent>

#include "spectrum/StoreStates.h"

namespace halden {

inline constexpr QEvent::Type kRequestEventType = static_cast<QEvent::Type>(1114);
inline constexpr QEvent::Type kCompletionEventType = static_cast<QEvent::Type>(1115);

// Request: perform one operation. The code travels with the event, so a
// request posted while an acquisition is running (the flash save command)
// is not lost when the worker rewrites m_operation at the end of it.
class RequestEvent : public QEvent {
public:
    explicit RequestEvent(Operation operation) : QEvent(kRequestEventType), m_code(operation) {}
    Operation operation() const { return m_code; }

private:
    Operation m_code;
};

// How an operation ended, for the completion handler.
enum class OperationOutcome {
    Done,             // finished normally
    DeviceFailed,     // acquisition failed: no buffer published, m_resendParameters set
    FlashFailed,      // flash not updated; every erase failed and the flash read back unchanged
    FlashErased,      // flash not updated, and the old record was erased (or could not be read back)
    RecordTooLong,    // flash record refused: it does not fit the write buffer
    FlashUnreadable,  // calibration read: flash pages did not arrive, even when asked again
};

// A notice from the worker while an operation is still running: the
// device has not answered several status requests in a row (event type 1116).
inline constexpr QEvent::Type kDeviceSilentEventType = static_cast<QEvent::Type>(1116);

// Completion: the operation named by operation() is finished and its
// results are in the store.
class CompletionEvent : public QEvent {
public:
    CompletionEvent(Operation operation, OperationOutcome outcome)
        : QEvent(kCompletionEventType), m_code(operation), m_outcome(outcome) {}
    Operation operation() const { return m_code; }
    OperationOutcome outcome() const { return m_outcome; }

private:
    Operation m_code;
    OperationOutcome m_outcome;
};

}  // namespace halden
