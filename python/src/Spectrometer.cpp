#include "Spectrometer.h"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "DeviceSlots.h"
#include "Errors.h"
#include "InterruptiblePacer.h"
#include "MessagePrompt.h"
#include "NumpyArrays.h"
#include "Spectrum.h"
#include "acquisition/CalibrationRead.h"
#include "acquisition/CthreadMag.h"
#include "acquisition/DeviceList.h"
#include "acquisition/NotingLink.h"
#include "colour/CFormat.h"
#include "common/Messages.h"
#include "files/CalibrationFile.h"
#include "spectrum/AcquiredSpectrum.h"
#include "spectrum/AcquisitionExchange.h"
#include "spectrum/DisplayedSpectrum.h"
#include "spectrum/Settings.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoreCommands.h"
#include "vantrel_shared.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace halden::python {
namespace {

constexpr std::int32_t kNoDeviceResult = 501;  // no device at that enumeration position
constexpr double kLongestExposureMs = 300000;
constexpr int kMostScans = 64, kWidestBoxcar = 50;
constexpr int kMostAcquisitions = 1000000;

// virtual=True: at least `needed` virtual spectrometers; False: USB. The
// library reads VANTREL_VIRTUAL at every enumeration, for the whole process.
void chooseBackend(std::optional<bool> useVirtual, int needed) {
    if (!useVirtual) return;
    py::object environ = py::module_::import("os").attr("environ");
    if (!*useVirtual) {
        environ.attr("pop")("VANTREL_VIRTUAL", py::none());
        return;
    }
    long current = 0;
    if (environ.contains("VANTREL_VIRTUAL")) {
        const std::string text = py::str(environ["VANTREL_VIRTUAL"]);
        current = std::strtol(text.c_str(), nullptr, 10);
    }
    if (current < needed) environ["VANTREL_VIRTUAL"] = std::to_string(needed);
}

void requireIndex(int index) {
    if (index < 0 || index >= kMaxDevices)
        throw py::value_error(cformat("index must be a device index from 0 to %d, not %d", kMaxDevices - 1, index));
}

void warn(const std::string& text) {
    py::module_::import("warnings").attr("warn")(text, py::handle(PyExc_UserWarning), 1);
}

std::string isoTime(std::chrono::system_clock::time_point t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    return cformat("%s.%03dZ", text, static_cast<int>(ms % 1000));
}

const char* triggerName(const DeviceSetup& d) {
    if (d.extTrigMode != 0) return "external";
    if (d.optTrigMode != 0) return "optical";
    return "none";
}

template <class E>
E choice(const std::string& value, const char* name, std::initializer_list<std::pair<const char*, E>> options) {
    std::string names;
    for (const auto& [text, e] : options) {
        if (value == text) return e;
        names += (names.empty() ? "'" : ", '") + std::string(text) + "'";
    }
    throw py::value_error(std::string(name) + " must be one of " + names + ", not '" + value + "'");
}

class Spectrometer {
public:
    Spectrometer(int index, std::optional<bool> useVirtual, std::optional<std::filesystem::path> calibration)
        : m_index(index) {
        requireIndex(index);
        chooseBackend(useVirtual, index + 1);
        // A wrong calibration file is refused before the device is touched.
        if (calibration) {
            const CalibrationFileText file = readCalibrationFile(calibration->string());
            if (file.status != CalibrationLoad::Loaded)
                throw Error("the calibration file cannot be used: " + calibration->string() + ": " + file.reason);
        }
        if (!DeviceSlots::instance().claim(index))
            throw Error(cformat("spectrometer %d is already open in this process; close it first", index));
        try {
            open(calibration);
        } catch (...) {
            DeviceSlots::instance().release(index);
            throw;
        }
    }

    ~Spectrometer() {
        try {
            close();
        } catch (...) {
        }
    }

    Spectrometer(const Spectrometer&) = delete;
    Spectrometer& operator=(const Spectrometer&) = delete;

    void close() {
        if (m_closed.exchange(true)) return;
        m_worker->requestStop();  // a wait in another thread ends at once
        std::unique_lock lock(DeviceSlots::instance().operation(m_index), std::try_to_lock);
        if (!lock.owns_lock()) {
            py::gil_scoped_release unlocked;
            lock.lock();
        }
        DeviceSlots::instance().release(m_index);
    }

    bool closed() const { return m_closed; }
    bool acquiring() const { return m_acquiring; }
    int index() const { return m_index; }

