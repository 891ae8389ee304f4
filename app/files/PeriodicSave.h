// Periodic saving ("Save data every"): its three states live in the store,
// off (m_periodicSave false), naming (on, m_saveCounter 0) and running (on,
// counter >= 1, timer 1 active). The owner of timer 1 runs the timer exactly
// while m_periodicSave is true, and calls tick() on every timeout.
#pragma once

#include <string>
#include <vector>

namespace halden {

class Prompt;
struct SpectrumStore;

enum class PeriodicFileKind {
    Spectrum,    // "_S1_%d_.txt", spectrum file (+ report)
    Screen,      // "_S2_%d_.bmp", screen image
    OneNm,       // "_S3_%d_.txt", 1 nm file (+ report)
    Normalized,  // "_S4_%d_.txt", the normalised irradiance file
};

struct PeriodicFile {
    PeriodicFileKind kind;
    std::string path;
};

// The name of one periodic file: base + "_S<k>_<n>_.txt" (".bmp" for the screen).
std::string periodicFileName(const std::string& base, PeriodicFileKind kind, int counter);

class PeriodicSave {
public:
    PeriodicSave(SpectrumStore& store, Prompt& prompt) : m_store(store), m_prompt(prompt) {}

    // Settings closed with "Save data every" checked: "Save First Spectra"
    // (caption "Information"), saving on, then one tick at once (with the
    // counter at 0 the naming step). Returns that tick's files; the timer is
    // started only when m_periodicSave is still true afterwards.
    std::vector<PeriodicFile> start();

    // Settings opened, or closed with the box unchecked, or "Save spectra,
    // txt": saving off; counter and base name kept.
    void stop();

    // A running acquisition stopped: when saving was on it goes off and the
    // counter returns to 0 (the next start names again).
    void stopWithAcquisition();

    // Naming step (counter 0): the save dialog; OK keeps the path exactly as
    // returned as the base name and sets the counter to 1 (when the first
    // files of that base exist, only after the user agreed to replace them;
    // otherwise the dialog comes again); Cancel turns saving off. Otherwise, while m_running, the enabled files of this counter value
    // in the order S1, S2, S3, S4, then the counter moves on; not running:
    // nothing. Off: nothing.
    std::vector<PeriodicFile> tick();

    bool timerShouldRun() const;

private:
    // The first file numbered 1 of an enabled kind that exists, or empty.
    std::string firstExistingFile(const std::string& base) const;

    SpectrumStore& m_store;
    Prompt& m_prompt;
};

}  // namespace halden
