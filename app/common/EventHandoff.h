// Values cross threads in events: the sender builds the event, Qt's queue
// hands it over, the receiver reads it. Qt synchronises that hand-off, and a
// thread's end with QThread::wait(), with locks ThreadSanitizer cannot see
// (Debian's Qt is not built for it), so every event's contents would be
// reported as a data race. These functions mark those orderings as the
// locks make them, and are empty in every other build: everything else the
// threads touch stays checked.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#if defined(__SANITIZE_THREAD__)
#define HALDEN_TSAN_HANDOFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define HALDEN_TSAN_HANDOFF 1
#endif
#endif

#ifdef HALDEN_TSAN_HANDOFF
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace halden {

// Everything this thread did so far happens before another thread's
// takeOver(token).
inline void handOver(const void* token)
{
#ifdef HALDEN_TSAN_HANDOFF
    __tsan_release(const_cast<void*>(token));
#else
    (void)token;
#endif
}

inline void takeOver(const void* token)
{
#ifdef HALDEN_TSAN_HANDOFF
    __tsan_acquire(const_cast<void*>(token));
#else
    (void)token;
#endif
}

// Posts event to receiver, whose event() begins with takeOver(event).
inline void postHandedOff(QObject* receiver, QEvent* event)
{
    handOver(event);
    QCoreApplication::postEvent(receiver, event);
}

// Marks the end of thread's run for joinThread; call once, before starting it.
inline void announceThreadEnd(QThread& thread)
{
    QObject::connect(&thread, &QThread::finished, &thread, [t = &thread] { handOver(t); }, Qt::DirectConnection);
}

// Waits for thread to end; what it did happens before what follows.
inline void joinThread(QThread& thread)
{
    thread.wait();
    takeOver(&thread);
}

}  // namespace halden
