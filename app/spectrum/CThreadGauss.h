// The Gaussian-fit worker: a QObject on its own QThread (normal priority).
// The view asks for a fit with event 1134, which carries copies of the
// measured values and their x values, and hears back through event 1135,
// which carries the fitted parameters and curve. The worker never sees the
// store: the view publishes the answer into it (applyGaussianResult).
// Requests posted while a fit runs queue up and run one after another.
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

// What the view hands the worker: n measured values and n + 1 x values.
struct GaussRequest {
    int points = 0;              // n, the measured values handed to the fit
    bool curveAppended = false;  // false when the stored-curve table was full
    std::vector<double> x, y;
};

// What the worker hands back.
struct GaussResult {
    bool fitted = false;  // false when there were too few points to fit
    GaussParams params;
    std::vector<double> fit;  // the model at x[0..n]
};

// Event 1134: fit the request's values.
class GaussRequestEvent : public QEvent {
public:
    explicit GaussRequestEvent(GaussRequest request) : QEvent(kGaussRequestEvent), m_request(std::move(request)) {}
    const GaussRequest& request() const { return m_request; }

private:
    GaussRequest m_request;
};

// Event 1135: the fit's answer, one per request.
class GaussDoneEvent : public QEvent {
public:
    explicit GaussDoneEvent(GaussResult result) : QEvent(kGaussDoneEvent), m_result(std::move(result)) {}
    const GaussResult& result() const { return m_result; }

private:
    GaussResult m_result;
};

// The view's half of "Gaussian Appr." (button 1044), steps 1 and 2: copy
// curve 0's x values (0..n) into m_gaussX and the displayed spectrum (row 0
// of the live buffer, which curve 0 shows) into m_gaussY, then append the red
// stored curve that shows m_gaussFit. n = m_storedLength[0], at most 3999.
// The request carries copies of m_gaussX / m_gaussY.
GaussRequest prepareGaussianRequest(SpectrumStore& store);

// The view's handling of event 1135: a fitted result's parameters and curve
// go into m_gaussAmplitude .. m_gaussOffset and m_gaussFit, the red curve
// after the live curves shows the new fit, and the result is shown.
void applyGaussianResult(SpectrumStore& store, const GaussResult& result);

// The fit itself, as the worker runs it.
GaussResult runGaussianFit(const GaussRequest& request);

class CThreadGauss : public QObject {
    Q_OBJECT
public:
    // view: the object that receives event 1135.
    explicit CThreadGauss(QObject* view);
    ~CThreadGauss() override;

    // Starts the worker thread and moves this object onto it.
    void start();
    // Lets queued fits finish, then ends the thread; this object moves back
    // to the calling thread. Called by the destructor.
    void stop();
    bool isRunning() const { return m_thread.isRunning(); }

    // The whole request from the view thread: prepareGaussianRequest, then
    // event 1134 to the worker.
    GaussRequest request(SpectrumStore& store);
    // Posts event 1134 for a request already prepared.
    void postRequest(GaussRequest request);

protected:
    bool event(QEvent* e) override;

private:
    QObject* m_view;
    QThread m_thread;
};

}  // namespace halden
