#include "colour/LightText.h"

#include <initializer_list>
#include <utility>

#include "colour/CFormat.h"

namespace halden {

std::string figureText(const Figure& f, const char* format, bool brief) {
    if (f.ok()) return cformat(format, f.value);
    return brief ? std::string("-") : "none (" + f.reason + ")";
}

namespace {

using Named = std::pair<const char*, const Figure*>;

// "name = value unit" lines; figures left out for one shared reason become
// one line "<group>: none (reason)".
std::string lines(const char* group, std::initializer_list<Named> figures, const char* format) {
    bool allOut = true;
    for (const Named& n : figures) allOut = allOut && !n.second->ok() && n.second->reason == figures.begin()->second->reason;
    if (allOut && figures.size() > 1) return std::string(group) + ": none (" + figures.begin()->second->reason + ")\n";
    std::string out;
    for (const Named& n : figures)
        out += n.second->ok() ? std::string(n.first) + " = " + cformat(format, n.second->value) + "\n"
                              : std::string(n.first) + ": none (" + n.second->reason + ")\n";
    return out;
}

}  // namespace

std::string colourLines(const LightFigures& f) {
    std::string out = lines("u', v'", {{"u'", &f.uPrime}, {"v'", &f.vPrime}}, "%.4f");
    if (f.dominantWavelength.ok())
        out += cformat(f.complementary ? "Complementary wavelength = %.1f nm (purple)\n" : "Dominant wavelength = %.1f nm\n",
                       f.dominantWavelength.value);
    else
        out += "Dominant wavelength: none (" + f.dominantWavelength.reason + ")\n";
    out += lines("Excitation purity", {{"Excitation purity", &f.purity}}, "%.4f");
    return out;
}

std::string renditionLines(const LightFigures& f) {
    const QualityScaleFigures& q = f.cqs;
    std::string out = lines("CQS", {{"CQS Qa", &q.Qa}, {"CQS Qf", &q.Qf}, {"CQS Qp", &q.Qp}, {"CQS Qg", &q.Qg}}, "%.1f");
    if (q.Qa.ok()) {
        out += "CQS Q1-Q15 =";
        for (double v : q.Qi) out += cformat(" %.0f", v);
        out += "\n";
    }
    out += lines("SSI", {{"SSI 3200K", &f.ssi3200K}, {"SSI D55", &f.ssiD55}, {"SSI matched", &f.ssiMatched}}, "%.0f");
    return out;
}

std::string circadianLines(const LightFigures& f) {
    const AlphaOpicFigures& first = f.alphaOpic[0];
    bool allOut = true;
    for (const AlphaOpicFigures& a : f.alphaOpic)
        allOut = allOut && !a.elr.ok() && !a.irradiance.ok() && a.elr.reason == first.elr.reason;
    if (allOut) return "Alpha-opic: none (" + first.elr.reason + ")\n";
    std::string out;
    for (int r = 0; r < kReceptors; ++r) {
        const AlphaOpicFigures& a = f.alphaOpic[r];
        out += std::string(kReceptorNames[r]) + ": ELR = " + figureText(a.elr, "%.4f mW/lm", true) +
               ", DER = " + figureText(a.der, "%.4f", true) + ", E = " + figureText(a.irradiance, "%.4g mW/m2", true) +
               ", EDI = " + figureText(a.edi, "%.4g lx", true) + "\n";
    }
    // Why a column shows "-".
    if (!first.irradiance.ok()) out += "E, EDI: none (" + first.irradiance.reason + ")\n";
    if (!first.elr.ok()) out += "ELR, DER: none (" + first.elr.reason + ")\n";
    return out;
}

std::string ledLines(const LightFigures& f) {
    return lines("LED figures", {{"Peak wavelength", &f.peakWavelength}}, "%.1f nm") +
           lines("Centroid wavelength", {{"Centroid wavelength", &f.centroidWavelength}}, "%.1f nm") +
           lines("FWHM", {{"FWHM", &f.fwhm}}, "%.2f nm");
}

std::string plantLines(const LightFigures& f) {
    const PhotonFluxFigures& p = f.photonFlux;
    return lines("Photon fluxes", {{"PPFD", &p.ppfd}, {"ePPFD", &p.eppfd}, {"UV-A", &p.uvA}, {"Blue", &p.blue},
                                   {"Green", &p.green}, {"Red", &p.red}, {"Far-red", &p.farRed}},
                 "%.4g umol/m2/s") +
           lines("R:FR", {{"R:FR", &p.redFarRed}}, "%.3f");
}

std::string formatLightFigures(const LightFigures& f) {
    if (!f.anyComputed()) return "Light figures: none (" + f.colourError + ")\n";
    return "Colour:\n" + colourLines(f) + "Rendition:\n" + renditionLines(f) + "Circadian (CIE S 026):\n" +
           circadianLines(f) + "LED:\n" + ledLines(f) + "Plants:\n" + plantLines(f);
}

}  // namespace halden
