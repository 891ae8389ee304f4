// What the virtual spectrometer looks at: the light falling on the
// entrance slit, as relative spectral radiance over wavelength in nm.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vantrel::virt {

enum class Scene {
    Lamp,         // incandescent lamp, black body at 2856 K
    Led,          // white LED: blue die near 450 nm plus a broad phosphor band
    Fluorescent,  // mercury lines and rare-earth phosphor bands
    Raman,        // 532.1 nm laser with the Raman spectrum of polystyrene
    Sample,       // the lamp seen through an absorbing sample
    Flat,         // the same light on every active pixel, whatever its wavelength
};

// "lamp", "led", "fluorescent", "raman", "sample", "flat" (case-sensitive).
std::optional<Scene> parseScene(std::string_view name);
const char* sceneName(Scene scene);

constexpr double kLampTemperature = 2856.0;  // K
constexpr double kLaserWavelength = 532.1;   // nm

// Wavelength in nm of a Raman band at the given shift in 1/cm.
double ramanBandWavelength(double shift, double laser = kLaserWavelength);

struct RamanBand {
    double shift;   // 1/cm
    double height;  // peak height relative to the 1001.4 band
    double width;   // full width at half maximum, 1/cm
};
// Polystyrene bands in order of shift.
const std::array<RamanBand, 10>& polystyreneBands();

// Mercury lines of the fluorescent scene, nm.
constexpr std::array<double, 4> kMercuryLines{404.7, 435.8, 546.1, 578.0};

// Transmission of the sample scene (0..1).
double sampleTransmission(double nm);

// Relative radiance of the scene at the wavelength. Flat is not wavelength
// based (see CcdModel) and gives 1. Lines are drawn with the instrument's
// line spread (Gaussian, 0.5 nm full width at half maximum).
double sceneRadiance(Scene scene, double nm);

}  // namespace vantrel::virt