    // Ends the status wait of the acquisition in progress (from any thread):
    // it raises halden.Error. Nothing happens when none is in progress.
    void stop() { m_worker->cancelThrough(m_lastRequest); }

    py::object acquire(std::optional<int> count, std::optional<double> timeout) {
        requireOpen();
        if (count && (*count < 1 || *count > kMostAcquisitions))
            throw py::value_error(cformat("count must be from 1 to %d, not %d", kMostAcquisitions, *count));
        if (timeout && !(std::isfinite(*timeout) && *timeout > 0))
            throw py::value_error(cformat("timeout must be a positive number of seconds, not %g", *timeout));
        py::module_ threading = py::module_::import("threading");
        const bool mainThread = threading.attr("current_thread")().is(threading.attr("main_thread")());
        if (!count) return py::cast(acquireOne(timeout, mainThread));
        py::list spectra;
        for (int k = 0; k < *count; ++k) spectra.append(acquireOne(timeout, mainThread));
        return spectra;
    }

    // Settings, as the chart bar's commands set them.
    double exposureMs() const { return store().m_exposure / 100.0; }
    void setExposureMs(double ms) {
        requireOpen();
        if (!(std::isfinite(ms) && ms >= 0 && ms <= kLongestExposureMs))
            throw py::value_error(cformat("exposure_ms must be from 0 to 300000 ms, not %g", ms));
        commitExposureText(store(), cformat("%.17g", ms));
    }
    int scans() const { return store().m_scans; }
    void setScans(int n) {
        requireOpen();
        if (n < 1 || n > kMostScans) throw py::value_error(cformat("scans must be from 1 to 64, not %d", n));
        commitScansText(store(), std::to_string(n));
    }
    bool average() const { return store().m_average; }
    void setAverage(bool on) {
        requireOpen();
        halden::setAverage(store(), on);
    }
    int boxcar() const { return store().m_boxcar; }
    void setBoxcar(int halfWidth) {
        requireOpen();
        if (halfWidth < 0 || halfWidth > kWidestBoxcar)
            throw py::value_error(cformat("boxcar must be a half-width from 0 to 50, not %d", halfWidth));
        commitBoxcarText(store(), std::to_string(halfWidth));
    }
    bool fast() const { return store().m_fast; }
    void setFast(bool on) {
        requireOpen();
        halden::setFast(store(), on);
    }

    py::dict trigger() const {
        const SpectrumStore& s = store();
        const char* mode = s.m_trigMode == 1 ? "external" : s.m_trigMode == 2 ? "optical" : "none";
        const char* edge = s.m_trigBothEdges ? "both" : s.m_trigFalling ? "falling" : "rising";
        const char* condition = s.m_trigOnceBelow  ? "once_below"
                                : s.m_trigOnceAbove ? "once_above"
                                : s.m_trigAbove     ? "above"
                                                    : "below";
        return py::dict("mode"_a = mode, "edge"_a = edge, "once"_a = s.m_trigOneTime, "condition"_a = condition,
                        "wavelength"_a = s.m_trigWavelength, "intensity"_a = s.m_trigIntensity);
    }

    void setTrigger(const std::string& mode, const std::string& edge, bool once, const std::string& condition,
                    double wavelength, double intensity) {
        requireOpen();
        if (!std::isfinite(wavelength) || !std::isfinite(intensity))
            throw py::value_error("wavelength and intensity must be finite numbers");
        SpectrumStore& s = store();
        TriggerFields f = triggerFromStore(s);
        f.selection = choice<TriggerSelection>(mode, "mode", {{"none", TriggerSelection::None},
                                                              {"external", TriggerSelection::External},
                                                              {"optical", TriggerSelection::Optical}});
        selectExternalEdge(f, choice<ExternalEdge>(edge, "edge", {{"rising", ExternalEdge::Rising},
                                                                   {"falling", ExternalEdge::Falling},
                                                                   {"both", ExternalEdge::Both}}));
        f.oneTime = once;
        selectOpticalCondition(f, choice<OpticalCondition>(condition, "condition",
                                                           {{"above", OpticalCondition::Above},
                                                            {"below", OpticalCondition::Below},
                                                            {"once_below", OpticalCondition::OnceBelow},
                                                            {"once_above", OpticalCondition::OnceAbove}}));
        f.wavelength = cformat("%.17g", wavelength);
        f.intensity = cformat("%.17g", intensity);
        applyTrigger(s, f);
    }

