// The main window: menu 128, toolbar 128, the chart bar (top or bottom), the
// search bar (left or right, hidden at start), the status bar and the chart
// view. It owns the session (store and acquisition worker) and the Gaussian
// worker. Every command takes one path: runCommand(id) calls one core
// function, applyEffects carries out what it returned, mirrorBars shows the
// core's bar state, and the view repaints.
#pragma once

#include <QMainWindow>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "spectrum/StoreCommands.h"

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QPrinter;
class QSettings;
class QToolBar;

namespace halden {

class CBrevitView;
class CThreadGauss;
class ChartBar;
class CurveListPanel;
class DatabaseSearch;
class LightPanel;
class Prompt;
class RenditionPanel;
class SearchBar;
class Session;
struct AxisEffects;

inline constexpr const char* kWindowTitle = "Corvane Spectra";

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool runWhenCalibrated = false;  // --run
        QString settingsFile;            // INI file; empty: the application's QSettings
        QString instrumentName;          // shown in the status bar ("virtual", a serial)
    };

    CMainFrame(Prompt& prompt, const Options& options, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The one entry of every menu, toolbar and bar command; checked is the
    // new state of a check box (ignored by plain commands).
    void runCommand(int id, bool checked = true);

    // Carries out what a command returned, then mirrors the bars.
    void applyEffects(const CommandEffects& effects);
    // Shows the store's ChartBarState and the database's DatabaseBarState in the bars.
    void mirrorBars();

    Session& session() { return *m_session; }
    // The database bar's database and its background jobs.
    DatabaseSearch& database() { return *m_database; }
    CBrevitView& view() { return *m_view; }
    ChartBar& chartBar() { return *m_chartBar; }
    SearchBar& searchBar() { return *m_searchBar; }
    QDockWidget& chartBarDock() { return *m_chartDock; }
    QDockWidget& searchBarDock() { return *m_searchDock; }
    // "Colour rendition (TM-30)" under View.
    QDockWidget& renditionDock() { return *m_renditionDock; }
    RenditionPanel& renditionPanel() { return *m_renditionPanel; }
    // "Light" under View.
    QDockWidget& lightDock() { return *m_lightDock; }
    LightPanel& lightPanel() { return *m_lightPanel; }
    // "Curve list" under View.
    QDockWidget& curveListDock() { return *m_curveListDock; }
    CurveListPanel& curveListPanel() { return *m_curveListPanel; }
    QToolBar& toolBar() { return *m_toolBar; }
    // The menu or toolbar action of a command id (the menu's when both exist).
    QAction* action(int id) const;
    QAction* toolbarAction(int id) const;
    // The printer the print command uses (the prompt's when it has one).
    QPrinter& printer();

    // Finished acquisitions since start; acquisitions per second of the last
    // whole second.
    int acquisitions() const { return m_acquisitions; }
    double acquisitionRate() const { return m_rate; }
    // Gaussian fits the worker has answered.
    int gaussianResults() const { return m_gaussianResults; }
    // The text of the status bar's message pane and of the instrument pane.
    QString statusText() const;
    QString instrumentText() const;
    // The warning pane: saturated pixels of the last acquisition, or empty.
    QString warningText() const;

    // Recent File: the last four spectra opened with Open, newest first.
    QStringList recentFiles() const { return m_recent; }
    void openRecentFile(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Space where no field or button takes it: Run / Stop.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createMenus();
    void createToolBar();
    void createBars();
    // A movable, floatable dock holding bar, placed in area.
    QDockWidget* addBarDock(const QString& title, const QString& objectName, QWidget* bar,
                            Qt::DockWidgetAreas allowed, Qt::DockWidgetArea area);
    void createStatusBar();
    QAction* makeAction(int id, const QString& text, const QString& statusTip = {},
                        const QKeySequence& shortcut = {});
    void connectSession();
    void restoreWindowState();
    void saveWindowState();
    void toggleBar(int menuId, QWidget* bar);
    void toggleSearchBar();
    void refreshRendition();
    void refreshLight();
    void saveLightReport();
    void saveNormalized();
    // "Saved ..." in the status bar for the files a save wrote.
    void reportSaved(const std::vector<std::string>& files);
    void toggleRun();
    bool refuseWhileFlashing(int id);
    bool needsSpectrum(const char* what);
    void onAcquisitionCompleted(bool deviceFailed);
    void onCalibrationCompleted();
    void onPeriodicSaveTick();
    void writePeriodicNow(bool fromTimer);
    void saveScreenImage();
    void print();
    void printPreview();
    void pageSetup();
    void copyToClipboard();
    void openSpectrum();
    void rememberRecent(const QString& path);
    void refreshRecentMenu();
    void applyAxisEffects(const AxisEffects& effects);
    void settingsDialog();
    void triggerDialog();
    void calibrationShiftDialog();
    void baselineDialog();
    void concentrationDialog();
    void xyScaleDialog();
    void planckCalibrationDialog();
    void saveToFlash();
    void requestGaussian();
    void commitChartBarText(int id, const QString& text);
    void updateRate();
    void showStatus(const QString& text);
    // Null when the settings file is not a regular file (irregular names it).
    std::unique_ptr<QSettings> openSettings(QString* irregular = nullptr) const;

    Prompt& m_prompt;
    Options m_options;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<DatabaseSearch> m_database;
    std::unique_ptr<QObject> m_gaussReceiver;
    std::unique_ptr<CThreadGauss> m_gauss;
    CBrevitView* m_view = nullptr;
    ChartBar* m_chartBar = nullptr;
    SearchBar* m_searchBar = nullptr;
    QDockWidget* m_chartDock = nullptr;
    QDockWidget* m_searchDock = nullptr;
    QDockWidget* m_renditionDock = nullptr;
    RenditionPanel* m_renditionPanel = nullptr;
    QDockWidget* m_lightDock = nullptr;
    LightPanel* m_lightPanel = nullptr;
    QDockWidget* m_curveListDock = nullptr;
    CurveListPanel* m_curveListPanel = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_recentMenu = nullptr;
    QLabel* m_instrumentLabel = nullptr;
    QLabel* m_rateLabel = nullptr;
    QLabel* m_warningLabel = nullptr;
    std::map<int, QAction*> m_actions;
    std::map<int, QAction*> m_toolbarActions;
    std::unique_ptr<QPrinter> m_ownPrinter;
    QStringList m_recent;
    QTimer* m_rateTimer = nullptr;
    int m_acquisitions = 0;
    int m_gaussianResults = 0;
    int m_acquisitionsAtLastTick = 0;
    double m_rate = 0;
    bool m_deviceFailing = false;
    bool m_periodicFailed = false;
    bool m_closing = false;
};

}  // namespace halden
