// Reflectance, transmittance and absorbance shown against a stored reference,
// and the absorber concentration by the Beer-Lambert law. The ratio itself is
// applied by conditionSpectrum; these are the chart bar switches and the
// "Concentration" dialog.
#pragma once

#include <optional>
#include <string>

#include "common/Prompt.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoreCommands.h"

namespace halden {

enum class RatioMode { Off = 0, Reflectance = 1, Transmittance = 2, Absorbance = 3 };

// A click on the R(%), T(%) or ABS box: without a reference only a message;
// clicking the active mode returns to raw intensity; otherwise the mode is
// switched on (Fast off, Average on, full x range, the mode's y range).
CommandEffects toggleRatioMode(SpectrumStore& store, RatioMode mode, Prompt& prompt);

// A reference spectrum was stored (captured or loaded): remember it and
// offer the three mode boxes again, unchecked.
void markReferenceStored(SpectrumStore& store);

// The "Concentration" dialog's fields, all shown with "%.2f".
struct ConcentrationFields {
    std::string cuvetteLength;       // 1045 "cuvette optical length"
    std::string molarAbsorptivity;   // 1001 "molar absorptivity"
    std::string wavelength;          // 1002 "wavelength"
    bool calculate = true;           // 1046 "Calculate concentration"
};

// The "concentration" button: outside ABS mode a message and no dialog;
// otherwise the preset fields.
std::optional<ConcentrationFields> openConcentration(const SpectrumStore& store, Prompt& prompt);

// OK of the dialog: non-positive absorptivity or length become 1.0 after a
// message, the wavelength moves the marker inside the visible x range.
CommandEffects applyConcentration(SpectrumStore& store, const ConcentrationFields& fields,
                                  Prompt& prompt);

// c = A / (molar absorptivity x cuvette length), A the live ABS value of row 0
// at m_concentrationPoint (0 when that point is off the arrays).
double concentrationValue(const SpectrumStore& store);

}  // namespace halden