    py::dict calibration() const {
        const SpectrumStore& s = store();
        return py::dict("wavelengths"_a = readOnlyArray(s.m_wavelength.data(), kSpectrumPoints),
                        "sensitivity"_a = readOnlyArray(s.m_sensitivity.data(), kSpectrumPoints),
                        "irradiance"_a = readOnlyArray(s.m_irradianceCal.data(), kSpectrumPoints),
                        "irradiance_factor"_a = s.m_irradianceFactor, "laser_wavelength"_a = s.m_laserWavelength,
                        "irradiance_calibrated"_a = s.m_irradianceCalibrated,
                        "identification"_a = identificationText(s), "serial"_a = instrumentSerial(s),
                        "source"_a = m_calibrationSource);
    }

    // The spectrum as irradiance in uW/cm^2/nm, the values the window's
    // colour and light figures are computed from.
    Spectrum irradiance(const Spectrum& sp) const {
        const SpectrumStore& s = store();
        if (!s.m_irradianceCalibrated)
            throw Error(cformat("spectrometer %d is not irradiance-calibrated (its calibration record is not a 'Y' "
                                "instrument's)", m_index));
        const py::dict metadata = sp.metadata();
        const bool fast = metadata.contains("fast") && py::bool_(metadata["fast"]);
        const double exposureScaled = metadata.contains("exposure_scaled") ? metadata["exposure_scaled"].cast<double>() : 0;
        if (!(exposureScaled > 0))
            throw py::value_error("the spectrum's metadata names no exposure_scaled above 0: it was not acquired");
        const int step = fast ? 2 : 1;
        const std::vector<double>& x = sp.wavelengths();
        bool ours = static_cast<int>(x.size() - 1) * step < kPointCapacity;
        for (std::size_t i = 0; ours && i < x.size(); ++i) ours = x[i] == s.m_wavelength[step * i];
        if (!ours)
            throw py::value_error(cformat("the spectrum's wavelengths are not the calibration points of spectrometer %d%s",
                                          m_index, fast ? " (every second one, Fast mode)" : ""));
        std::vector<double> rows = sp.rows();
        for (int r = 0; r < sp.rowCount(); ++r)
            rowIrradiance(rows.data() + static_cast<std::size_t>(r) * x.size(), static_cast<int>(x.size()), fast,
                          s.m_irradianceCal.data(), exposureScaled);
        py::dict out = sp.metadata();
        out["units"] = "uW/cm2/nm";
        return Spectrum(x, std::move(rows), sp.rowCount(), std::move(out));
    }

    std::string serial() const { return instrumentSerial(store()); }
    std::string identification() const { return identificationText(store()); }

    std::string describe() const {
        return cformat("<halden.Spectrometer %d %s%s>", m_index, serial().empty() ? "(no calibration record)" : serial().c_str(),
                       m_closed ? ", closed" : "");
    }

private:
    SpectrumStore& store() { return *m_store; }
    const SpectrumStore& store() const { return *m_store; }

    void requireOpen() const {
        if (m_closed) throw Error(cformat("spectrometer %d is closed", m_index));
    }

