#include "files/PeriodicSave.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

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

std::string PeriodicSave::firstExistingFile(const std::string& base) const {
    const bool enabled[] = {m_store.m_saveTxt, m_store.m_saveBmp, m_store.m_save1nm, m_store.m_saveNormalized};
    const PeriodicFileKind kinds[] = {PeriodicFileKind::Spectrum, PeriodicFileKind::Screen, PeriodicFileKind::OneNm,
                                      PeriodicFileKind::Normalized};
    for (int k = 0; k < 4; ++k) {
        if (!enabled[k]) continue;
        const std::string name = periodicFileName(base, kinds[k], 1);
        std::error_code ec;
        if (std::filesystem::is_regular_file(name, ec)) return name;
    }
    return {};
}

std::vector<PeriodicFile> PeriodicSave::start() {
    m_prompt.showMessage(messages::kSaveFirstSpectra, messages::kCaptionInformation);
    m_store.m_periodicSave = true;
    return tick();
}

void PeriodicSave::stop() { m_store.m_periodicSave = false; }

void PeriodicSave::stopWithAcquisition() {
    if (!m_store.m_periodicSave) return;
    m_store.m_periodicSave = false;
    m_store.m_saveCounter = 0;
}

std::vector<PeriodicFile> PeriodicSave::tick() {
    std::vector<PeriodicFile> files;
    if (!m_store.m_periodicSave) return files;
    if (m_store.m_saveCounter <= 0) {
        for (;;) {
            const auto chosen = m_prompt.chooseSaveFile();
            if (!chosen) {
                m_store.m_periodicSave = false;
                m_store.m_saveCounter = 0;
                return files;
            }
            recordSaveDirectory();
            // The numbering starts at 1: files of this base from an earlier
            // run would be replaced one by one, so the user is asked once.
            // Cancel goes back to the dialog.
            if (const std::string first = firstExistingFile(*chosen);
                !first.empty() && !m_prompt.askOkCancel(first + messages::kReplacePeriodicFiles, messages::kCaptionRequest))
                continue;
            m_store.m_saveBaseName = *chosen;
            m_store.m_saveCounter = 1;
            return files;
        }
    }
    if (!m_store.m_running) return files;
    const int n = m_store.m_saveCounter;
    const std::string& base = m_store.m_saveBaseName;
    if (m_store.m_saveTxt) files.push_back({PeriodicFileKind::Spectrum, periodicFileName(base, PeriodicFileKind::Spectrum, n)});
    if (m_store.m_saveBmp) files.push_back({PeriodicFileKind::Screen, periodicFileName(base, PeriodicFileKind::Screen, n)});
    if (m_store.m_save1nm) files.push_back({PeriodicFileKind::OneNm, periodicFileName(base, PeriodicFileKind::OneNm, n)});
    if (m_store.m_saveNormalized)
        files.push_back({PeriodicFileKind::Normalized, periodicFileName(base, PeriodicFileKind::Normalized, n)});
    // The counter wraps to 1 rather than overflowing after 2^31 ticks.
    m_store.m_saveCounter = (n == 0x7FFFFFFF) ? 1 : n + 1;
    return files;
}

bool PeriodicSave::timerShouldRun() const { return m_store.m_periodicSave && m_store.m_saveCounter >= 1; }

}  // namespace halden
