// The view's non-widget half, shared by the window and the CLI: owns the
// spectrum store and the acquisition worker with its thread, handles the
// worker's completions (device detection, calibration read, acquisitions,
// flash writes) and runs the commands that drive the worker. Every message
// goes through the Prompt. Lives on the user-interface thread, which is the
// store's only writer: the worker gets requests as values and its results
// are published into the store here.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QTimer>

#include "acquisition/AcquisitionEvents.h"
#include "acquisition/CalibrationRead.h"
#include "acquisition/CthreadMag.h"
#include "acquisition/Pacer.h"
#include "acquisition/SpectrometerLink.h"
#include "colour/PaintFigures.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoreCommands.h"

class QThread;

namespace halden {

class Prompt;

class Session : public QObject {
    Q_OBJECT
public:
    // The library on device index 0 with real pauses.
    explicit Session(Prompt& prompt, QObject* parent = nullptr);
    // For tests: another binding and pacer (both must outlive the session).
    Session(Prompt& prompt, SpectrometerLink& link, Pacer& pacer, QObject* parent = nullptr);
    ~Session() override;

    SpectrumStore& store() { return *m_store; }
    const SpectrumStore& store() const { return *m_store; }
    CthreadMag& worker() { return *m_worker; }
    Prompt& prompt() { return m_prompt; }

    // "Choose connected spectrometer" (32803): refused with "Stop
    // Acquisition first" while running; otherwise m_deviceCount = 0 and
    // device detection (Operation::Detect) is posted, returning true. The window
    // runs it once at start-up.
    bool chooseSpectrometer();

    // Builds the request from the store's settings and posts
    // Operation::Acquire. While an acquisition is in flight nothing happens:
    // its completion starts the next one when running, so only one is ever
    // in flight.
    void startAcquisition();

    // "Run" (1035) checked or unchecked. Either way a status wait in flight
    // ends: its acquisition comes back interrupted and shows nothing.
    void setRun(bool checked);

    // Carries out what a store command asks for: timers, acquisition, the
    // derived view state and the figures, repaint. (Timer 1's tick, periodic
    // saving, is connected by the window.)
    void applyEffects(const CommandEffects& effects);

    // Brings the derived view state (live curves, background capture, auto
    // Y, maximum marker) and the overlays' figures up to date with the
    // store; run after every change, before the next paint.
    void settle();
    // The overlays' figures as of the last settle().
    const PaintFigures& figures() const { return m_figures; }

    // "Save current calibration to FLASH memory" (32816): refuses unless the
    // flash was read and its record (if any) has a backup file; asks, posts
    // Operation::WriteFlash and runs the event loop until the worker has finished.
    // Returns true when the flash was written and read back the same.
    bool saveCalibrationToFlash();

    FlashRecordState flashRecordState() const { return m_flashRecordState; }
    // Absolute path of the backup of the record read from flash; empty when
    // there is no record or the backup could not be written.
    const std::string& calibrationBackupPath() const { return m_backupPath; }

    // Stores the operation code and posts the request to the worker.
    void post(Operation operation);
    void post(WorkerRequest request);

    bool acquisitionInFlight() const { return m_acquisitionsInFlight > 0; }
    QTimer& progressTimer() { return m_progressTimer; }      // timer 2
    QTimer& periodicSaveTimer() { return m_periodicSaveTimer; }  // timer 1

    // The "x-scale in 1/cm" command (32806), run after a Raman instrument's
    // calibration is read; the window installs it. When unset the session
    // only asks for a repaint.
    std::function<void()> switchToWavenumberAxis;

signals:
    void repaintRequested();
    void detectionCompleted(int deviceCount);
    // recordPresent: the flash held a calibration record.
    void calibrationCompleted(bool recordPresent);
    // An acquisition ended: published (deviceFailed false), or the device
    // failed and will be configured anew (true; failedCommand names the set
    // command that failed, if one did).
    void acquisitionCompleted(bool deviceFailed);
    void acquisitionFailed(const QString& failedCommand);
    // Run stopped an acquisition before the device was ready: nothing shown.
    void acquisitionInterrupted();
    void flashWriteCompleted(halden::OperationOutcome outcome);
    // Several status requests in a row went unanswered; the worker keeps
    // asking.
    void deviceSilent();
    void progressChanged(int percent);

protected:
    bool event(QEvent* event) override;

private:
    void start(SpectrometerLink& link, Pacer& pacer);
    void handleCompletion(CompletionEvent& completion);
    void completeAcquisition(const AcquisitionResult& result);
    void completeCalibrationRead(const WorkerAnswer& answer);
    // The message for a flash write that did not succeed.
    std::string flashFailureText(OperationOutcome outcome) const;
    void onProgressTimer();

    Prompt& m_prompt;
    std::unique_ptr<SpectrumStore> m_store;
    std::unique_ptr<SpectrometerLink> m_ownLink;
    std::unique_ptr<Pacer> m_ownPacer;
    std::unique_ptr<CthreadMag> m_worker;
    QThread* m_thread = nullptr;
    int m_acquisitionsInFlight = 0;
    std::uint64_t m_lastRequestId = 0;
    bool m_runningSeen = false;  // m_running as the last applyEffects saw it
    PaintFigures m_figures;
    OperationOutcome m_flashOutcome = OperationOutcome::Done;
    FlashRecordState m_flashRecordState = FlashRecordState::NotRead;
    std::string m_backupPath;
    std::array<char, 16> m_flashHeader{};  // identification record last read from flash
    QTimer m_progressTimer;
    QTimer m_periodicSaveTimer;
};

}  // namespace halden