    // Detection, then the calibration read with the window's completion
    // steps; the calibration file, when given, stands in for a flash that
    // holds none or cannot be read.
    void open(const std::optional<std::filesystem::path>& calibration) {
        m_store = std::make_unique<SpectrumStore>();
        commitFirstChartBarTexts(*m_store);
        m_link = std::make_unique<NotingLink>(static_cast<std::uint32_t>(m_index));
        m_pacer = std::make_unique<InterruptiblePacer>();
        m_worker = std::make_unique<CthreadMag>(nullptr, *m_link, *m_pacer);

        std::int32_t count = 0;
        std::optional<WorkerAnswer> answer;
        {
            py::gil_scoped_release unlocked;
            std::lock_guard lock(DeviceSlots::instance().operation(m_index));
            count = m_link->getDevicesCount();
            if (m_index < count) {
                WorkerRequest request;
                request.operation = Operation::ReadFlash;
                answer = m_worker->run(std::move(request));
            }
        }
        if (!answer)
            throw Error(cformat("no spectrometer at index %d: %d attached", m_index, count), kNoDeviceResult);
        if (answer->pagesRead > 0) {
            Identification record{};
            std::copy_n(answer->flash.begin(), record.size(), record.begin());
            DeviceSlots::instance().setIdentification(m_index, record);
        }

        MessagePrompt prompt;
        const CalibrationReadOutcome read = applyCalibrationRead(*m_store, prompt, answer->flash, answer->pagesRead);
        m_calibrationSource = read.state == FlashRecordState::Present ? "flash" : "none";
        if (read.state != FlashRecordState::Present && calibration) {
            if (loadCalibrationFromPath(*m_store, prompt, calibration->string()) != CalibrationLoad::Loaded)
                throw Error("the calibration file cannot be used: " + calibration->string() + ": " + prompt.lastMessage());
            m_calibrationSource = "file";
        }
        if (read.state == FlashRecordState::Unreadable && m_calibrationSource != "file")
            throw Error("the calibration could not be read from the spectrometer (it did not answer); "
                        "calibration=FILE takes the calibration from a file instead");
        for (const auto& [caption, text] : prompt.shown()) {
            // The flash's own news is no news when a file stood in for it.
            if (m_calibrationSource == "file" && (text == messages::kNoCalibration || text == messages::kFlashUnreadable))
                continue;
            warn(caption + ": " + text);
        }
        // A backup that could not be written is named, unless a message did.
        const std::string backup = backupCalibrationFileName(read.flashHeader);
        const bool named = std::any_of(prompt.shown().begin(), prompt.shown().end(),
                                       [&](const auto& shown) { return shown.second.find(backup) != std::string::npos; });
        if (read.state == FlashRecordState::Present && read.backupPath.empty() && !named)
            warn("the backup file " + backup + " of the spectrometer's calibration could not be written to the "
                 "current folder");
    }

    Spectrum acquireOne(std::optional<double> timeout, bool mainThread) {
        SpectrumStore& s = store();
        readAcquisitionSettings(s);
        const AcquisitionRequest request = makeAcquisitionRequest(s, ++m_lastRequest);
        s.m_resendParameters = false;  // the request carries it to the worker
        std::optional<InterruptiblePacer::Clock::time_point> deadline;
        if (timeout)
            deadline = InterruptiblePacer::Clock::now() +
                       std::chrono::duration_cast<InterruptiblePacer::Clock::duration>(std::chrono::duration<double>(*timeout));

        AcquisitionResult result;
        LinkFailure failure;
        bool wasClosed = false;
        {
            py::gil_scoped_release unlocked;
            std::lock_guard lock(DeviceSlots::instance().operation(m_index));
            wasClosed = m_closed;
            if (!wasClosed) {
                m_acquiring = true;
                m_pacer->watch(*m_worker, request.id, deadline, mainThread);
                result = m_worker->acquire(request);
                failure = m_link->takeFailureNote();
                m_acquiring = false;
            }
        }
        if (wasClosed) requireOpen();
        m_pacer->raisePending();  // Ctrl-C during the wait
        switch (result.status) {
        case AcquisitionStatus::Complete: break;
        case AcquisitionStatus::Interrupted:
            if (m_pacer->timedOut()) throw Error(cformat("the acquisition did not finish within %g s", *timeout));
            throw Error(m_closed ? cformat("spectrometer %d was closed during the acquisition", m_index)
                                 : std::string("the acquisition was stopped before the spectrometer was ready"));
        case AcquisitionStatus::Failed: {
            // The shown spectrum stays; the device is configured anew.
            s.m_resendParameters = true;
            const std::int32_t code = result.failure == -1 ? failure.result : result.failure;
            throw Error(!failure.text.empty() ? failure.text : "the acquisition failed: " + describeResult(code), code);
        }
        }
        return spectrumOf(result);
    }

    Spectrum spectrumOf(const AcquisitionResult& result) const {
        const AcquisitionSettings& a = result.settings;
        AcquiredSpectrum data = acquiredSpectrum(result, store().m_wavelength);
        py::dict metadata("device_index"_a = m_index, "serial"_a = a.serial, "identification"_a = a.identification,
                          "exposure_ms"_a = a.device.exposure / 100.0, "scans"_a = a.device.scans,
                          "blank_scans"_a = a.blankScans, "average"_a = a.device.average,
                          "boxcar"_a = static_cast<int>(a.conditioning.boxcar), "fast"_a = a.conditioning.fast,
                          "trigger"_a = triggerName(a.device), "time"_a = isoTime(result.completed),
                          "saturated"_a = result.saturatedPixels, "exposure_scaled"_a = a.exposureScaled,
                          "irradiance_calibrated"_a = store().m_irradianceCalibrated);
        return Spectrum(std::move(data.wavelength), std::move(data.rows), data.rowCount, std::move(metadata));
    }

