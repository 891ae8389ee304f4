#include "window/CommandIcons.h"

#include <QtGlobal>
#include <array>

#include "CommandIds.h"

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
    IconEntry{ids::kSaveTxt, "document-save", "save-txt.svg"},
    IconEntry{ids::kSaveSpectraTxt, "document-save", "save-txt.svg"},
    IconEntry{ids::kSaveBmp, nullptr, "save-bmp.svg"},
    IconEntry{ids::kSaveScreenBmp, nullptr, "save-bmp.svg"},
    IconEntry{ids::kLoadSpectra, "document-open", "open.svg"},
    IconEntry{ids::kFileOpen, "document-open", "open.svg"},
    IconEntry{ids::kEditCopy, "edit-copy", "copy.svg"},
    IconEntry{ids::kFilePrint, "document-print", "print.svg"},
    IconEntry{ids::kChooseSpectrometer, nullptr, "spectrometer.svg"},
    IconEntry{ids::kSettings, nullptr, "settings.svg"},
    IconEntry{ids::kTriggerSettings, nullptr, "trigger.svg"},
    IconEntry{ids::kXAutoscale, nullptr, "x-autoscale.svg"},
    IconEntry{ids::kYAutoscale, nullptr, "y-autoscale.svg"},
    IconEntry{ids::kXYAutoscale, "zoom-fit-best", "xy-autoscale.svg"},
    IconEntry{ids::kSetScale, nullptr, "set-scale.svg"},
    IconEntry{ids::kGetSourceSpectra, nullptr, "source-get.svg"},
    IconEntry{ids::kLoadSourceSpectra, nullptr, "source-load.svg"},
    IconEntry{ids::kBaselineCorrection, nullptr, "baseline.svg"},
    IconEntry{ids::kSnapshot, nullptr, "snapshot.svg"},
    IconEntry{ids::kClearAll, nullptr, "clear-all.svg"},
    IconEntry{ids::kSearch, nullptr, "search.svg"},
    IconEntry{ids::kWavelengthCalibration, nullptr, "calibration.svg"},
    IconEntry{ids::kAbout, nullptr, "about.svg"},
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
