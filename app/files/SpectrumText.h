// The text forms of the displayed spectrum: the spectrum file ("Save spectra,
// txt"), the 1 nm file ("Save, 1nm step") and the clipboard text (Edit, Copy).
// All read the shown acquisition buffer (liveBuffer()) as it was acquired
// (m_liveAcquisition): C = 1 data column when it was averaged, one per scan
// otherwise, and half resolution when it was taken in Fast mode. Rows end with CR LF; numbers
// are written with three decimals and a point, whatever the process locale.
#pragma once

#include <cstddef>
#include <string>

namespace halden {

struct SpectrumStore;

// Number of data columns written (1 when averaged, else the scans, 1..64).
int dataColumns(const SpectrumStore& store);

// The x value of point i as the chart shows it: the Raman shift in 1/cm when
// m_wavenumberAxis is set, else m_wavelength[i].
double displayedX(const SpectrumStore& store, int i);

// Normal mode: points 0..m_lastPoint whose displayed x lies in [m_xMin, m_xMax],
// "%.3f " (nm) or "%.3f , " (1/cm) then C tab-separated values, no trailing tab.
// Fast mode: points 0..m_lastPoint/2, "%.3f\t" of m_wavelength[2i], C values.
std::string spectrumFileText(const SpectrumStore& store);

// The same rows from plain data: x[i] ("%.3f"), a blank (a tab in the Fast
// layout), then the values of columns 0..columnCount-1 at i, tab-separated;
// column r is held at columns + r * stride. Points 0..points-1.
std::string spectrumFileText(const double* x, const double* columns, int points, int columnCount,
                             std::size_t stride, bool fastLayout);

// The point the 1 nm file uses for whole nanometre t: the highest index
// 0..m_rangeLast with the smallest |trunc(m_wavelength[i] - t)|.
int oneNmPoint(const SpectrumStore& store, long long t);

// Rows "%d\t%.3f" for t = trunc(m_wavelength[0]) .. trunc(m_wavelength[m_rangeLast]),
// row 0 of the shown buffer only; empty in Fast mode. At most kMaxOneNmRows rows.
inline constexpr long long kMaxOneNmRows = 100000;
std::string oneNmFileText(const SpectrumStore& store);

// Every point (Fast: every second wavelength), "%.3f\t" then C values each
// followed by a tab, CR LF. Always nm, no range filter.
std::string clipboardText(const SpectrumStore& store);

}  // namespace halden