    int m_index;
    std::unique_ptr<SpectrumStore> m_store;
    std::unique_ptr<NotingLink> m_link;
    std::unique_ptr<InterruptiblePacer> m_pacer;
    std::unique_ptr<CthreadMag> m_worker;
    std::string m_calibrationSource;
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_acquiring{false};
    std::atomic<std::uint64_t> m_lastRequest{0};
};

py::list devices(std::optional<bool> useVirtual) {
    chooseBackend(useVirtual, 1);
    DeviceSlots& slots = DeviceSlots::instance();
    std::vector<DeviceEntry> entries;
    std::vector<bool> inUse;
    {
        py::gil_scoped_release unlocked;
        const int count = std::min<int>(getDevicesCount(), kMaxDevices);
        const std::vector<std::string> serials = deviceSerialNumbers();
        for (int i = 0; i < count; ++i) {
            // An open spectrometer's flash is not read again: its record is
            // the one read when it was opened.
            if (slots.claimed(i)) {
                DeviceEntry entry;
                entry.index = i;
                if (i < static_cast<int>(serials.size())) entry.serialNumber = serials[i];
                const std::optional<Identification> record = slots.identification(i);
                if (record) entry.identification = *record;
                else entry.result = -1;
                entries.push_back(entry);
                inUse.push_back(true);
                continue;
            }
            std::lock_guard lock(slots.operation(i));
            entries.push_back(readDeviceEntry(i, serials));
            inUse.push_back(false);
        }
    }
    py::list out;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const DeviceEntry& d = entries[k];
        const bool read = d.result == 0;
        const py::object none = py::none();
        out.append(py::dict("index"_a = d.index,
                            "serial"_a = read && d.recordPresent() ? py::object(py::str(d.instrumentName())) : none,
                            "identification"_a = read ? py::object(py::str(printableIdentification(d.identification))) : none,
                            "usb_serial"_a = d.serialNumber.empty() ? none : py::object(py::str(d.serialNumber)),
                            "virtual"_a = d.serialNumber.empty(), "in_use"_a = static_cast<bool>(inUse[k]),
                            "result"_a = d.result));
    }
    return out;
}

}  // namespace

void registerSpectrometer(py::module_& m) {
    py::class_<Spectrometer>(m, "Spectrometer", R"doc(One spectrometer, opened by device index as the window opens it: the
spectrometer is detected and its calibration read from its flash (its backup
file, e.g. Y00123.clbr, is written to the current folder when missing).

Spectrometer(index=0, virtual=None, calibration=None)
  index        the device index, 0..9 (the order devices() lists)
  virtual      True: use the library's virtual spectrometers (at least
               index + 1 of them); False: USB; None: as VANTREL_VIRTUAL says.
               The choice holds for the whole process.
  calibration  a .clbr file to use when the flash holds no calibration or
               cannot be read

Use it in a with block, or call close(). One Spectrometer per device index
may be open in a process at a time. Settings (exposure_ms, scans, average,
boxcar, fast, set_trigger) apply to the next acquisition; they may be
changed from any thread, also while another thread acquires.

Raises halden.Error (code 501) when no spectrometer is at the index, and
halden.Error when the calibration cannot be read or the file given cannot be
used. Messages of the calibration read (no calibration record, a backup
that could not be written) are issued as warnings.
)doc")
        .def(py::init<int, std::optional<bool>, std::optional<std::filesystem::path>>(), "index"_a = 0,
             "virtual"_a = py::none(), "calibration"_a = py::none())
        .def("close", &Spectrometer::close,
             "Ends an acquisition in progress (it raises halden.Error), then frees the device index. Closing twice "
             "does nothing.")
        .def("__enter__", [](Spectrometer& s) -> Spectrometer& { return s; }, py::return_value_policy::reference)
        .def("__exit__", [](Spectrometer& s, const py::args&) { s.close(); })
        .def("acquire", &Spectrometer::acquire, "count"_a = py::none(), "timeout"_a = py::none(), R"doc(Acquires with the current settings, as the window's Run does, and returns
one Spectrum, or with count a list of count spectra.

The GIL is released while the spectrometer exposes and the frames are read,
so other threads run; Ctrl-C ends the wait. timeout (seconds) bounds each
acquisition's wait for the spectrometer (None: wait as long as it takes,
e.g. for a trigger).

