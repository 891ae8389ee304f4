// Shared helpers of the chart tests: a GUI application for fonts, and stores
// with simple curves.
#pragma once

#include <QGuiApplication>

#include <memory>
#include <vector>

#include "spectrum/SpectrumStore.h"

namespace halden::test {

// Text drawing needs a GUI application; one is made on first use, on the
// window-less platform unless another is chosen.
inline void ensureGuiApplication() {
    static int argc = 1;
    static char name[] = "display_tests";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends, as the test programs have no main of their own.
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(argc, argv);
}

// A store whose table holds only curve 0 with these points.
inline std::unique_ptr<SpectrumStore> storeWithCurve0(const std::vector<double>& x, const std::vector<double>& y) {
    ensureGuiApplication();  // laying the chart out measures its texts
    auto s = std::make_unique<SpectrumStore>();
    for (std::size_t i = 0; i < x.size(); ++i) {
        s->m_storedX[i] = x[i];
        s->m_storedY[i] = y[i];
    }
    s->m_storedLength[0] = static_cast<int>(x.size()) - 1;
    s->m_storedLength[1] = -1;
    s->m_storedRed[0] = s->m_storedGreen[0] = s->m_storedBlue[0] = 0;
    return s;
}

// Appends a curve after the existing ones; returns its index.
inline int appendCurve(SpectrumStore& s, const std::vector<double>& x, const std::vector<double>& y, int r, int g,
                       int b) {
    int k = 0;
    long offset = 0;
    while (s.m_storedLength[k] >= 0) offset += s.m_storedLength[k++] + 1;
    for (std::size_t i = 0; i < x.size(); ++i) {
        s.m_storedX[offset + i] = x[i];
        s.m_storedY[offset + i] = y[i];
    }
    s.m_storedLength[k] = static_cast<int>(x.size()) - 1;
    s.m_storedRed[k] = r;
    s.m_storedGreen[k] = g;
    s.m_storedBlue[k] = b;
    s.m_storedVisible[k] = 1;
    s.m_storedLength[k + 1] = -1;
    return k;
}

}  // namespace halden::test
