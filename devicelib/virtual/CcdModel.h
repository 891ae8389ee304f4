// The linear CCD: a dark level with a slope across the chip, the light of
// the scene on the active pixels in proportion to exposure, shot and read
// noise, saturation at 65535.
#pragma once

#include "virtual/Detector.h"
#include "virtual/FactoryCalibration.h"
#include "virtual/Scene.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vantrel::virt {

// Peak counts above the dark level at 10 ms exposure (1000 units of 0.01 ms).
constexpr double kLampPeakCounts = 36000.0;
constexpr double kFlatCounts = 30000.0;
constexpr double kReadNoise = 6.0;  // counts, standard deviation

// Dark level of a pixel: offset, slope across the chip, dark current.
double darkLevel(int pixel, std::uint32_t exposure);

struct FrameRequest {
    std::uint32_t exposure = 1000;  // 0.01 ms units
    int averagedScans = 1;          // noise falls with the square root of it
    std::uint64_t seed = 1;
    bool noise = true;
    int elementStart = 0;           // frame pixel j >= 33 shows detector pixel j + start
};

class CcdModel {
public:
    // Recomputes the light per pixel for the scene seen by an instrument with
    // this calibration; gain scales the light (0 = dark).
    void setScene(Scene scene, const FactoryCalibration& calibration, double gain);

    // Counts per 0.01 ms of exposure at a detector pixel (0 outside 33..3685).
    double lightRate(int pixel) const;
    // Noise-free counts at a detector pixel, saturated.
    double expectedCounts(int pixel, std::uint32_t exposure) const;

    // Writes count frame pixels. The noise-free frame of the last exposure,
    // averaging and element range is kept, so a run of frames costs only the
    // noise. Not for concurrent calls: the owning device serialises them.
    void render(std::uint16_t* out, int count, const FrameRequest& request);

private:
    // Noise-free counts and noise level of every frame pixel for one frame shape.
    struct FrameCache {
        bool valid = false;
        std::uint32_t exposure = 0;
        int averagedScans = 0;
        int elementStart = 0;
        int count = 0;
        std::vector<double> mean;          // unrounded, unclamped counts
        std::vector<double> sigma;         // standard deviation of the noise
        std::vector<std::uint16_t> quiet;  // rounded and saturated, for noise off
    };
    void prepare(int count, const FrameRequest& request);

    std::array<double, kDetectorPixels> m_rate{};
    FrameCache m_cache;
};

}  // namespace vantrel::virt
