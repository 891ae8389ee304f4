#include "acquisition/CalibrationRead.h"

#include <QDir>
#include <QFileInfo>

#include "acquisition/FlashCalibration.h"
#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/CalibrationFile.h"

namespace halden {
namespace {
// Byte 5 of the identification record is '.' when a record is present.
constexpr std::size_t kRecordMarkOffset = 5;
constexpr std::uint8_t kRecordMark = '.';
// Byte 10 is 'Y' for an irradiance-calibrated instrument.
constexpr std::size_t kIrradianceMarkOffset = 10;
}  // namespace

CalibrationReadOutcome applyCalibrationRead(SpectrumStore& s, Prompt& prompt, const std::vector<std::uint8_t>& flash,
                                            std::size_t pagesRead)
{
    CalibrationReadOutcome out;
    // "No record" only when the first page arrived and says so, or the
    // record ended before the page that failed; otherwise the flash could
    // not be read, which is not the instrument's fault.
    const bool headerSaysRecord =
        pagesRead > 0 && flash.size() > kRecordMarkOffset && flash[kRecordMarkOffset] == kRecordMark;
    const bool applied = applyFlashRecord(s, flash.data(), flash.size());
    const bool unreadable = !applied && pagesRead < kFlashPages && (pagesRead == 0 || headerSaysRecord);
    out.recordPresent = s.m_calibrationHeader[kRecordMarkOffset] == kRecordMark;
    if (out.recordPresent) {
        out.state = FlashRecordState::Present;
        out.flashHeader = s.m_calibrationHeader;
        s.m_irradianceFactor = s.m_recordIrradianceFactor;
        orderCalibrationAscending(s);
        saveCalibrationBackupIfMissing(s, prompt);
        const QString backup =
            QDir::current().absoluteFilePath(QString::fromStdString(backupCalibrationFileName(out.flashHeader)));
        if (QFileInfo(backup).isFile()) out.backupPath = backup.toStdString();
    } else if (unreadable) {
        // Not the instrument's fault: say that the reading failed.
        out.state = FlashRecordState::Unreadable;
        prompt.showMessage(messages::kFlashUnreadable, messages::kCaptionWarning);
        loadCalibrationFile(s, prompt);
    } else {
        out.state = FlashRecordState::NoRecord;
        prompt.showMessage(messages::kNoCalibration, messages::kCaptionWarning);
        loadCalibrationFile(s, prompt);
    }
    s.m_chartBar.runEnabled = true;
    if (s.m_calibrationHeader[kIrradianceMarkOffset] == 'Y') {
        s.m_chartBar.chromaticityEnabled = true;
        s.m_irradianceCalibrated = true;
    } else {
        s.m_irradianceCalibrated = false;
        for (int i = 0; i < kSpectrumPoints; ++i) s.m_irradianceCal[i] = 1.0;
    }
    return out;
}

}  // namespace halden
