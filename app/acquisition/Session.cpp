#include "acquisition/Session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include "acquisition/FlashCalibration.h"
#include "common/EventHandoff.h"
#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/CalibrationFile.h"
#include "spectrum/AcquisitionExchange.h"
#include "spectrum/LiveView.h"
#include "spectrum/StoreCommands.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {
namespace {
constexpr int kProgressPeriodMs = 100;
constexpr int kInitialMarkerIndex = 1825;
}  // namespace

Session::Session(Prompt& prompt, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_store(std::make_unique<SpectrumStore>())
{
    m_ownLink = std::make_unique<LibraryLink>();
    m_ownPacer = std::make_unique<SleepingPacer>();
    start(*m_ownLink, *m_ownPacer);
}

Session::Session(Prompt& prompt, SpectrometerLink& link, Pacer& pacer, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_store(std::make_unique<SpectrumStore>())
{
    start(link, pacer);
}

void Session::start(SpectrometerLink& link, Pacer& pacer)
{
    commitFirstChartBarTexts(*m_store);

    m_worker = std::make_unique<CthreadMag>(this, link, pacer);
    m_thread = new QThread(this);
    announceThreadEnd(*m_thread);
    m_worker->moveToThread(m_thread);
    m_thread->start(QThread::HighPriority);
    m_progressTimer.setInterval(kProgressPeriodMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &Session::onProgressTimer);
    settle();
}

Session::~Session()
{
    // The worker finishes the operation it is in (a trigger wait ends at
    // once), then its thread stops; requests still queued are dropped.
    m_worker->requestStop();
    m_thread->quit();
    joinThread(*m_thread);
    m_worker.reset();
}

void Session::post(Operation operation)
{
    WorkerRequest request;
    request.operation = operation;
    post(std::move(request));
}

void Session::post(WorkerRequest request)
{
    m_store->m_operation = request.operation;
    postHandedOff(m_worker.get(), new RequestEvent(std::move(request)));
}

bool Session::chooseSpectrometer()
{
    if (m_store->m_running) {
        m_prompt.showMessage(messages::kStopAcquisitionFirst, messages::kCaptionMessage);
        return false;
    }
    m_store->m_deviceCount = 0;
    post(Operation::Detect);
    return true;
}

void Session::startAcquisition()
{
    // While one is in flight the worker reads the settings: its completion
    // starts the next acquisition, which reads the chart bar then.
    if (m_acquisitionsInFlight > 0) return;
    SpectrumStore& s = *m_store;
    readAcquisitionSettings(s);
    WorkerRequest request;
    request.operation = Operation::Acquire;
    request.acquisition = makeAcquisitionRequest(s, ++m_lastRequestId);
    s.m_resendParameters = false;  // the request carries it to the worker
    ++m_acquisitionsInFlight;
    post(std::move(request));
}

void Session::setRun(bool checked)
{
    SpectrumStore& s = *m_store;
    s.m_chartBar.runChecked = checked;
    applyEffects(halden::setRun(s, checked));
}

void Session::applyEffects(const CommandEffects& effects)
{
    if (effects.stopSaveTimer) m_periodicSaveTimer.stop();
    if (effects.stopProgressTimer) m_progressTimer.stop();
    if (effects.startProgressTimer) m_progressTimer.start();
    if (effects.startSaveTimer) m_periodicSaveTimer.start(effects.saveTimerMs);
    // Run, either way, ends the wait of the acquisition in flight; so does
    // any command that stopped acquiring (a dialog, a calibration): a
    // stopped window waits for no trigger.
    const bool stopped = m_runningSeen && !m_store->m_running;
    m_runningSeen = m_store->m_running;
    if (effects.endAcquisitionWait || stopped) m_worker->cancelThrough(m_lastRequestId);
    if (effects.startAcquisition) startAcquisition();
    settle();
    if (effects.repaint) emit repaintRequested();
}

void Session::settle()
{
    settleView(*m_store);
    m_figures = computePaintFigures(*m_store);
}

bool Session::saveCalibrationToFlash()
{
    SpectrumStore& s = *m_store;
    if (s.m_flashBusy) {
        m_prompt.showMessage(messages::kFlashInProcess, messages::kCaptionRequest);
        return false;
    }
    // Writing starts with an erase: the record in the spectrometer must be
    // known and kept in its backup file first.
    const char* refusal = nullptr;
    std::string missing;
    switch (m_flashRecordState) {
    case FlashRecordState::NotRead: refusal = messages::kFlashNotReadYet; break;
    case FlashRecordState::Unreadable: refusal = messages::kFlashBackupUnknown; break;
    case FlashRecordState::NoRecord: break;
    case FlashRecordState::Present:
        if (m_backupPath.empty() || !QFileInfo(QString::fromStdString(m_backupPath)).isFile()) {
            missing = messages::kFlashBackupMissing +
                      (m_backupPath.empty() ? backupCalibrationFileName(m_flashHeader) : m_backupPath);
            refusal = missing.c_str();
        } else if (const std::string problem = calibrationBackupProblem(m_backupPath, m_flashHeader);
                   !problem.empty()) {
            // The backup is what the message after a failed write tells the
            // user to write back: it must load, and be this instrument's.
            missing = messages::kFlashBackupUnusable + m_backupPath + ". " + problem;
            refusal = missing.c_str();
        }
        break;
    }
    if (refusal) {
        m_prompt.showMessage(refusal, messages::kCaptionError);
        return false;
    }
    if (!m_prompt.askOkCancel(messages::kFlashWait, messages::kCaptionInformation)) return false;
    // The record is built here, from the store; the worker only writes it.
    WorkerRequest request;
    request.operation = Operation::WriteFlash;
    request.flashRecord.resize(kCalibrationTextLimit);
    request.flashRecord.resize(buildFlashRecord(s, request.flashRecord.data(), request.flashRecord.size()));
    s.m_flashBusy = true;
    bool finished = false;
    QEventLoop loop;
    const auto connection = connect(this, &Session::flashWriteCompleted, &loop, [&] {
        finished = true;
        loop.quit();
    });
    post(std::move(request));
    // The interface stays responsive while the worker erases and writes;
    // the completion clears m_flashBusy.
    if (!finished) loop.exec();
    disconnect(connection);
    switch (m_flashOutcome) {
    case OperationOutcome::Done:
        m_prompt.showMessage(messages::kFlashUpdated, messages::kCaptionInformation);
        return true;
    case OperationOutcome::RecordTooLong:
        m_prompt.showMessage(messages::kFlashTooLong, messages::kCaptionError);
        return false;
    default:
        m_prompt.showMessage(flashFailureText(m_flashOutcome), messages::kCaptionError);
        return false;
    }
}

std::string Session::flashFailureText(OperationOutcome outcome) const
{
    if (outcome != OperationOutcome::FlashErased) return messages::kFlashFailed;
    if (m_flashRecordState == FlashRecordState::NoRecord) return messages::kFlashErasedNoRecord;
    return messages::kFlashErased + m_backupPath + ".";
}

bool Session::event(QEvent* event)
{
    takeOver(event);
    if (event->type() == kDeviceSilentEventType) {
        emit deviceSilent();
        return true;
    }
    if (event->type() != kCompletionEventType) return QObject::event(event);
    if (auto* completion = dynamic_cast<CompletionEvent*>(event)) handleCompletion(*completion);
    return true;
}

void Session::completeAcquisition(const AcquisitionResult& result)
{
    SpectrumStore& s = *m_store;
    if (m_acquisitionsInFlight > 0) --m_acquisitionsInFlight;
    switch (result.status) {
    case AcquisitionStatus::Complete:
        publishAcquisition(s, result);
        settle();
        emit acquisitionCompleted(false);
        break;
    case AcquisitionStatus::Interrupted:
        emit acquisitionInterrupted();
        break;
    case AcquisitionStatus::Failed:
        // The shown spectrum stays; the device is configured anew.
        s.m_resendParameters = true;
        emit acquisitionFailed(QString::fromStdString(result.failedCommand));
        emit acquisitionCompleted(true);
        break;
    }
}

void Session::handleCompletion(CompletionEvent& completion)
{
    SpectrumStore& s = *m_store;
    const WorkerAnswer& answer = completion.answer();
    const Operation operation = completion.operation();
    // After an acquisition m_operation names no operation.
    s.m_operation = operation == Operation::Acquire ? Operation::None : operation;
    switch (operation) {
    case Operation::Detect:
        s.m_deviceCount = answer.deviceCount;
        emit detectionCompleted(s.m_deviceCount);
        if (s.m_deviceCount != 0)
            post(Operation::ReadFlash);
        else
            m_prompt.showMessage(messages::kNoDevice, messages::kCaptionError);
        break;
    case Operation::ReadFlash:
        completeCalibrationRead(answer);
        break;
    case Operation::Acquire:
        completeAcquisition(answer.acquisition);
        break;
    case Operation::WriteFlash:
        s.m_flashBusy = false;
        m_flashOutcome = completion.outcome();
        emit flashWriteCompleted(completion.outcome());
        break;
    default: break;
    }
    if (s.m_running) {
        startAcquisition();
        emit repaintRequested();
    }
}

void Session::completeCalibrationRead(const WorkerAnswer& answer)
{
    SpectrumStore& s = *m_store;
    const CalibrationReadOutcome read = applyCalibrationRead(s, m_prompt, answer.flash, answer.pagesRead);
    const bool recordPresent = read.recordPresent;
    m_flashRecordState = read.state;
    m_backupPath = read.backupPath;
    if (recordPresent) m_flashHeader = read.flashHeader;
    showFullXRange(s);
    s.m_markerIndex = kInitialMarkerIndex;
    settle();
    if (s.m_calibrationHeader[0] == 'R') {
        s.m_autoY = true;
        s.m_chartBar.autoYChecked = true;
        if (switchToWavenumberAxis)
            switchToWavenumberAxis();
        else
            emit repaintRequested();
    } else {
        emit repaintRequested();
    }
    emit calibrationCompleted(recordPresent);
}

void Session::onProgressTimer()
{
    progressTick(*m_store);
    emit progressChanged(m_store->m_chartBar.progress);
}

}  // namespace halden

#include "moc_Session.cpp"
