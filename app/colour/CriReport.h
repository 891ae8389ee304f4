// The colorimetric report written beside a saved spectrum file.
#pragma once

#include <string>

#include "colour/ColorimetryResult.h"

namespace halden {

class Prompt;

enum class CriReportVariant {
    Full,   // 23 lines, ending "CRI(1-8) = ..." and "CRI(1-14) = ..."
    Short,  // 22 lines, ending "CRI = ..." (Ra); written after the 1 nm file
};

// The report's bytes: CR LF between lines, no line end after the last one.
std::string formatCriReport(const ColorimetryResult& result, CriReportVariant variant);

// The report path of a spectrum file: its path with "_CRI_data.txt" appended.
std::string criReportPath(const std::string& spectrumPath);

// Writes the report of result beside spectrumPath, replacing any earlier
// one atomically. On failure shows "ERROR DURING CREATION THE OUT FILE"
// (caption "ERROR"), writes nothing and returns false. The caller decides
// whether to call it (only while m_chromaticityView is set).
bool writeCriReport(const ColorimetryResult& result, Prompt& prompt, const std::string& spectrumPath,
                    CriReportVariant variant);

}  // namespace halden
