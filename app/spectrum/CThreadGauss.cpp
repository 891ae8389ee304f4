#include "spectrum/CThreadGauss.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>

#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

constexpr int kWorkCapacity = 10000;

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
    s.m_storedLength[k + 1] = -1;
    return true;
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
    r.curveAppended = appendFitCurve(s, r.points);
    return r;
}

void applyGaussianResult(SpectrumStore& s) {
    s.m_showGaussian = true;
    s.m_gaussCleared = false;
}

CThreadGauss::CThreadGauss(SpectrumStore& store, QObject* view)
    : m_store(store), m_view(view), m_y(kWorkCapacity), m_x(kWorkCapacity) {
    m_thread.setObjectName("CThreadGauss");
}

CThreadGauss::~CThreadGauss() { stop(); }

void CThreadGauss::start() {
    if (m_thread.isRunning()) return;
    moveToThread(&m_thread);
    m_thread.start(QThread::NormalPriority);
}

void CThreadGauss::stop() {
    if (!m_thread.isRunning()) return;
    QThread* caller = QThread::currentThread();
    // Runs after every fit already queued, on the worker thread, which is
    // the only thread allowed to move this object.
    QMetaObject::invokeMethod(
        this, [this, caller] { moveToThread(caller); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

GaussRequest CThreadGauss::request() {
    const GaussRequest r = prepareGaussianRequest(m_store);
    postRequest(r.points);
    return r;
}

void CThreadGauss::postRequest(int points) {
    QCoreApplication::postEvent(this, new GaussRequestEvent(points));
}

bool CThreadGauss::event(QEvent* e) {
    if (e->type() == kGaussRequestEvent) {
        runFit(static_cast<GaussRequestEvent*>(e)->points());
        return true;
    }
    return QObject::event(e);
}

void CThreadGauss::runFit(int points) {
    const int n = std::clamp(points, 0, kGaussCapacity - 1);
    std::copy_n(m_store.m_gaussY.begin(), n, m_y.begin());
    std::copy_n(m_store.m_gaussX.begin(), n + 1, m_x.begin());
    if (n >= kGaussMinPoints) {
        const GaussFitResult fit = fitGaussian(m_x.data(), m_y.data(), n, m_store.m_gaussFit.data());
        m_store.m_gaussAmplitude = fit.params.amplitude;
        m_store.m_gaussCenter = fit.params.center;
        m_store.m_gaussWidth = fit.params.width;
        m_store.m_gaussOffset = fit.params.offset;
    }
    // Exactly one answer per request, also when there was too little to fit.
    if (m_view) QCoreApplication::postEvent(m_view, new QEvent(kGaussDoneEvent));
}

}  // namespace halden
