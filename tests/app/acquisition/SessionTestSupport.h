// Shared pieces of the session tests: a bounded wait for a session signal
// (the deadline only catches a hang; no test relies on timing), a temporary
// current directory, and flash records built from plain values.
#pragma once

#include <string>
#include <vector>

#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "acquisition/Session.h"
#include "files/CalibrationText.h"

namespace halden::test {

inline constexpr int kFailureDeadlineMs = 60000;

// Runs trigger, then the event loop until the session emits signal; true
// when it did before the failure deadline.
template <class Signal, class Trigger>
bool waitForSignal(Session& session, Signal signal, Trigger trigger, int times = 1)
{
    QEventLoop loop;
    int seen = 0;
    auto c = QObject::connect(&session, signal, &loop, [&] {
        if (++seen >= times) loop.quit();
    });
    QTimer::singleShot(kFailureDeadlineMs, &loop, &QEventLoop::quit);
    trigger();
    if (seen < times) loop.exec();
    QObject::disconnect(c);
    return seen >= times;
}

// Makes a fresh temporary folder the current directory for its lifetime.
class TemporaryCurrentDir {
public:
    TemporaryCurrentDir() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~TemporaryCurrentDir() { QDir::setCurrent(m_previous); }
    std::string path(const std::string& name) const { return (m_dir.path() + "/").toStdString() + name; }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// A calibration of plain values: wavelengths 300 + 0.15 i, sensitivity
// 1 + i / 1000, irradiance factors 2 + i / 4000 (memory order, ascending).
struct PlainCalibration {
    std::array<char, 16> header{};
    std::vector<double> wavelength, sensitivity, irradianceCal;
    double factor = 2.5e-3, laser = 785.0;

    explicit PlainCalibration(const char* id)
    {
        for (int i = 0; i < 16; ++i) header[i] = id[i];
        for (int i = 0; i < kCalibrationPoints; ++i) {
            wavelength.push_back(300 + 0.15 * i);
            sensitivity.push_back(1 + i / 1000.0);
            irradianceCal.push_back(2 + i / 4000.0);
        }
    }

    // The flash record; increasing false stores every block falling.
    std::string flashRecord(bool increasing) const
    {
        CalibrationSource source;
        source.header = header;
        source.irradianceFactor = factor;
        source.laserWavelength = laser;
        source.wavelength = wavelength;
        source.sensitivity = sensitivity;
        source.irradianceCal = irradianceCal;
        source.increasing = increasing;
        return formatCalibrationText(source, CalibrationLayout::Flash).text;
    }
};

}  // namespace halden::test
