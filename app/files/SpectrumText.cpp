#include "files/SpectrumText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "spectrum/SpectrumStore.h"

namespace halden {

namespace {

void appendFixed3(std::string& s, double v) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    s.append(buf, r.ec == std::errc() ? r.ptr : buf);
}

void appendInt(std::string& s, long long v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

int lastPoint(const SpectrumStore& store) {
    return std::min<int>(store.m_lastPoint, kPointCapacity - 1);
}

int rangeLast(const SpectrumStore& store) {
    return std::min<int>(store.m_rangeLast, kPointCapacity - 1);
}

// Appends the C values of element i, separated (and, for the clipboard,
// followed) by tabs; column r starts at buffer + r * stride.
void appendValues(std::string& s, const double* buffer, int columns, int i, bool trailingTab,
                  std::size_t stride = kPointCapacity) {
    for (int r = 0; r < columns; ++r) {
        if (r > 0) s.push_back('\t');
        appendFixed3(s, buffer[static_cast<std::size_t>(r) * stride + i]);
    }
    if (trailingTab) s.push_back('\t');
}

}  // namespace

int dataColumns(const SpectrumStore& store) {
    // The columns of the acquisition shown, not of the settings for the next.
    return store.m_liveAcquisition.columns();
}

double displayedX(const SpectrumStore& store, int i) {
    if (!store.m_wavenumberAxis) return store.m_wavelength[i];
    return (1.0 / store.m_laserWavelength - 1.0 / store.m_wavelength[i]) * 10000000.0;
}

std::string spectrumFileText(const SpectrumStore& store) {
    const double* buffer = store.liveBuffer();
    const int columns = dataColumns(store);
    const int last = lastPoint(store);
    std::string s;
    s.reserve(static_cast<std::size_t>(last + 1) * (12 + 11 * columns));
    if (store.m_liveAcquisition.fast()) {
        for (int i = 0; i <= last / 2; ++i) {
            appendFixed3(s, store.m_wavelength[2 * i]);
            s.push_back('\t');
            appendValues(s, buffer, columns, i, false);
            s.append("\r\n");
        }
        return s;
    }
    for (int i = 0; i <= last; ++i) {
        const double x = displayedX(store, i);
        if (!(x >= store.m_xMin && x <= store.m_xMax)) continue;
        appendFixed3(s, x);
        s.append(store.m_wavenumberAxis ? " , " : " ");
        appendValues(s, buffer, columns, i, false);
        s.append("\r\n");
    }
    return s;
}

std::string spectrumFileText(const double* x, const double* columns, int points, int columnCount,
                             std::size_t stride, bool fastLayout) {
    std::string s;
    s.reserve(static_cast<std::size_t>(std::max(points, 0)) * (12 + 11 * columnCount));
    for (int i = 0; i < points; ++i) {
        appendFixed3(s, x[i]);
        s.push_back(fastLayout ? '\t' : ' ');
        appendValues(s, columns, columnCount, i, false, stride);
        s.append("\r\n");
    }
    return s;
}

int oneNmPoint(const SpectrumStore& store, long long t) {
    const int last = rangeLast(store);
    double best = 10000.0;
    int p = 0;
    const double target = static_cast<double>(t);
    for (int i = 0; i <= last; ++i) {
        const double d = std::fabs(std::trunc(store.m_wavelength[i] - target));
        if (d <= best) {  // ties go to the higher index
            best = d;
            p = i;
        }
    }
    return p;
}

std::string oneNmFileText(const SpectrumStore& store) {
    std::string s;
    if (store.m_liveAcquisition.fast()) return s;
    const double first = std::trunc(store.m_wavelength[0]);
    const double last = std::trunc(store.m_wavelength[rangeLast(store)]);
    if (!std::isfinite(first) || !std::isfinite(last) || last < first) return s;
    // A damaged calibration must not produce an endless file.
    const double rows = std::min(last - first + 1, static_cast<double>(kMaxOneNmRows));
    const double* row0 = store.liveBuffer();
    const long long t0 = static_cast<long long>(first);
    for (long long k = 0; k < static_cast<long long>(rows); ++k) {
        const long long t = t0 + k;
        appendInt(s, t);
        s.push_back('\t');
        appendFixed3(s, row0[oneNmPoint(store, t)]);
        s.append("\r\n");
    }
    return s;
}

std::string clipboardText(const SpectrumStore& store) {
    const double* buffer = store.liveBuffer();
    const int columns = dataColumns(store);
    const int last = lastPoint(store);
    const bool fast = store.m_liveAcquisition.fast();
    const int points = fast ? last / 2 : last;
    const int step = fast ? 2 : 1;
    std::string s;
    s.reserve(static_cast<std::size_t>(points + 1) * (12 + 11 * columns));
    for (int i = 0; i <= points; ++i) {
        appendFixed3(s, store.m_wavelength[step * i]);
        s.push_back('\t');
        appendValues(s, buffer, columns, i, true);
        s.append("\r\n");
    }
    return s;
}

}  // namespace halden
