#include "virtual/CcdModel.h"

#include "virtual/NormalDeviates.h"

#include <algorithm>
#include <cmath>

namespace vantrel::virt {
namespace {

constexpr double kDarkOffset = 3900.0;
constexpr double kDarkSlope = 0.04;          // counts per pixel
constexpr double kDarkCurrent = 0.0005;      // counts per 0.01 ms
constexpr double kReferenceExposure = 1000.0;

double peakTarget(Scene scene)
{
    switch (scene) {
    case Scene::Led: return 40000.0;
    case Scene::Fluorescent: return 44000.0;
    case Scene::Raman: return 42000.0;
    default: return kLampPeakCounts;
    }
}

}  // namespace

double darkLevel(int pixel, std::uint32_t exposure)
{
    return kDarkOffset + kDarkSlope * pixel + kDarkCurrent * exposure;
}

void CcdModel::setScene(Scene scene, const FactoryCalibration& calibration, double gain)
{
    m_cache.valid = false;
    m_rate.fill(0.0);
    if (gain < 0.0) gain = 0.0;
    std::array<double, kPoints> light{};
    if (scene == Scene::Flat) {
        light.fill(1.0);
    } else {
        for (int k = 0; k < kPoints; ++k) {
            const double response = calibration.sensitivity[k] / calibration.irradiance[k];
            light[k] = sceneRadiance(scene, calibration.wavelength[k]) * response;
        }
    }
    // The sample is scaled like the lamp so that sample and reference compare.
    double peak = 0.0;
    if (scene == Scene::Sample) {
        for (int k = 0; k < kPoints; ++k) {
            const double response = calibration.sensitivity[k] / calibration.irradiance[k];
            peak = std::max(peak, sceneRadiance(Scene::Lamp, calibration.wavelength[k]) * response);
        }
    } else {
        peak = *std::max_element(light.begin(), light.end());
    }
    const double target = scene == Scene::Flat ? kFlatCounts : peakTarget(scene);
    const double scale = peak > 0.0 ? target / kReferenceExposure / peak * gain : 0.0;
    for (int k = 0; k < kPoints; ++k) m_rate[kFirstActivePixel + k] = light[k] * scale;
}

double CcdModel::lightRate(int pixel) const
{
    if (pixel < 0 || pixel >= kDetectorPixels) return 0.0;
    return m_rate[pixel];
}

double CcdModel::expectedCounts(int pixel, std::uint32_t exposure) const
{
    const double counts = darkLevel(pixel, exposure) + lightRate(pixel) * exposure;
    return std::min(counts, 65535.0);
}

void CcdModel::prepare(int count, const FrameRequest& request)
{
    const int averagedScans = std::max(1, request.averagedScans);
    FrameCache& cache = m_cache;
    if (cache.valid && cache.exposure == request.exposure && cache.averagedScans == averagedScans &&
        cache.elementStart == request.elementStart && cache.count == count)
        return;
    const auto size = static_cast<std::size_t>(count);
    cache.mean.resize(size);
    cache.sigma.resize(size);
    cache.quiet.resize(size);
    const double averaging = 1.0 / std::sqrt(static_cast<double>(averagedScans));
    for (int j = 0; j < count; ++j) {
        const int pixel = j < kLeadingPixels ? j : j + request.elementStart;
        const double light = lightRate(pixel) * request.exposure;
        const double mean = darkLevel(pixel, request.exposure) + light;
        const double electrons = light + kDarkCurrent * request.exposure;
        cache.mean[j] = mean;
        cache.sigma[j] = std::sqrt(kReadNoise * kReadNoise + electrons) * averaging;
        cache.quiet[j] = static_cast<std::uint16_t>(std::clamp(std::round(mean), 0.0, 65535.0));
    }
    cache.exposure = request.exposure;
    cache.averagedScans = averagedScans;
    cache.elementStart = request.elementStart;
    cache.count = count;
    cache.valid = true;
}

void CcdModel::render(std::uint16_t* out, int count, const FrameRequest& request)
{
    if (count <= 0) return;
    prepare(count, request);
    const double* mean = m_cache.mean.data();
    const double* sigma = m_cache.sigma.data();
    if (!request.noise) {
        std::copy(m_cache.quiet.begin(), m_cache.quiet.end(), out);
        return;
    }
    NormalSource normal(request.seed);
    double z[4];
    for (int j = 0; j < count; j += 4) {
        normal.nextFour(z);
        const int block = std::min(4, count - j);
        for (int i = 0; i < block; ++i) {
            double counts = mean[j + i] + sigma[j + i] * z[i];
            counts = counts < 0.0 ? 0.0 : (counts > 65535.0 ? 65535.0 : counts);
            out[j + i] = static_cast<std::uint16_t>(counts + 0.5);  // nearest, halves up
        }
    }
}

}  // namespace vantrel::virt
