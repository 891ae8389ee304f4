// The one-page light report: a vector PDF on A4 with the instrument, time and
// settings, the spectrum, the CIE 1931 diagram with the source's point, the
// colour figures, CRI Ra with the R1-R14 bars, TM-30 Rf and Rg with the
// colour vector graphic and the hue-bin chroma shifts, CQS, the alpha-opic
// table and the photon fluxes. The window and halden-cli draw it alike.
#pragma once

#include <QByteArray>

#include <string>
#include <vector>

#include "colour/ColourRendition.h"
#include "colour/LightFigures.h"

class QPainter;

namespace halden {

struct LightReport {
    const LightFigures& light;
    const ColourRendition& rendition;
    const std::vector<double>& wavelength;  // the spectrum drawn, rising, nm
    const std::vector<double>& value;
    std::string instrument;  // "virtual", a serial, "spectrum file lamp.txt"
    std::string time;        // when the spectrum was taken
    std::string settings;    // exposure, scans, units ... in one line
};

// The local time as the report prints it, "2025-03-14 09:26:53".
std::string reportTimeNow();

// Draws the report onto a page of the given size in units of 1/96 inch.
void drawLightReport(QPainter& painter, const LightReport& report, double pageWidth, double pageHeight);

// The report as PDF bytes (A4 portrait, one page).
QByteArray lightReportPdf(const LightReport& report);

// Writes the PDF to path atomically; empty on success, else what went wrong.
std::string writeLightReportPdf(const std::string& path, const LightReport& report);

}  // namespace halden
