#include "window/CommandIcons.h"

#include <QtGlobal>
#include <array>

// The icons live in a static library: their resource must be registered by
// hand, once, before the first lookup.
static void registerIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

namespace halden {
namespace {

struct IconEntry {
    int command;
    const char* themeName;  // nullptr: no standard icon fits
    const char* file;       // under :/icons/
};

constexpr std::array kIcons{
    IconEntry{32780, "document-save", "save-txt.svg"},     // Save txt (toolbar)
    IconEntry{32785, "document-save", "save-txt.svg"},     // "&Save spectra, txt"
    IconEntry{32815, nullptr, "save-bmp.svg"},             // Save bmp (toolbar)
    IconEntry{32817, nullptr, "save-bmp.svg"},             // "Save screen, bmp"
    IconEntry{32799, "document-open", "open.svg"},         // Load spectra
    IconEntry{57601, "document-open", "open.svg"},         // "&Open..."
    IconEntry{57634, "edit-copy", "copy.svg"},             // Copy
    IconEntry{57607, "document-print", "print.svg"},       // Print
    IconEntry{32803, nullptr, "spectrometer.svg"},         // Choose spectrometer
    IconEntry{32771, nullptr, "settings.svg"},             // settings
    IconEntry{32822, nullptr, "trigger.svg"},              // Triggering settings
    IconEntry{32789, nullptr, "x-autoscale.svg"},          // x autoscale
    IconEntry{32790, nullptr, "y-autoscale.svg"},          // y autoscale
    IconEntry{32792, "zoom-fit-best", "xy-autoscale.svg"}, // x and y autoscales
    IconEntry{32794, nullptr, "set-scale.svg"},            // set scale
    IconEntry{32796, nullptr, "source-get.svg"},           // Get source spectra
    IconEntry{32798, nullptr, "source-load.svg"},          // Load source spectra
    IconEntry{32805, nullptr, "baseline.svg"},             // Baseline correction
    IconEntry{32819, nullptr, "snapshot.svg"},             // Snapshot
    IconEntry{32820, nullptr, "clear-all.svg"},            // Clear all
    IconEntry{32823, nullptr, "search.svg"},               // Search
    IconEntry{32828, nullptr, "calibration.svg"},          // Calibration
    IconEntry{32802, nullptr, "about.svg"},                // About
};

const IconEntry* findEntry(int command)
{
    for (const IconEntry& e : kIcons)
        if (e.command == command) return &e;
    return nullptr;
}

}  // namespace

QString commandIconFile(int commandId)
{
    const IconEntry* e = findEntry(commandId);
    return e ? QStringLiteral(":/icons/") + QLatin1String(e->file) : QString();
}

QString commandThemeIconName(int commandId)
{
    const IconEntry* e = findEntry(commandId);
    return e && e->themeName ? QString::fromLatin1(e->themeName) : QString();
}

QIcon commandIcon(int commandId)
{
    registerIconResources();
    const QString file = commandIconFile(commandId);
    if (file.isEmpty()) return {};
    const QIcon bundled(file);
    const QString themeName = commandThemeIconName(commandId);
    return themeName.isEmpty() ? bundled : QIcon::fromTheme(themeName, bundled);
}

QIcon applicationIcon()
{
    registerIconResources();
    // The installed icon of the desktop entry, else the same SVG built in.
    return QIcon::fromTheme(QStringLiteral("com.vantrel.halden"), QIcon(QStringLiteral(":/icons/com.vantrel.halden.svg")));
}

}  // namespace halden
