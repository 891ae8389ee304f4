#include "colour/Radiometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "colour/CFormat.h"
#include "colour/Colorimetry.h"
#include "colour/ColourTables.h"
#include "colour/FigureConstants.h"
#include "colour/LuminousEfficiencyTable.h"
#include "colour/CriReport.h"
#include "colour/RisingAxis.h"
#include "common/AtomicFile.h"
#include "common/CpuDispatch.h"
#include "common/Messages.h"
#include "common/Prompt.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {
namespace {

constexpr double kBlackBodyC2 = 14404000.0;  // nm K, as the colour rendering reference

int clampPoint(int p) { return std::clamp(p, 0, kPointCapacity - 1); }

// Integer distance of the irradiance file and the calibration searches.
double truncatedDistance(double wavelength, double target) {
    return std::fabs(std::trunc(wavelength - target));
}

// The last point of 0..last whose truncated distance to target is smallest.
int nearestByTruncation(const double* wavelength, int last, double target) {
    double best = 1000;
    int index = 0;
    for (int p = 0; p <= last; ++p) {
        const double d = truncatedDistance(wavelength[p], target);
        if (d <= best) {
            best = d;
            index = p;
        }
    }
    return index;
}

double blackBody(double lambda, double temperature) {
    return 1000 * std::pow(1000 / lambda, 5) / (std::exp(kBlackBodyC2 / (lambda * temperature)) - 1);
}

// A temperature as typed: a decimal number, optionally surrounded by blanks.
bool readTemperature(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    if (begin < end && *begin == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (ec != std::errc() || ptr == begin) return false;
    for (const char* c = ptr; c < end; ++c)
        if (*c != ' ' && *c != '\t') return false;
    return std::isfinite(value) && value > 0;
}

}  // namespace

double spectralIrradiance(const SpectrumStore& store, int point) {
    const LiveAcquisition& shown = store.m_liveAcquisition;
    const int factor = shown.fast() ? 2 * point : point;
    if (point < 0 || factor >= kPointCapacity) return 0;
    return store.liveBuffer()[point] * store.m_irradianceCal[factor] / shown.exposureScaled();
}

double markerIrradiance(const SpectrumStore& store) { return spectralIrradiance(store, store.m_markerIndex); }

namespace {

struct PointRun {
    int from = 0, to = 0;  // points from..to-1
    bool holds(int i) const { return from <= i && i < to; }
};

// The points of 0..last with low <= wavelength <= high, on rising wavelengths.
PointRun pointsWithin(const double* wavelength, int last, double low, double high) {
    if (!(low <= high)) return {};
    const double* end = wavelength + last + 1;
    const double* from = std::lower_bound(wavelength, end, low);
    const double* to = std::upper_bound(from, end, high);
    return {static_cast<int>(from - wavelength), static_cast<int>(to - wavelength)};
}

}  // namespace

namespace {

// The sum of spectrum[i] x cal[i] x width over points from..to-1, in sixteen
// partial sums (point from + k into sum k mod 16) combined pairwise: short
// chains of additions instead of one long one, and as exact as a plain
// left-to-right sum. Every clone gives the same bits.
HALDEN_VECTOR_CLONES
double energySum(const double* spectrum, const double* cal, double width, int from, int to) {
    using Lanes = double __attribute__((vector_size(64)));
    Lanes low = {}, high = {};
    int i = from;
    for (; i + 16 <= to; i += 16) {
        Lanes a, b, c, d;
        std::memcpy(&a, spectrum + i, sizeof a);
        std::memcpy(&b, cal + i, sizeof b);
        std::memcpy(&c, spectrum + i + 8, sizeof c);
        std::memcpy(&d, cal + i + 8, sizeof d);
        low += a * b * width;
        high += c * d * width;
    }
    double lane[16];
    std::memcpy(lane, &low, sizeof low);
    std::memcpy(lane + 8, &high, sizeof high);
    for (int k = 0; i < to; ++i, ++k) lane[k] += spectrum[i] * cal[i] * width;
    for (int n = 16; n > 1; n /= 2)
        for (int k = 0; k < n / 2; ++k) lane[k] = lane[2 * k] + lane[2 * k + 1];
    return lane[0];
}

}  // namespace

EnergyFigures energyFigures(const SpectrumStore& store) {
    EnergyFigures out;
    const LiveAcquisition& shown = store.m_liveAcquisition;
    if (!store.m_calcEnergy || shown.fast()) return out;
    const double* spectrum = store.liveBuffer();
    const double* wl = store.m_wavelength.data();
    const double* cal = store.m_irradianceCal.data();
    const int h = std::clamp(store.m_lastIndex / 2, 0, kPointCapacity - 2);
    const double width = wl[h + 1] - wl[h];
    const int last = clampPoint(store.m_lastPoint);
    double total = 0, r1 = 0, r2 = 0, r3 = 0;
    if (wavelengthsRise(wl, last)) {
        // Each range is one run of points.
        const auto runSum = [&](double low, double high) {
            const PointRun run = pointsWithin(wl, last, low, high);
            return energySum(spectrum, cal, width, run.from, run.to);
        };
        total = runSum(store.m_energyLow, store.m_energyHigh);
        r1 = runSum(store.m_interval1Low, store.m_interval1High);
        r2 = runSum(store.m_interval2Low, store.m_interval2High);
        r3 = runSum(store.m_interval3Low, store.m_interval3High);
    } else {
        for (int i = 0; i <= last; ++i) {
            const double lambda = wl[i];
            const double term = spectrum[i] * cal[i] * width;
            if (store.m_energyLow <= lambda && lambda <= store.m_energyHigh) total += term;
            if (store.m_interval1Low <= lambda && lambda <= store.m_interval1High) r1 += term;
            if (store.m_interval2Low <= lambda && lambda <= store.m_interval2High) r2 += term;
            if (store.m_interval3Low <= lambda && lambda <= store.m_interval3High) r3 += term;
        }
    }
    if (!(total > 0)) return out;
    out.shown = true;
    out.total = total / shown.exposureScaled();
    out.range1 = r1 / shown.exposureScaled();
    out.range2 = r2 / shown.exposureScaled();
    out.range3 = r3 / shown.exposureScaled();
    return out;
}

double luminousFlux(const double* spectrum, const double* wavelength, const double* irradianceCal,
                    int last, int step, double exposureScaled, const double* luminousEfficiency) {
    // For each nanometre, walk on from the previous nanometre's point while
    // the distance to it shrinks, then take the last point that came nearer.
    double sum = 0;
    int j = 0;
    for (int nm = kLuminousFirstNm; nm <= kLuminousLastNm; ++nm) {
        double best = 1000;
        while (j <= last) {
            const double d = std::fabs(wavelength[step * j] - nm);
            if (!(d < best)) break;
            best = d;
            ++j;
        }
        if (j > 0) --j;
        sum += spectrum[j] * irradianceCal[step * j] * luminousEfficiency[nm - kLuminousFirstNm];
    }
    return kLumensPerWatt * sum / exposureScaled / 1000000;
}

double lumenFigure(const SpectrumStore& store) {
    // The displayed buffer with the same indexing as every other figure.
    const LiveAcquisition& shown = store.m_liveAcquisition;
    const int step = shown.fast() ? 2 : 1;
    const int last = std::min<int>(store.m_lastPoint / step, (kPointCapacity - 1) / step);
    return luminousFlux(store.liveBuffer(), store.m_wavelength.data(), store.m_irradianceCal.data(), last,
                        step, shown.exposureScaled(), kLuminousEfficiencyTable.data());
}

std::string formatIrradianceFile(const SpectrumStore& store) {
    const double* buffer = store.liveBuffer();
    const double* wl = store.m_wavelength.data();
    const double* cal = store.m_irradianceCal.data();
    const LiveAcquisition& shown = store.m_liveAcquisition;
    const int columns = shown.columns();
    const double exposureScaled = shown.exposureScaled();
    const int rangeLast = clampPoint(store.m_rangeLast);
    std::string out;
    if (shown.fast()) {
        for (int i = 0; 2 * i <= rangeLast; ++i) {
            const double lambda = wl[2 * i];
            if (!(lambda >= 380 && lambda <= 760)) continue;
            out += cformat("%.3f\t", lambda);
            for (int c = 0; c < columns; ++c) {
                if (c > 0) out += '\t';
                out += cformat("%.3f", buffer[c * kPointCapacity + i] * cal[2 * i]);
            }
            out += "\r\n";
        }
        return out;
    }
    out += "Wavelength    uW/cm^2/nm    umol/m2\r\n";
    const double first = std::trunc(wl[0]);
    const double span = std::trunc(wl[rangeLast]) - first;
    if (!std::isfinite(first) || !std::isfinite(span)) return out;
    for (double k = 0; k <= span; ++k) {
        const double nm = first + k;
        if (nm < 380 || nm > 1000) continue;
        const int p = nearestByTruncation(wl, rangeLast, nm);
        const int whole = static_cast<int>(nm);
        out += cformat("%d\t", whole);
        for (int c = 0; c < columns; ++c) {
            if (c > 0) out += '\t';
            out += cformat("%.3f", buffer[c * kPointCapacity + p] * cal[p] / exposureScaled);
        }
        out += '\t';
        if (whole >= kPhotonWeightFirstNm && whole < kPhotonWeightFirstNm + kPhotonWeightRows)
            out += cformat("%.3f", buffer[p] * cal[p] / exposureScaled / 100 *
                                       PhotonWeightTable[whole - kPhotonWeightFirstNm]);
        out += "\r\n";
    }
    return out;
}

bool saveNormalizedToSensitivity(const SpectrumStore& store, Prompt& prompt, const std::string& path) {
    if (!writeFileOrReport(path, formatIrradianceFile(store), prompt)) return false;
    if (store.m_chromaticityView) return writeCriReport(storeColorimetry(store), prompt, path, CriReportVariant::Full);
    return true;
}

bool xyzPlanckCalibration(SpectrumStore& store, Prompt& prompt, const std::string& temperatureText) {
    double temperature = 0;
    if (!readTemperature(temperatureText, temperature)) {
        prompt.showMessage(messages::kBadTemperature, messages::kCaptionError);
        return false;
    }
    // In Fast mode buffer point i is detector pixel 2i: pairing it with
    // m_wavelength[i] would store a correction for the wrong wavelengths.
    if (store.m_liveAcquisition.fast()) {
        prompt.showMessage(messages::kCalibrationFastMode, messages::kCaptionWarning);
        return false;
    }
    constexpr int n = kSpectrumPoints;
    const double* wl = store.m_wavelength.data();
    const int lastIndex = boundedLastIndex(store);
    const int i360 = nearestByTruncation(wl, lastIndex, 360);
    const int i750 = nearestByTruncation(wl, lastIndex, 750);

    std::vector<double> planck(n), measured(n), correction(n);
    double pMax = planck[0] = blackBody(wl[0], temperature);
    for (int i = 0; i < n; ++i) {
        planck[i] = blackBody(wl[i], temperature);
        if (planck[i] > pMax) pMax = planck[i];
    }
    const double* spectrum = store.liveBuffer();
    double mMin = spectrum[0], mMax = spectrum[0];
    for (int i = 0; i < n; ++i) {
        mMin = std::min(mMin, spectrum[i]);
        mMax = std::max(mMax, spectrum[i]);
    }
    const double range = mMax - mMin;
    for (int i = 0; i < n; ++i) {
        measured[i] = (spectrum[i] - mMin + 0.01) / range;
        correction[i] = (planck[i] / pMax) / measured[i];
    }
    double kMin = correction[std::min(i360, i750)];
    for (int i = std::min(i360, i750); i <= std::max(i360, i750); ++i) kMin = std::min(kMin, correction[i]);

    bool valid = range > 0 && std::isfinite(kMin) && kMin > 0;
    for (int i = 0; valid && i < n; ++i) {
        correction[i] /= kMin;
        if (correction[i] > 300) correction[i] = 0;
        valid = std::isfinite(correction[i]);
    }
    if (!valid) {
        prompt.showMessage(messages::kCalibrationNoResult, messages::kCaptionError);
        return false;
    }
    std::copy(correction.begin(), correction.end(), store.m_irradianceCal.begin());
    return true;
}

}  // namespace halden
