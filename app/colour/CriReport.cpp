#include "colour/CriReport.h"

#include "colour/CFormat.h"
#include "common/AtomicFile.h"
#include "common/Prompt.h"

namespace halden {

std::string formatCriReport(const ColorimetryResult& r, CriReportVariant variant) {
    using R = ColorimetryResult;
    std::string out;
    out.reserve(1024);
    out += cformat("x = %.3f\r\n", r[R::kX]);
    out += cformat("y = %.3f\r\n", r[R::kY]);
    out += cformat("z = %.3f\r\n", r[R::kZ]);
    out += cformat("u = %.3f\r\n", r[R::kU]);
    out += cformat("v = %.3f\r\n", r[R::kV]);
    out += cformat("Tc = %.0f\r\n", r[R::kTc]);
    out += cformat("DC = %.6f\r\n", r[R::kDC]);
    for (int i = 1; i <= 14; ++i)
        out += cformat("DeltaE%d = %.6f\tR%d = %.6f\r\n", i, r[R::kDeltaE1 + i - 1], i, r[R::kR1 + i - 1]);
    if (variant == CriReportVariant::Full) {
        out += cformat("CRI(1-8) = %.6f\r\n", r[R::kRa]);
        out += cformat("CRI(1-14) = %.6f", r[R::kRe]);
    } else {
        out += cformat("CRI = %.6f", r[R::kRa]);
    }
    return out;
}

std::string criReportPath(const std::string& spectrumPath) { return spectrumPath + "_CRI_data.txt"; }

bool writeCriReport(const ColorimetryResult& result, Prompt& prompt, const std::string& spectrumPath,
                    CriReportVariant variant) {
    return writeFileOrReport(criReportPath(spectrumPath), formatCriReport(result, variant), prompt);
}

}  // namespace halden