The spectrum has the calibration's wavelengths (every second one in Fast
mode), one row (averaged) or one per scan, and metadata: device_index,
serial, identification, exposure_ms, scans, blank_scans, average, boxcar,
fast, trigger, time (ISO 8601, UTC), saturated (active pixels at full
scale), exposure_scaled and irradiance_calibrated.

Raises halden.Error when the spectrometer fails (code: the library's
result; the next acquisition configures it anew), when stop() or close()
ended the wait, or when timeout passed.
)doc")
        .def("stop", &Spectrometer::stop,
             "Ends the wait of the acquisition in progress, from any thread; that acquire() raises halden.Error.")
        .def_property("exposure_ms", &Spectrometer::exposureMs, &Spectrometer::setExposureMs,
                      "Exposure in milliseconds, 0..300000, held in steps of 0.01 ms (0 is sent as 0.01).")
        .def_property("scans", &Spectrometer::scans, &Spectrometer::setScans, "Scans per acquisition, 1..64.")
        .def_property("average", &Spectrometer::average, &Spectrometer::setAverage,
                      "True: the scans are averaged into one row; False: one row per scan.")
        .def_property("boxcar", &Spectrometer::boxcar, &Spectrometer::setBoxcar,
                      "Boxcar smoothing half-width in points, 0..50 (0: off).")
        .def_property("fast", &Spectrometer::fast, &Spectrometer::setFast,
                      "Half resolution: point i is detector point 2i, at its own wavelength.")
        .def_property_readonly("trigger", &Spectrometer::trigger, "The trigger settings as a dict (see set_trigger).")
        .def("set_trigger", &Spectrometer::setTrigger, "mode"_a = "none", py::kw_only(), "edge"_a = "rising",
             "once"_a = false, "condition"_a = "below", "wavelength"_a = 500.0, "intensity"_a = 2000.0, R"doc(Sets the trigger as the Trigger dialog does.

mode       'none', 'external' or 'optical'
edge       external: 'rising', 'falling' or 'both'
once       external: fire once, then run free
condition  optical: 'above', 'below', 'once_below' or 'once_above' the
           intensity at the wavelength (nm) nearest the calibration's point
)doc")
        .def("irradiance", &Spectrometer::irradiance, "spectrum"_a, R"doc(The spectrum as irradiance in uW/cm2/nm: each value times the irradiance
factor of its point, divided by the exposure scale it was acquired with.
These are the values the window's colour and light figures are computed
from: halden.colour(s.irradiance(sp), units='uW/cm2/nm') gives them,
absolute figures included. metadata gains 'units': 'uW/cm2/nm'.

Raises ValueError for a spectrum this spectrometer did not acquire (other
wavelengths, no exposure_scaled) and halden.Error when the spectrometer is
not irradiance-calibrated.
)doc")
        .def_property_readonly("calibration", &Spectrometer::calibration, R"doc(The calibration in use, a dict: wavelengths (nm), sensitivity and
irradiance (the irradiance factors), read-only float64 arrays of the 3653
points; irradiance_factor, laser_wavelength (nm), irradiance_calibrated,
identification, serial, and source ('flash', 'file' or 'none').
)doc")
        .def_property_readonly("index", &Spectrometer::index, "The device index.")
        .def_property_readonly("serial", &Spectrometer::serial,
                               "The instrument's name from its calibration record (e.g. 'Y00123'), '' without one.")
        .def_property_readonly("identification", &Spectrometer::identification,
                               "The 16-byte identification record of the calibration, printable.")
        .def_property_readonly("closed", &Spectrometer::closed, "True once closed.")
        .def_property_readonly("acquiring", &Spectrometer::acquiring,
                               "True while an acquisition runs (in any thread).")
        .def("__repr__", &Spectrometer::describe);

    m.def("devices", &devices, "virtual"_a = py::none(), R"doc(The attached spectrometers, one dict per device index: index, serial (the
instrument's name from its identification record, None without one),
identification (the 16-byte record, printable; None when it could not be
read), usb_serial (None for a virtual spectrometer), virtual, in_use (open
by a Spectrometer of this process) and result (the library's result of
reading the record, 0 when read).

virtual: as for Spectrometer.
)doc");
}

}  // namespace halden::python
