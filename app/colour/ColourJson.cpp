#include "colour/ColourJson.h"

#include <cmath>
#include <utility>
#include <vector>

#include "colour/CFormat.h"

namespace halden {
namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string number(double v) { return std::isfinite(v) ? cformat("%.17g", v) : std::string("null"); }

// Writes members at an indent, collecting the reason of every null.
class JsonWriter {
public:
    std::vector<std::pair<std::string, std::string>> reasons;

    void open(const std::string& key) {
        member(key, "{");
        m_path.push_back(key);
        m_first.push_back(true);
    }
    void close() {
        m_path.pop_back();
        m_first.pop_back();
        m_out += "\n" + indent() + "}";
    }
    void value(const std::string& key, double v, const std::string& why = "the figure could not be computed") {
        member(key, number(v));
        if (!std::isfinite(v)) reasons.emplace_back(path(key), why);
    }
    void figure(const std::string& key, const Figure& f) {
        if (f.ok()) return value(key, f.value);
        member(key, "null");
        reasons.emplace_back(path(key), f.reason);
    }
    void null(const std::string& key, const std::string& why) {
        member(key, "null");
        reasons.emplace_back(path(key), why);
    }
    void raw(const std::string& key, const std::string& text) { member(key, text); }
    std::string finish() {
        open("reasons");
        for (const auto& [key, why] : reasons) member(key, "\"" + escaped(why) + "\"");
        close();
        return m_out + "\n}\n";
    }

private:
    std::string m_out = "{";
    std::vector<std::string> m_path;
    std::vector<bool> m_first{true};

    std::string indent() const { return std::string(2 * m_first.size(), ' '); }
    std::string path(const std::string& key) const {
        std::string p;
        for (const std::string& part : m_path) p += part + ".";
        return p + key;
    }
    void member(const std::string& key, const std::string& text) {
        m_out += m_first.back() ? "\n" : ",\n";
        m_first.back() = false;
        m_out += std::string(2 * m_first.size(), ' ') + "\"" + escaped(key) + "\": " + text;
    }
};

template <std::size_t N>
std::string list(const std::array<double, N>& values) {
    std::string out = "[";
    for (std::size_t j = 0; j < N; ++j) out += (j ? ", " : "") + number(values[j]);
    return out + "]";
}

const char* const kScalarNames[] = {"x", "y", "z", "u", "v", "Tc", "DC"};

void colorimetry(JsonWriter& w, const LightFigures& f) {
    using R = ColorimetryResult;
    const ColorimetryResult& r = f.colorimetry;
    auto put = [&](const std::string& key, std::size_t i) {
        if (!f.colourError.empty()) return w.null(key, f.colourError);
        if (i >= R::kDC && !f.renderingError.empty()) return w.null(key, f.renderingError);
        w.value(key, r[i]);
    };
    for (std::size_t i = 0; i < 7; ++i) put(kScalarNames[i], i);
    for (std::size_t i = 1; i <= 14; ++i) put(cformat("DeltaE%zu", i), R::kDeltaE1 + i - 1);
    for (std::size_t i = 1; i <= 14; ++i) put(cformat("R%zu", i), R::kR1 + i - 1);
    put("Ra", R::kRa);
    put("Re", R::kRe);
}

void rendition(JsonWriter& w, const ColourRendition& c) {
    if (!c.ok) {
        for (const char* key : {"Rf", "Rg", "Duv", "Rf_h", "Rcs_h", "Rhs_h"}) w.null(key, c.error);
        w.raw("rendition_error", "\"" + escaped(c.error) + "\"");
        return;
    }
    w.value("Rf", c.Rf);
    w.value("Rg", c.Rg);
    w.value("Duv", c.duv);
    w.raw("Rf_h", list(c.RfHue));
    w.raw("Rcs_h", list(c.RcsHue));
    w.raw("Rhs_h", list(c.RhsHue));
}

void light(JsonWriter& w, const LightFigures& f) {
    w.figure("u_prime", f.uPrime);
    w.figure("v_prime", f.vPrime);
    w.figure("dominant_wavelength", f.dominantWavelength);
    w.raw("complementary", f.complementary ? "true" : "false");
    w.figure("purity", f.purity);
    w.figure("peak_wavelength", f.peakWavelength);
    w.figure("centroid_wavelength", f.centroidWavelength);
    w.figure("fwhm", f.fwhm);
    w.open("alpha_opic");
    for (int r = 0; r < kReceptors; ++r) {
        const AlphaOpicFigures& a = f.alphaOpic[r];
        w.open(kReceptorKeys[r]);
        w.figure("irradiance", a.irradiance);
        w.figure("elr", a.elr);
        w.figure("der", a.der);
        w.figure("edi", a.edi);
        w.close();
    }
    w.close();
    w.open("cqs");
    w.figure("Qa", f.cqs.Qa);
    w.figure("Qf", f.cqs.Qf);
    w.figure("Qp", f.cqs.Qp);
    w.figure("Qg", f.cqs.Qg);
    if (f.cqs.Qa.ok())
        w.raw("Q_i", list(f.cqs.Qi));
    else
        w.null("Q_i", f.cqs.Qa.reason);
    w.close();
    w.open("ssi");
    w.figure("3200K", f.ssi3200K);
    w.figure("D55", f.ssiD55);
    w.figure("matched", f.ssiMatched);
    w.close();
    const PhotonFluxFigures& p = f.photonFlux;
    w.open("photon_flux");
    w.figure("PPFD", p.ppfd);
    w.figure("ePPFD", p.eppfd);
    w.figure("uv_a", p.uvA);
    w.figure("blue", p.blue);
    w.figure("green", p.green);
    w.figure("red", p.red);
    w.figure("far_red", p.farRed);
    w.figure("r_fr", p.redFarRed);
    w.close();
}

}  // namespace

std::string colourJson(const ColourFigures& figures) {
    JsonWriter w;
    colorimetry(w, figures.light);
    rendition(w, figures.rendition);
    w.figure("lumen", figures.lumen);
    light(w, figures.light);
    w.raw("units", "\"" + escaped(figures.units) + "\"");
    return w.finish();
}

std::string colourJson(const SpectrumFigures& figures, const std::string& units) {
    return colourJson({figures.light, figures.rendition, spectrumLumen(figures), units});
}

}  // namespace halden
