#include "files/PeriodicSave.h"

#include <cstdio>

#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/SaveNames.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

std::string periodicFileName(const std::string& base, PeriodicFileKind kind, int counter) {
    const char* format = "_S1_%d_.txt";
    switch (kind) {
    case PeriodicFileKind::Spectrum: format = "_S1_%d_.txt"; break;
    case PeriodicFileKind::Screen: format = "_S2_%d_.bmp"; break;
    case PeriodicFileKind::OneNm: format = "_S3_%d_.txt"; break;
    case PeriodicFileKind::Normalized: format = "_S4_%d_.txt"; break;
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, format, counter);
    return base + suffix;
}

std::vector<PeriodicFile> PeriodicSave::start() {
    prompt_.showMessage(messages::kSaveFirstSpectra, messages::kCaptionInformation);
    store_.m_periodicSave = true;
    return tick();
}

void PeriodicSave::stop() { store_.m_periodicSave = false; }

void PeriodicSave::stopWithAcquisition() {
    if (!store_.m_periodicSave) return;
    store_.m_periodicSave = false;
    store_.m_saveCounter = 0;
}

std::vector<PeriodicFile> PeriodicSave::tick() {
    std::vector<PeriodicFile> files;
    if (!store_.m_periodicSave) return files;
    if (store_.m_saveCounter <= 0) {
        const auto chosen = prompt_.chooseSaveFile();
        if (!chosen) {
            store_.m_periodicSave = false;
            store_.m_saveCounter = 0;
            return files;
        }
        recordSaveDirectory();
        store_.m_saveBaseName = *chosen;
        store_.m_saveCounter = 1;
        return files;
    }
    if (!store_.m_running) return files;
    const int n = store_.m_saveCounter;
    const std::string& base = store_.m_saveBaseName;
    if (store_.m_saveTxt) files.push_back({PeriodicFileKind::Spectrum, periodicFileName(base, PeriodicFileKind::Spectrum, n)});
    if (store_.m_saveBmp) files.push_back({PeriodicFileKind::Screen, periodicFileName(base, PeriodicFileKind::Screen, n)});
    if (store_.m_save1nm) files.push_back({PeriodicFileKind::OneNm, periodicFileName(base, PeriodicFileKind::OneNm, n)});
    if (store_.m_saveNormalized)
        files.push_back({PeriodicFileKind::Normalized, periodicFileName(base, PeriodicFileKind::Normalized, n)});
    // The counter wraps to 1 rather than overflowing after 2^31 ticks.
    store_.m_saveCounter = (n == 0x7FFFFFFF) ? 1 : n + 1;
    return files;
}

bool PeriodicSave::timerShouldRun() const { return store_.m_periodicSave && store_.m_saveCounter >= 1; }

}  // namespace halden
