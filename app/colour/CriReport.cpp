#include "colour/CriReport.h"

#include <cmath>

#include "colour/CFormat.h"
#include "common/AtomicFile.h"
#include "common/Prompt.h"

namespace halden {

namespace {

// A figure in its format, or "none" for one that could not be computed (a
// spectrum without light has no chromaticity): never "nan" or "inf".
std::string figure(const char* format, double value) {
    return std::isfinite(value) ? cformat(format, value) : std::string("none");
}

}  // namespace

std::string formatCriReport(const ColorimetryResult& r, CriReportVariant variant) {
    using R = ColorimetryResult;
    std::string out;
    out.reserve(1024);
    out += "x = " + figure("%.3f", r[R::kX]) + "\r\n";
    out += "y = " + figure("%.3f", r[R::kY]) + "\r\n";
    out += "z = " + figure("%.3f", r[R::kZ]) + "\r\n";
    out += "u = " + figure("%.3f", r[R::kU]) + "\r\n";
    out += "v = " + figure("%.3f", r[R::kV]) + "\r\n";
    out += "Tc = " + figure("%.0f", r[R::kTc]) + "\r\n";
    out += "DC = " + figure("%.6f", r[R::kDC]) + "\r\n";
    for (int i = 1; i <= 14; ++i)
        out += cformat("DeltaE%d = ", i) + figure("%.6f", r[R::kDeltaE1 + i - 1]) + cformat("\tR%d = ", i) +
               figure("%.6f", r[R::kR1 + i - 1]) + "\r\n";
    if (variant == CriReportVariant::Full) {
        out += "CRI(1-8) = " + figure("%.6f", r[R::kRa]) + "\r\n";
        out += "CRI(1-14) = " + figure("%.6f", r[R::kRe]);
    } else {
        out += "CRI = " + figure("%.6f", r[R::kRa]);
    }
    return out;
}

std::string criReportPath(const std::string& spectrumPath) { return spectrumPath + "_CRI_data.txt"; }

bool writeCriReport(const ColorimetryResult& result, Prompt& prompt, const std::string& spectrumPath,
                    CriReportVariant variant) {
    return writeFileOrReport(criReportPath(spectrumPath), formatCriReport(result, variant), prompt);
}

}  // namespace halden
