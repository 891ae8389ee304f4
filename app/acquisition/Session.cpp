#include "acquisition/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/CalibrationFile.h"
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
    m_worker = std::make_unique<CthreadMag>(*m_store, this, link, pacer);
    m_thread = new QThread(this);
    m_worker->moveToThread(m_thread);
    m_thread->start(QThread::HighPriority);
    m_progressTimer.setInterval(kProgressPeriodMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &Session::onProgressTimer);
}

Session::~Session()
{
    // The worker finishes the operation it is in (a trigger wait ends at
    // once), then its thread stops; requests still queued are dropped.
    m_worker->requestStop();
    m_thread->quit();
    m_thread->wait();
    m_worker.reset();
}

void Session::post(Operation operation)
{
    m_store->m_operation = operation;
    QCoreApplication::postEvent(m_worker.get(), new RequestEvent(operation));
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
    readAcquisitionSettings(*m_store);
    ++m_acquisitionsInFlight;
    post(Operation::Acquire);
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
    if (effects.startAcquisition) startAcquisition();
    if (effects.repaint) emit repaintRequested();
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
        }
        break;
    }
    if (refusal) {
        m_prompt.showMessage(refusal, messages::kCaptionError);
        return false;
    }
    if (!m_prompt.askOkCancel(messages::kFlashWait, messages::kCaptionInformation)) return false;
    s.m_flashBusy = true;
    bool finished = false;
    QEventLoop loop;
    const auto connection = connect(this, &Session::flashWriteCompleted, &loop, [&] {
        finished = true;
        loop.quit();
    });
    post(Operation::WriteFlash);
    // The interface stays responsive while the worker erases and writes;
    // the worker clears m_flashBusy before it posts the completion.
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
    if (event->type() == kDeviceSilentEventType) {
        emit deviceSilent();
        return true;
    }
    if (event->type() != kCompletionEventType) return QObject::event(event);
    const auto* completion = dynamic_cast<CompletionEvent*>(event);
    if (completion) handleCompletion(*completion);
    return true;
}

void Session::handleCompletion(const CompletionEvent& completion)
{
    SpectrumStore& s = *m_store;
    const Operation operation = completion.operation();
    // The worker leaves m_operation alone; after an acquisition it names no
    // operation.
    s.m_operation = operation == Operation::Acquire ? Operation::None : operation;
    switch (operation) {
    case Operation::Detect:
        emit detectionCompleted(s.m_deviceCount);
        if (s.m_deviceCount != 0)
            post(Operation::ReadFlash);
        else
            m_prompt.showMessage(messages::kNoDevice, messages::kCaptionError);
        break;
    case Operation::ReadFlash:
        completeCalibrationRead(completion.outcome());
        break;
    case Operation::Acquire:
        if (m_acquisitionsInFlight > 0) --m_acquisitionsInFlight;
        emit acquisitionCompleted(completion.outcome() == OperationOutcome::DeviceFailed);
        break;
    case Operation::WriteFlash:
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

void Session::completeCalibrationRead(OperationOutcome outcome)
{
    SpectrumStore& s = *m_store;
    const bool recordPresent = s.m_calibrationHeader[5] == '.';
    m_backupPath.clear();
    if (recordPresent) {
        m_flashRecordState = FlashRecordState::Present;
        m_flashHeader = s.m_calibrationHeader;
        s.m_irradianceFactor = s.m_recordIrradianceFactor;
        orderCalibrationAscending(s);
        saveCalibrationBackupIfMissing(s, m_prompt);
        const QString backup =
            QDir::current().absoluteFilePath(QString::fromStdString(backupCalibrationFileName(m_flashHeader)));
        if (QFileInfo(backup).isFile()) m_backupPath = backup.toStdString();
    } else if (outcome == OperationOutcome::FlashUnreadable) {
        // Not the instrument's fault: say that the reading failed.
        m_flashRecordState = FlashRecordState::Unreadable;
        m_prompt.showMessage(messages::kFlashUnreadable, messages::kCaptionWarning);
        loadCalibrationFile(s, m_prompt);
    } else {
        m_flashRecordState = FlashRecordState::NoRecord;
        m_prompt.showMessage(messages::kNoCalibration, messages::kCaptionWarning);
        loadCalibrationFile(s, m_prompt);
    }
    s.m_chartBar.runEnabled = true;
    if (s.m_calibrationHeader[10] == 'Y') {
        s.m_chartBar.chromaticityEnabled = true;
        s.m_irradianceCalibrated = true;
    } else {
        s.m_irradianceCalibrated = false;
        for (int i = 0; i < kSpectrumPoints; ++i) s.m_irradianceCal[i] = 1.0;
    }
    showFullXRange(s);
    s.m_markerIndex = kInitialMarkerIndex;
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
