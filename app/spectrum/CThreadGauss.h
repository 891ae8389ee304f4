// The Gaussian-fit worker: a QObject on its own QThread (normal priority).
// The view asks for a fit with event 1134 and hears back through event 1135
// posted to the view object; the fit reads the copies the view made in
// m_gaussX / m_gaussY at request time and writes m_gaussFit during the sweeps
// and the four results just before answering. Requests posted while a fit
// runs queue up and run one after another.
#pragma once

#include <QEvent>
#include <QObject>
#include <QThread>

#include <vector>

#include "spectrum/GaussianFit.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

inline constexpr QEvent::Type kGaussRequestEvent = static_cast<QEvent::Type>(1134);
inline constexpr QEvent::Type kGaussDoneEvent = static_cast<QEvent::Type>(1135);

// Event 1134: fit the first `points` values of m_gaussY over m_gaussX.
class GaussRequestEvent : public QEvent {
public:
    explicit GaussRequestEvent(int points) : QEvent(kGaussRequestEvent), m_points(points) {}
    int points() const { return m_points; }

private:
    int m_points;
};

struct GaussRequest {
    int points = 0;              // n, the measured values handed to the fit
    bool curveAppended = false;  // false when the stored-curve table was full
};

// The view's half of "Gaussian Appr." (button 1044), steps 1 and 2: copy
// curve 0's x values (0..n) into m_gaussX and the displayed spectrum (row 0
// of the live buffer, which curve 0 shows) into m_gaussY, then append the red
// stored curve that shows m_gaussFit. n = m_storedLength[0], at most 3999.
GaussRequest prepareGaussianRequest(SpectrumStore& store);

// The view's handling of event 1135: show the result.
void applyGaussianResult(SpectrumStore& store);

class CThreadGauss : public QObject {
    Q_OBJECT
public:
    // store: the view's members; view: the object that receives event 1135.
    CThreadGauss(SpectrumStore& store, QObject* view);
    ~CThreadGauss() override;

    // Starts the worker thread and moves this object onto it.
    void start();
    // Lets queued fits finish, then ends the thread; this object moves back
    // to the calling thread. Called by the destructor.
    void stop();
    bool isRunning() const { return m_thread.isRunning(); }

    // The whole request from the view thread: prepareGaussianRequest, then
    // event 1134 to the worker.
    GaussRequest request();
    // Posts event 1134 for n points already copied by prepareGaussianRequest.
    void postRequest(int points);

protected:
    bool event(QEvent* e) override;

private:
    void runFit(int points);

    SpectrumStore& m_store;
    QObject* m_view;
    QThread m_thread;
    // Working copies of the measured values and x values.
    std::vector<double> m_y, m_x;
};

}  // namespace halden
