// The halden desktop application: the main window around the core, on the
// spectrometer at USB position 0 or on the library's virtual spectrometers.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/SettingsFile.h"
#include "window/CBrevitView.h"
#include "window/CMainFrame.h"
#include "window/CommandLine.h"
#include "window/QtPrompt.h"
#include "window/QuitOnSignal.h"

namespace {
constexpr int kScreenshotAcquisitions = 8;
}

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const halden::WindowOptions options = halden::parseWindowOptions(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "halden: %s\n", options.error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(halden::windowUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("halden %s\n", HALDEN_VERSION);
        return 0;
    }
    // The device library reads these when it first enumerates.
    if (options.virtualCount >= 0) setenv("VANTREL_VIRTUAL", std::to_string(options.virtualCount).c_str(), 1);
    if (!options.scene.empty()) setenv("VANTREL_VIRTUAL_SCENE", options.scene.c_str(), 1);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QApplication::setApplicationName(QStringLiteral("Halden"));
    QApplication::setApplicationVersion(QStringLiteral(HALDEN_VERSION));
    // Wayland and the desktop match the window to com.vantrel.halden.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vantrel.halden"));

    halden::CMainFrame::Options frameOptions;
    frameOptions.runWhenCalibrated = options.run;
    if (options.virtualCount > 0) frameOptions.instrumentName = QStringLiteral("virtual");

    if (options.resetSettings) halden::clearSettings(QString());
    halden::QtPrompt prompt(nullptr);
    auto frame = std::make_unique<halden::CMainFrame>(prompt, frameOptions);
    prompt.setParent(frame.get());  // message boxes centre on the window from now on
    halden::QuitOnSignal quit;
    // A dialog that is open answers Cancel first (its own event loop must end
    // before the window's can), then the window closes.
    std::function<void()> closeAll = [&frame, &closeAll] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            QTimer::singleShot(0, frame.get(), closeAll);
            return;
        }
        frame->close();
    };
    QObject::connect(&quit, &halden::QuitOnSignal::quitRequested, frame.get(), [&closeAll] { closeAll(); });
    frame->show();
    if (!options.screenshot.empty()) {
        // A few live acquisitions first, so the picture shows a real spectrum.
        auto* poll = new QTimer(frame.get());
        const QString file = QString::fromStdString(options.screenshot);
        QObject::connect(poll, &QTimer::timeout, frame.get(), [&frame, file, poll] {
            if (frame->acquisitions() < kScreenshotAcquisitions) return;
            poll->stop();
            frame->view().repaint();
            if (!frame->grab().save(file, "PNG")) {
                std::fprintf(stderr, "halden: cannot write %s\n", file.toLocal8Bit().constData());
                QCoreApplication::exit(1);
                return;
            }
            frame->close();
        });
        poll->start(50);
    }
    const int status = app.exec();
    frame.reset();
    return status;
}
