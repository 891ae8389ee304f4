#include "spectrum/CThreadGauss.h"

#include <QCoreApplication>

#include <algorithm>

#include "common/EventHandoff.h"
#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

bool isFitColour(const StoredCurve& c) { return c.red == 255 && c.green == 0 && c.blue == 0; }

// The red curve's pool position: after every existing curve. A damaged
// table (no end marker) takes no curve.
bool appendFitCurve(SpectrumStore& s, int points) {
    const StoredCurves table(s);
    const int k = table.markerSlot();
    const long long offset = table.endOffset();
    // The new curve needs slot k and slot k + 1 for the end marker.
    if (k < 0 || k + 1 >= kStoredSlots || points < 1 || offset + points > kStoredPoolSize) return false;
    for (int i = 0; i < points; ++i) {
        s.m_storedY[offset + i] = s.m_gaussFit[i];
        s.m_storedX[offset + i] = s.m_storedX[i];
    }
    s.m_storedLength[k] = points - 1;
    setStoredCurveColour(s, k, 255, 0, 0);
    nameStoredCurve(s, k, CurveKind::Gaussian, kGaussianCurveName);
    s.m_storedLength[k + 1] = -1;
    return true;
}

// Copies m_gaussFit into the fit's red curve: the last red curve after the
// live curves (scan 1 of a run without averaging is red too).
void refreshGaussianCurve(SpectrumStore& s) {
    long long curveOffset = -1;
    int curveCount = 0;
    for (const StoredCurve& c : StoredCurves(s)) {
        if (c.slot >= s.m_liveCurveCount && c.slot > 0 && isFitColour(c)) {
            curveOffset = c.offset;
            curveCount = c.count();
        }
    }
    if (curveOffset < 0) return;
    const int count = std::min({curveCount, kGaussCapacity, storedCurve0(s).count()});
    for (int i = 0; i < count; ++i) {
        s.m_storedY[curveOffset + i] = s.m_gaussFit[i];
        s.m_storedX[curveOffset + i] = s.m_storedX[i];
    }
}

}  // namespace

GaussRequest prepareGaussianRequest(SpectrumStore& s) {
    GaussRequest r;
    // x needs n + 1 values in m_gaussX.
    r.points = std::clamp<int>(storedCurve0(s).last(), 0, kGaussCapacity - 1);
    const double* live = s.liveBuffer();
    for (int i = 0; i <= r.points; ++i) {
        s.m_gaussX[i] = s.m_storedX[i];
        s.m_gaussY[i] = live[i];
    }
    r.x.assign(s.m_gaussX.begin(), s.m_gaussX.begin() + r.points + 1);
    r.y.assign(s.m_gaussY.begin(), s.m_gaussY.begin() + r.points + 1);
    r.curveAppended = appendFitCurve(s, r.points);
    return r;
}

GaussResult runGaussianFit(const GaussRequest& request) {
    GaussResult result;
    const int n = std::clamp(request.points, 0, kGaussCapacity - 1);
    if (n < kGaussMinPoints || static_cast<int>(request.x.size()) < n + 1 || static_cast<int>(request.y.size()) < n)
        return result;
    result.fit.assign(static_cast<std::size_t>(n) + 1, 0.0);
    result.params = fitGaussian(request.x.data(), request.y.data(), n, result.fit.data()).params;
    result.fitted = true;
    return result;
}

void applyGaussianResult(SpectrumStore& s, const GaussResult& result) {
    if (result.fitted) {
        s.m_gaussAmplitude = result.params.amplitude;
        s.m_gaussCenter = result.params.center;
        s.m_gaussWidth = result.params.width;
        s.m_gaussOffset = result.params.offset;
        const std::size_t count = std::min(result.fit.size(), s.m_gaussFit.size());
        std::copy_n(result.fit.begin(), count, s.m_gaussFit.begin());
    }
    s.m_gaussCleared = false;
    refreshGaussianCurve(s);
}

CThreadGauss::CThreadGauss(QObject* view) : m_view(view) {
    m_thread.setObjectName("CThreadGauss");
    announceThreadEnd(m_thread);
}

CThreadGauss::~CThreadGauss() { stop(); }

void CThreadGauss::start() {
    if (m_thread.isRunning()) return;
    moveToThread(&m_thread);
    m_thread.start(QThread::NormalPriority);
}

namespace {

// Asks the worker, after every fit already queued, to hand the object back to
// the thread that stops it (only the worker may move it) and to end its loop.
constexpr QEvent::Type kGaussStopEvent = static_cast<QEvent::Type>(1136);
class GaussStopEvent : public QEvent {
public:
    explicit GaussStopEvent(QThread* caller) : QEvent(kGaussStopEvent), m_caller(caller) {}
    QThread* caller() const { return m_caller; }

private:
    QThread* m_caller;
};

}  // namespace

void CThreadGauss::stop() {
    if (!m_thread.isRunning()) return;
    postHandedOff(this, new GaussStopEvent(QThread::currentThread()));
    joinThread(m_thread);
}

GaussRequest CThreadGauss::request(SpectrumStore& store) {
    GaussRequest r = prepareGaussianRequest(store);
    postRequest(r);
    return r;
}

void CThreadGauss::postRequest(GaussRequest request) {
    postHandedOff(this, new GaussRequestEvent(std::move(request)));
}

bool CThreadGauss::event(QEvent* e) {
    takeOver(e);
    if (e->type() == kGaussStopEvent) {
        moveToThread(static_cast<GaussStopEvent*>(e)->caller());
        m_thread.quit();
        return true;
    }
    if (e->type() == kGaussRequestEvent) {
        GaussResult result = runGaussianFit(static_cast<GaussRequestEvent*>(e)->request());
        // Exactly one answer per request, also when there was too little to fit.
        if (m_view) postHandedOff(m_view, new GaussDoneEvent(std::move(result)));
        return true;
    }
    return QObject::event(e);
}

}  // namespace halden

#include "moc_CThreadGauss.cpp"
