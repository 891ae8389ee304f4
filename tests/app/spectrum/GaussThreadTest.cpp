#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>

#include "common/EventHandoff.h"
#include "spectrum/CThreadGauss.h"

namespace halden {
namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "gauss_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return instance ? *instance : *QCoreApplication::instance();
}

// Stands in for the view: counts event 1135 and applies the result.
class ViewStub : public QObject {
public:
    explicit ViewStub(SpectrumStore& s) : store(s) {}
    SpectrumStore& store;
    int answers = 0;
    int wanted = 0;
    QEventLoop loop;

    bool event(QEvent* e) override {
        takeOver(e);
        if (e->type() != kGaussDoneEvent) return QObject::event(e);
        ++answers;
        applyGaussianResult(store, static_cast<GaussDoneEvent*>(e)->result());
        if (answers >= wanted) loop.quit();
        return true;
    }
    // Waits for `count` answers in all; the deadline only guards a hang.
    bool waitFor(int count) {
        wanted = count;
        if (answers >= wanted) return true;
        QTimer::singleShot(120000, &loop, [this] { loop.exit(1); });
        return loop.exec() == 0;
    }
};

void fillCurve0(SpectrumStore& s, double* row, const GaussParams& p) {
    for (int i = 0; i < kSpectrumPoints; ++i) {
        s.m_storedX[i] = s.m_wavelength[i];
        row[i] = gaussModel(p, s.m_wavelength[i]);
    }
}

TEST(GaussThread, RequestAnswersOnceWithTheDisplayedSpectrum) {
    app();
    auto store = std::make_unique<SpectrumStore>();
    // The displayed buffer holds the peak at 600 nm; the one the acquisition
    // worker fills next holds another at 300 nm, which must not be fitted.
    fillCurve0(*store, store->liveBuffer(), {2000, 600, 30, 50});
    double* filling = store->targetBuffer();
    for (int i = 0; i < kSpectrumPoints; ++i) filling[i] = gaussModel({9000, 300, 10, 0}, store->m_wavelength[i]);
    store->m_gaussFit.fill(7.0);

    ViewStub view(*store);
    CThreadGauss worker(&view);
    worker.start();
    ASSERT_TRUE(worker.isRunning());

    const GaussRequest r = worker.request(*store);
    EXPECT_EQ(r.points, 3652);
    ASSERT_TRUE(r.curveAppended);
    // The request carries copies: what the view does meanwhile is not fitted.
    std::fill(store->liveBuffer(), store->liveBuffer() + kPointCapacity, 0.0);
    ASSERT_TRUE(view.waitFor(1));

    EXPECT_NEAR(store->m_gaussCenter, 600, 1e-3);
    EXPECT_NEAR(store->m_gaussWidth, 30, 30e-4);
    EXPECT_NEAR(store->m_gaussAmplitude, 2000, 2000e-4);
    EXPECT_FALSE(store->m_gaussCleared);
    EXPECT_DOUBLE_EQ(store->m_gaussFit[1800], gaussModel({store->m_gaussAmplitude, store->m_gaussCenter,
                                                          store->m_gaussWidth, store->m_gaussOffset},
                                                         store->m_wavelength[1800]));

    // The red curve follows curve 0 and shows the fit.
    EXPECT_EQ(store->m_storedLength[1], 3651);
    EXPECT_EQ(store->m_storedLength[2], -1);
    EXPECT_EQ(store->m_storedRed[1], 255);
    EXPECT_EQ(store->m_storedGreen[1], 0);
    EXPECT_EQ(store->m_storedBlue[1], 0);
    EXPECT_EQ(store->m_storedVisible[1], 1);
    EXPECT_EQ(store->m_storedY[3653 + 1800], store->m_gaussFit[1800]);
    EXPECT_EQ(store->m_storedX[3653 + 100], store->m_wavelength[100]);

    // Two more requests queue and run one after another: one answer each.
    worker.request(*store);
    worker.request(*store);
    ASSERT_TRUE(view.waitFor(3));
    worker.stop();
    EXPECT_FALSE(worker.isRunning());
    QCoreApplication::sendPostedEvents(&view);
    EXPECT_EQ(view.answers, 3);
    EXPECT_EQ(store->m_storedLength[3], 3651);
    EXPECT_EQ(store->m_storedLength[4], -1);
}

TEST(GaussThread, ShortCurveStillAnswers) {
    app();
    auto store = std::make_unique<SpectrumStore>();
    store->m_storedLength[0] = 5;  // too few points for a fit
    store->m_gaussCenter = 123;
    ViewStub view(*store);
    CThreadGauss worker(&view);
    worker.start();
    worker.request(*store);
    ASSERT_TRUE(view.waitFor(1));
    EXPECT_EQ(store->m_gaussCenter, 123);  // unchanged
    EXPECT_EQ(view.answers, 1);
}

TEST(GaussThread, FullTableAppendsNoCurve) {
    auto store = std::make_unique<SpectrumStore>();
    for (int k = 0; k < kStoredSlots - 1; ++k) store->m_storedLength[k] = 0;
    store->m_storedLength[kStoredSlots - 1] = -1;
    const GaussRequest r = prepareGaussianRequest(*store);
    EXPECT_FALSE(r.curveAppended);
    EXPECT_EQ(store->m_storedLength[kStoredSlots - 1], -1);

    auto pool = std::make_unique<SpectrumStore>();
    pool->m_storedLength[1] = kStoredPoolSize - 3653 - 10;  // nearly all of the pool
    pool->m_storedLength[2] = -1;
    EXPECT_FALSE(prepareGaussianRequest(*pool).curveAppended);
    EXPECT_EQ(pool->m_storedLength[2], -1);
}

TEST(GaussThread, StopWithoutStartAndDestroyWhileRunning) {
    app();
    auto store = std::make_unique<SpectrumStore>();
    {
        CThreadGauss idle(nullptr);
        idle.stop();
    }
    {
        CThreadGauss busy(nullptr);
        busy.start();
        busy.request(*store);  // the destructor waits for it
    }
    SUCCEED();
}

}  // namespace
}  // namespace halden
