#include "window/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "CommandIds.h"
#include "acquisition/Session.h"
#include "colour/Colorimetry.h"
#include "colour/CriReport.h"
#include "colour/ColourRendition.h"
#include "colour/SpectrumFigures.h"
#include "colour/Radiometry.h"
#include "common/EventHandoff.h"
#include "common/Messages.h"
#include "common/Prompt.h"
#include "common/SettingsFile.h"
#include "database/DatabaseCommands.h"
#include "database/DatabaseSearch.h"
#include "display/LightReport.h"
#include "display/PrintLayout.h"
#include "display/ScreenImage.h"
#include "files/AtomicFile.h"
#include "files/CalibrationFile.h"
#include "files/PeriodicSave.h"
#include "files/SaveDialog.h"
#include "files/SaveNames.h"
#include "files/SpectrumExport.h"
#include "files/SpectrumFiles.h"
#include "files/SpectrumText.h"
#include "spectrum/Baseline.h"
#include "spectrum/CThreadGauss.h"
#include "spectrum/DisplayedSpectrum.h"
#include "spectrum/ChartCommands.h"
#include "spectrum/CurveList.h"
#include "spectrum/MeasurementModes.h"
#include "spectrum/PlasticCalibration.h"
#include "spectrum/Settings.h"
#include "spectrum/StoredCurves.h"
#include "spectrum/WavelengthCalibration.h"
#include "window/AboutDialog.h"
#include "window/BaselineCorrectionDialog.h"
#include "window/CBrevitView.h"
#include "window/CalibrationShiftDialog.h"
#include "window/ChartBar.h"
#include "window/CommandIcons.h"
#include "window/ConcentrationDialog.h"
#include "window/CurveListPanel.h"
#include "window/LightPanel.h"
#include "window/QtPrompt.h"
#include "window/RenditionPanel.h"
#include "window/SearchBar.h"
#include "window/SettingsDialog.h"
#include "window/TriggerDialog.h"
#include "window/XYScaleDialog.h"

namespace halden {

namespace {

constexpr int kRecentCount = 4;
constexpr int kInitialWidth = 800, kInitialHeight = 600;

// Texts the window itself shows.
constexpr const char* kDeviceNotAnswering = "The spectrometer does not answer; retrying...";
constexpr const char* kDeviceBack = "The spectrometer answers again.";
constexpr const char* kPeriodicSaveStopped = "Periodic saving stopped: the file could not be written.";

// The toolbar's buttons in order (0 = separator), with their command
// strings: tooltip, then the status-bar prompt.
struct ToolButton {
    int id;
    const char* tip;
    const char* status;
};
constexpr ToolButton kToolButtons[] = {
    {ids::kSaveTxt, "Save txt", "Save the spectrum as a text file"},
    {ids::kSaveBmp, "Save bmp", "Save the screen as a bitmap"},
    {ids::kLoadSpectra, "Load spectra", "Load a spectrum from a text file"},
    {ids::kEditCopy, "Copy", "Copy the spectrum to the clipboard"},
    {0, nullptr, nullptr},
    {ids::kFilePrint, "Print", "Print the chart"},
    {0, nullptr, nullptr},
    {ids::kChooseSpectrometer, "Choose spectrometer", "Choose connected spectrometer"},
    {ids::kSettings, "settings", "Acquisition settings"},
    {ids::kTriggerSettings, "Triggering settings", "Triggering settings"},
    {0, nullptr, nullptr},
    {ids::kXAutoscale, "x autoscale", "Fit the x scale to the spectra"},
    {ids::kYAutoscale, "y autoscale", "Fit the y scale to the spectra"},
    {ids::kXYAutoscale, "x and y autoscales", "Fit both scales to the spectra"},
    {ids::kSetScale, "set scale", "Set the x and y ranges"},
    {0, nullptr, nullptr},
    {ids::kGetSourceSpectra, "Get source spectra", "Use the live spectrum as the reference"},
    {ids::kLoadSourceSpectra, "Load source spectra", "Load the reference spectrum from a file"},
    {0, nullptr, nullptr},
    {ids::kBaselineCorrection, "Baseline correction", "Subtract the baseline of the spectrum"},
    {0, nullptr, nullptr},
    {ids::kSnapshot, "Snapshot", "Keep the live spectrum as a stored curve"},
    {ids::kClearAll, "Clear all", "Clear All snapped and loaded spectra"},
    {0, nullptr, nullptr},
    {ids::kSearch, "Search", "Show or hide the database search bar"},
    {0, nullptr, nullptr},
    {ids::kWavelengthCalibration, "Calibration", "Show or hide the database search bar"},
    {ids::kAbout, "About", "Program version and device information"},
};

// Commands that talk to the spectrometer: refused while the flash is written.
bool needsDevice(int id)
{
    switch (id) {
    case ids::kRunBox:
    case ids::kRunStop:
    case ids::kChooseSpectrometer:
    case ids::kSaveCalibrationToFlash:
    case ids::kSettings:
    case ids::kTriggerSettings:
    case ids::kFastBox:
    case ids::kFastAcquisition:
        return true;
    default:
        return false;
    }
}

// Receives the Gaussian worker's completion (event 1135) on the
// user-interface thread and publishes the fit into the store.
class GaussReceiver : public QObject {
public:
    GaussReceiver(SpectrumStore& store, std::function<void()> done) : m_store(store), m_done(std::move(done)) {}

protected:
    bool event(QEvent* e) override
    {
        takeOver(e);
        if (e->type() != kGaussDoneEvent) return QObject::event(e);
        applyGaussianResult(m_store, static_cast<GaussDoneEvent*>(e)->result());
        m_done();
        return true;
    }

private:
    SpectrumStore& m_store;
    std::function<void()> m_done;
};

// Forwards to the real prompt and notes whether a file error was shown, so a
// failing periodic save can stop after its first message.
class WatchingPrompt : public Prompt {
public:
    explicit WatchingPrompt(Prompt& inner) : m_inner(inner) {}
    bool failed = false;
    void showMessage(const std::string& text, const std::string& caption) override
    {
        if (caption == messages::kCaptionErrorUpper || caption == messages::kCaptionError) failed = true;
        m_inner.showMessage(text, caption);
    }
    bool askOkCancel(const std::string& t, const std::string& c) override { return m_inner.askOkCancel(t, c); }
    std::optional<std::string> chooseOpenFile() override { return m_inner.chooseOpenFile(); }
    std::optional<std::string> chooseSaveFile() override { return m_inner.chooseSaveFile(); }
    std::optional<std::string> chooseFolder() override { return m_inner.chooseFolder(); }
    bool askPrint() override { return m_inner.askPrint(); }

private:
    Prompt& m_inner;
};

}  // namespace

CMainFrame::CMainFrame(Prompt& prompt, const Options& options, QWidget* parent)
    : QMainWindow(parent), m_prompt(prompt), m_options(options)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setWindowIcon(applicationIcon());
    resize(kInitialWidth, kInitialHeight);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

    m_session = std::make_unique<Session>(m_prompt, this);
    m_database = std::make_unique<DatabaseSearch>(m_prompt);
    SpectrumStore& store = m_session->store();
    m_gaussReceiver = std::make_unique<GaussReceiver>(store, [this] {
        ++m_gaussianResults;
        applyEffects(CommandEffects{.repaint = true});
    });
    m_gauss = std::make_unique<CThreadGauss>(m_gaussReceiver.get());
    m_gauss->start();

    m_view = new CBrevitView(store, m_session->figures(), this);
    m_view->setFocusPolicy(Qt::StrongFocus);
    setCentralWidget(m_view);
    connect(m_view, &CBrevitView::commandRequested, this, [this](int id) { runCommand(id); });
    connect(m_view, &CBrevitView::storeChanged, this, [this] {
        // The marker or the ranges moved: the figures follow before the paint.
        m_session->settle();
        mirrorBars();
        m_view->update();
    });

    createMenus();
    createToolBar();
    createBars();
    createStatusBar();
    connectSession();
    restoreWindowState();
    mirrorBars();
    m_view->setFocus();

    // The view's construction looks for a spectrometer; its completion reads
    // the calibration, which enables Run.
    m_session->chooseSpectrometer();
}

CMainFrame::~CMainFrame()
{
    // The workers stop before the store and the widgets they report to go.
    m_gauss.reset();
    m_database.reset();
    m_session.reset();
}

QAction* CMainFrame::makeAction(int id, const QString& text, const QString& statusTip, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("cmd%1").arg(id));
    action->setData(id);
    if (!statusTip.isEmpty()) action->setStatusTip(statusTip);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, id](bool checked) { runCommand(id, checked); });
    m_actions.emplace(id, action);
    return action;
}

void CMainFrame::createMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = makeAction(ids::kFileOpen, tr("&Open..."), tr("Open a spectrum"), QKeySequence(Qt::CTRL | Qt::Key_O));
    open->setIcon(commandIcon(ids::kLoadSpectra));
    file->addAction(open);
    file->addAction(makeAction(ids::kSaveSpectraTxt, tr("&Save spectra, txt"), tr("Save the spectrum as a text file"),
                               QKeySequence(Qt::CTRL | Qt::Key_S)));
    file->addAction(makeAction(ids::kSaveSpectraCsv, tr("Save spectra, csv"),
                               tr("Save the spectrum as CSV with the acquisition's settings")));
    file->addAction(makeAction(ids::kSaveSpectraJcamp, tr("Save spectra, JCAMP-DX"),
                               tr("Save the spectrum as a JCAMP-DX 5.01 file")));
    file->addAction(makeAction(ids::kSaveScreenBmp, tr("Save screen, bmp"), tr("Save the screen as a bitmap")));
    file->addAction(makeAction(ids::kSave1nmStep, tr("Save, 1nm step"), tr("Save the spectrum resampled to 1 nm")));
    file->addAction(makeAction(ids::kSaveNormalized, tr("Save, 380-760nm normalized to sensitivity"),
                               tr("Save the irradiance from 380 to 760 nm")));
    file->addAction(makeAction(ids::kSaveLightReport, tr("Save light report, pdf"),
                               tr("Save the one-page light report of the shown spectrum")));
    file->addSeparator();
    file->addAction(makeAction(ids::kFilePrint, tr("&Print..."), tr("Print the chart"), QKeySequence(Qt::CTRL | Qt::Key_P)));
    file->addAction(makeAction(ids::kFilePrintSetup, tr("P&rint Setup..."), tr("Choose the page")));
    file->addAction(makeAction(ids::kFilePrintPreview, tr("Print Pre&view"), tr("Show the printed page")));
    file->addSeparator();
    file->addAction(makeAction(ids::kLoadCalibration, tr("Load Calibration from file"), tr("Load a .clbr calibration file")));
    file->addAction(makeAction(ids::kSaveCalibration, tr("Save Calibration to file"), tr("Save the calibration to a .clbr file")));
    file->addSeparator();
    file->addAction(makeAction(ids::kSaveCalibrationToFlash, tr("Save current calibration to FLASH memory"),
                               tr("Write the calibration into the spectrometer")));
    m_recentMenu = file->addMenu(tr("Recent File"));
    m_recentMenu->setObjectName(QStringLiteral("cmd%1").arg(ids::kRecentFile));
    file->addSeparator();
    QAction* exit = makeAction(ids::kAppExit, tr("E&xit"), tr("Quit the application"));
    exit->setMenuRole(QAction::QuitRole);
    file->addAction(exit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addSeparator();
    edit->addAction(makeAction(ids::kEditCopy, tr("&Copy"), tr("Copy the spectrum to the clipboard"),
                               QKeySequence(Qt::CTRL | Qt::Key_C)));

    QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
    QAction* toolbar = makeAction(ids::kViewToolbar, tr("&Toolbar"), tr("Show or hide the toolbar"));
    QAction* status = makeAction(ids::kViewStatusBar, tr("&Status Bar"), tr("Show or hide the status bar"));
    QAction* chart = makeAction(ids::kViewChartBar, tr("Chart Bar"), tr("Show or hide the chart bar"));
    for (QAction* a : {toolbar, status, chart}) {
        a->setCheckable(true);
        a->setChecked(true);
        viewMenu->addAction(a);
    }
    viewMenu->addAction(makeAction(ids::kXScaleWavenumber, tr("x-scale in 1/cm"), tr("Raman shift axis")));
    viewMenu->addAction(makeAction(ids::kXScaleNm, tr("x-scale in nm"), tr("Wavelength axis")));
    viewMenu->addAction(makeAction(ids::kRange400To700, tr("400 to 700nm"), tr("Show 400 to 700 nm")));
    QAction* database = makeAction(ids::kViewDatabase, tr("Database"), tr("Show or hide the database search bar"));
    database->setCheckable(true);
    viewMenu->addAction(database);
    viewMenu->addAction(makeAction(ids::kColorbar, tr("Colorbar"), tr("Show or hide the colour bar")));
    viewMenu->addAction(makeAction(ids::kCcdCalibration, tr("CCD calibraton"), tr("Show or hide the database search bar")));
    viewMenu->addSeparator();
    QAction* rendition = makeAction(ids::kViewColourRendition, tr("Colour rendition (TM-30)"),
                                    tr("Show or hide the colour vector graphic and the chroma shift of each hue"));
    rendition->setCheckable(true);
    viewMenu->addAction(rendition);
    QAction* light = makeAction(ids::kViewLight, tr("Light"),
                                tr("Show or hide the light figures: colour, rendition, circadian, LED, plants"));
    light->setCheckable(true);
    viewMenu->addAction(light);
    QAction* curveList = makeAction(ids::kViewCurveList, tr("Curve list"),
                                    tr("Show or hide the list of the chart's curves"));
    curveList->setCheckable(true);
    viewMenu->addAction(curveList);
    viewMenu->addSeparator();
    viewMenu->addAction(makeAction(ids::kXAutoscale, tr("x autoscale"), tr("Fit the x scale to the spectra"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X)));
    viewMenu->addAction(makeAction(ids::kYAutoscale, tr("y autoscale"), tr("Fit the y scale to the spectra"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y)));
    viewMenu->addAction(makeAction(ids::kXYAutoscale, tr("x and y autoscales"), tr("Fit both scales to the spectra"),
                                   QKeySequence(Qt::CTRL | Qt::Key_0)));
    viewMenu->addAction(makeAction(ids::kSetScale, tr("Set scale..."), tr("Set the x and y ranges")));

    // The bar toggles read their item's check mark and set it themselves,
    // from the menu as from anywhere else: undo the flip a click makes.
    for (QAction* a : {toolbar, status, chart, database, rendition, light, curveList}) {
        disconnect(a, &QAction::triggered, this, nullptr);
        const int id = a->data().toInt();
        connect(a, &QAction::triggered, this, [this, a, id](bool checked) {
            a->setChecked(!checked);
            runCommand(id);
        });
    }

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(makeAction(ids::kAbout, tr("&About"), tr("Program version and device information")));

    QMenu* calibration = menuBar()->addMenu(tr("Calibration"));
    calibration->addAction(makeAction(ids::kCalibrationShift, tr("Calibration, shift"), tr("Shift the wavelength axis")));
    calibration->addAction(makeAction(ids::kWavelengthCalibration, tr("Wavelength Calibration"),
                                      tr("Show or hide the database search bar")));
    calibration->addAction(makeAction(ids::kPlasticCalibration, tr("Plastic calibration (Raman only)"),
                                      tr("Calibrate the axis on polystyrene")));
    calibration->addAction(makeAction(ids::kXyzPlanckCalibration, tr("XYZ Planck calibration"),
                                      tr("Calibrate irradiance on a black body")));
    calibration->addAction(makeAction(ids::kDataWithoutCalibration, tr("Get data without calibration"),
                                      tr("Pixel axis, no calibration")));

    // Every toolbar command that has no item of its own elsewhere.
    QMenu* acquisition = menuBar()->addMenu(tr("&Acquisition"));
    QAction* run = makeAction(ids::kRunStop, tr("Run / Stop"), tr("Start or stop acquiring (also Space)"),
                              QKeySequence(Qt::Key_F5));
    acquisition->addAction(run);
    acquisition->addSeparator();
    acquisition->addAction(makeAction(ids::kSnapshot, tr("Snapshot"), tr("Keep the live spectrum as a stored curve"),
                                      QKeySequence(Qt::CTRL | Qt::Key_K)));
    acquisition->addAction(makeAction(ids::kClearAll, tr("Clear all"), tr("Clear All snapped and loaded spectra"),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete)));
    acquisition->addSeparator();
    acquisition->addAction(makeAction(ids::kGetSourceSpectra, tr("Get source spectra"),
                                      tr("Use the live spectrum as the reference")));
    acquisition->addAction(makeAction(ids::kLoadSourceSpectra, tr("Load source spectra..."),
                                      tr("Load the reference spectrum from a file")));
    acquisition->addAction(makeAction(ids::kBaselineCorrection, tr("Baseline correction..."),
                                      tr("Subtract the baseline of the spectrum")));
    acquisition->addSeparator();
    acquisition->addAction(makeAction(ids::kChooseSpectrometer, tr("Choose spectrometer"),
                                      tr("Choose connected spectrometer")));
    acquisition->addAction(makeAction(ids::kSettings, tr("Settings..."), tr("Acquisition settings"),
                                      QKeySequence(Qt::CTRL | Qt::Key_Comma)));
    acquisition->addAction(makeAction(ids::kTriggerSettings, tr("Triggering settings..."), tr("Triggering settings")));

    refreshRecentMenu();
}

void CMainFrame::createToolBar()
{
    m_toolBar = new QToolBar(tr("Standard"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar128"));
    m_toolBar->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    for (const ToolButton& b : kToolButtons) {
        if (b.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        auto* action = new QAction(commandIcon(b.id), tr(b.tip), this);
        action->setObjectName(QStringLiteral("tool%1").arg(b.id));
        action->setToolTip(tr(b.tip));
        action->setStatusTip(tr(b.status));
        const int id = b.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_toolBar->addAction(action);
        m_toolbarActions.emplace(id, action);
    }
}

QDockWidget* CMainFrame::addBarDock(const QString& title, const QString& objectName, QWidget* bar,
                                     Qt::DockWidgetAreas allowed, Qt::DockWidgetArea area)
{
    auto* dock = new QDockWidget(title, this);
    dock->setObjectName(objectName);
    dock->setWidget(bar);
    dock->setAllowedAreas(allowed);
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(area, dock);
    return dock;
}

void CMainFrame::createBars()
{
    m_chartBar = new ChartBar;
    m_chartDock = addBarDock(tr("Chart Bar"), QStringLiteral("chartBar103"), m_chartBar,
                             Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea, Qt::TopDockWidgetArea);
    connect(m_chartBar, &ChartBar::controlActivated, this, [this](int id, bool checked) { runCommand(id, checked); });
    connect(m_chartBar, &ChartBar::textCommitted, this, &CMainFrame::commitChartBarText);

    m_searchBar = new SearchBar;
    m_searchDock = addBarDock(tr("Search Bar"), QStringLiteral("searchBar157"), m_searchBar,
                              Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea, Qt::LeftDockWidgetArea);
    m_searchDock->hide();
    connect(m_searchBar, &SearchBar::loadClicked, this, [this] { runCommand(ids::kLoadDatabase); });
    connect(m_searchBar, &SearchBar::compareClicked, this, [this] { runCommand(ids::kMakeComparison); });
    connect(m_searchBar, &SearchBar::normalizeClicked, m_database.get(), &DatabaseSearch::setNormalizeChecked);
    connect(m_searchBar, &SearchBar::metricChosen, m_database.get(), &DatabaseSearch::setMetric);
    connect(m_searchBar, &SearchBar::entrySelected, this, [this](int row) {
        if (m_database->showEntry(m_session->store(), row)) applyEffects(CommandEffects{.repaint = true});
    });
    connect(m_database.get(), &DatabaseSearch::barChanged, this, [this] { m_searchBar->mirror(m_database->bar()); });
    connect(m_database.get(), &DatabaseSearch::buttonTextChanged, this,
            [this] { m_searchBar->showButtonText(m_database->bar().buttonText); });

    m_renditionPanel = new RenditionPanel;
    m_renditionDock = addBarDock(tr("Colour rendition (TM-30)"), QStringLiteral("renditionDock"), m_renditionPanel,
                                 Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea, Qt::RightDockWidgetArea);
    m_renditionDock->hide();

    m_lightPanel = new LightPanel;
    m_lightDock = addBarDock(tr("Light"), QStringLiteral("lightDock"), m_lightPanel,
                             Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea, Qt::RightDockWidgetArea);
    m_lightDock->hide();

    m_curveListPanel = new CurveListPanel;
    m_curveListDock = addBarDock(tr("Curve list"), QStringLiteral("curveListDock"), m_curveListPanel,
                                 Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea, Qt::RightDockWidgetArea);
    m_curveListDock->hide();
    connect(m_curveListPanel, &CurveListPanel::visibilityChanged, this, [this](int slot, bool visible) {
        applyEffects(showCurve(m_session->store(), slot, visible));
    });
    // Queued: the row's button goes with its row when the list is rebuilt.
    connect(m_curveListPanel, &CurveListPanel::removeRequested, this,
            [this](int slot) { applyEffects(removeCurve(m_session->store(), slot)); }, Qt::QueuedConnection);
}

void CMainFrame::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    m_instrumentLabel = new QLabel(m_options.instrumentName.isEmpty() ? tr("no spectrometer") : m_options.instrumentName);
    m_instrumentLabel->setObjectName(QStringLiteral("statusInstrument"));
    m_rateLabel = new QLabel;
    m_rateLabel->setObjectName(QStringLiteral("statusRate"));
    m_warningLabel = new QLabel;
    m_warningLabel->setObjectName(QStringLiteral("statusWarning"));
    m_warningLabel->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    bar->addPermanentWidget(m_warningLabel);
    bar->addPermanentWidget(m_instrumentLabel);
    bar->addPermanentWidget(m_rateLabel);
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator));
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
    showStatus(tr("Ready"));
    m_rateTimer = new QTimer(this);
    m_rateTimer->setInterval(1000);
    connect(m_rateTimer, &QTimer::timeout, this, &CMainFrame::updateRate);
    m_rateTimer->start();
}

void CMainFrame::connectSession()
{
    Session& s = *m_session;
    connect(&s, &Session::repaintRequested, this, [this] {
        mirrorBars();
        m_view->update();
    });
    connect(&s, &Session::progressChanged, this, [this] { mirrorBars(); });
    connect(&s.progressTimer(), &QTimer::timeout, this, [this] { mirrorBars(); });
    connect(&s, &Session::detectionCompleted, this, [this](int count) {
        if (count == 0) {
            m_instrumentLabel->setText(tr("no spectrometer"));
            showStatus(QString::fromLatin1(messages::kNoDevice));
        } else {
            showStatus(tr("Reading the calibration from the spectrometer..."));
        }
        mirrorBars();
    });
    connect(&s, &Session::calibrationCompleted, this, [this] { onCalibrationCompleted(); });
    connect(&s, &Session::acquisitionCompleted, this, &CMainFrame::onAcquisitionCompleted);
    connect(&s, &Session::acquisitionFailed, this, [this](const QString& command) {
        if (command.isEmpty()) return;  // a frame that did not arrive: told as not answering
        showStatus(tr("The spectrometer did not take its settings (%1 failed); retrying...").arg(command));
        m_deviceFailing = true;
    });
    connect(&s, &Session::deviceSilent, this, [this] {
        m_deviceFailing = true;
        showStatus(QString::fromLatin1(kDeviceNotAnswering));
    });
    connect(&s.periodicSaveTimer(), &QTimer::timeout, this, &CMainFrame::onPeriodicSaveTick);
    s.switchToWavenumberAxis = [this] { runCommand(ids::kXScaleWavenumber); };
}

void CMainFrame::onCalibrationCompleted()
{
    const SpectrumStore& store = m_session->store();
    // A Raman instrument compares normalised: a database loaded from now on
    // starts with "Normalize on maximum intensity" checked.
    if (store.m_calibrationHeader[0] == 'R') m_database->database().m_dbNormalize = true;
    mirrorBars();
    const std::string header(store.m_calibrationHeader.data(),
                             strnlen(store.m_calibrationHeader.data(), store.m_calibrationHeader.size()));
    if (m_options.instrumentName.isEmpty())
        m_instrumentLabel->setText(header.empty() ? tr("spectrometer") : QString::fromLatin1(header.c_str()));
    showStatus(store.m_chartBar.runEnabled ? tr("Ready: check Run to acquire") : tr("Ready"));
    if (m_options.runWhenCalibrated && store.m_chartBar.runEnabled && !store.m_running) runCommand(ids::kRunBox, true);
}

void CMainFrame::onAcquisitionCompleted(bool deviceFailed)
{
    if (deviceFailed) {
        if (!m_deviceFailing) showStatus(QString::fromLatin1(kDeviceNotAnswering));
        m_deviceFailing = true;
        return;
    }
    ++m_acquisitions;
    refreshRendition();
    const int saturated = m_session->store().m_liveAcquisition.saturatedPixels;
    m_warningLabel->setText(saturated > 0 ? tr("Saturated: %1 pixels at full scale").arg(saturated) : QString());
    if (m_deviceFailing) {
        m_deviceFailing = false;
        showStatus(QString::fromLatin1(kDeviceBack));
    }
}

void CMainFrame::updateRate()
{
    const int done = m_acquisitions - m_acquisitionsAtLastTick;
    m_acquisitionsAtLastTick = m_acquisitions;
    m_rate = done;
    const bool running = m_session && m_session->store().m_running;
    m_rateLabel->setText(running ? tr("%1 acq/s").arg(done) : QString());
}

void CMainFrame::showStatus(const QString& text)
{
    statusBar()->showMessage(text);
}

QString CMainFrame::statusText() const
{
    return statusBar()->currentMessage();
}

QString CMainFrame::instrumentText() const
{
    return m_instrumentLabel->text();
}

QString CMainFrame::warningText() const
{
    return m_warningLabel->text();
}

QAction* CMainFrame::action(int id) const
{
    const auto it = m_actions.find(id);
    if (it != m_actions.end()) return it->second;
    return toolbarAction(id);
}

QAction* CMainFrame::toolbarAction(int id) const
{
    const auto it = m_toolbarActions.find(id);
    return it == m_toolbarActions.end() ? nullptr : it->second;
}

void CMainFrame::mirrorBars()
{
    if (!m_session) return;
    const SpectrumStore& store = m_session->store();
    m_chartBar->mirror(store.m_chartBar);
    m_searchBar->mirror(m_database->bar());
    if (m_curveListDock && !m_curveListDock->isHidden()) m_curveListPanel->setRows(curveListRows(store));
}

void CMainFrame::applyEffects(const CommandEffects& effects)
{
    if (!m_session) return;
    CommandEffects fx = effects;
    if (fx.saveOnceNow) {
        writePeriodicNow(false);
        // The naming step may have been cancelled, or the first write failed.
        if (!m_session->store().m_periodicSave) fx.startSaveTimer = false;
    }
    if (fx.startSaveTimer) m_periodicFailed = false;
    m_session->applyEffects(fx);
    mirrorBars();
    if (fx.repaint) {
        m_view->update();
        refreshRendition();  // a loaded file or a new axis changes the shown spectrum
    }
}

bool CMainFrame::refuseWhileFlashing(int id)
{
    if (!needsDevice(id) || !m_session->store().m_flashBusy) return false;
    m_prompt.showMessage(messages::kFlashInProcess, messages::kCaptionRequest);
    mirrorBars();  // a box the user clicked goes back to the store's state
    return true;
}

bool CMainFrame::needsSpectrum(const char* what)
{
    const SpectrumStore& store = m_session->store();
    if (storedCurve0(store).count() > 1) return true;
    m_prompt.showMessage(std::string(messages::kNeedSpectrum) + (what ? std::string(" (") + what + ")" : std::string()),
                         messages::kCaptionMessage);
    return false;
}

void CMainFrame::runCommand(int id, bool checked)
{
    if (!m_session || m_closing) return;
    if (refuseWhileFlashing(id)) return;
    SpectrumStore& s = m_session->store();
    Prompt& p = m_prompt;
    switch (id) {
    // Chart bar.
    case ids::kRunBox:
        s.m_chartBar.runChecked = checked;
        applyEffects(setRun(s, checked));
        if (!checked) m_rateLabel->clear();
        if (!m_deviceFailing) showStatus(checked ? tr("Acquiring") : tr("Ready"));
        break;
    case ids::kFastBox: applyEffects(setFast(s, checked)); break;
    case ids::kFastAcquisition: applyEffects(setFast(s, !s.m_fast)); break;
    case ids::kAverageBox: applyEffects(setAverage(s, checked)); break;
    case ids::kGetBackground: applyEffects(getBackground(s)); break;
    case ids::kSubtractBox: applyEffects(setSubtract(s, checked)); break;
    case ids::kReflectanceBox: applyEffects(toggleRatioMode(s, RatioMode::Reflectance, p)); break;
    case ids::kTransmittanceBox: applyEffects(toggleRatioMode(s, RatioMode::Transmittance, p)); break;
    case ids::kAbsorbanceBox: applyEffects(toggleRatioMode(s, RatioMode::Absorbance, p)); break;
    case ids::kConcentration: concentrationDialog(); break;
    case ids::kLogScaleBox: applyEffects(setLogScale(s, checked)); break;
    case ids::kAutoYBox: applyEffects(setAutoY(s, checked)); break;
    case ids::kChromaticityBox: applyEffects(setChromaticityView(s, checked)); break;
    case ids::kDiagramPlus: applyEffects(diagramPlus(s)); break;
    case ids::kDiagramMinus: applyEffects(diagramMinus(s)); break;
    case ids::kGaussianAppr: requestGaussian(); break;

    // Search bar.
    case ids::kLoadDatabase: m_database->loadDatabase(); break;
    case ids::kMakeComparison: m_database->makeComparison(s); break;

    // File menu and toolbar.
    case ids::kFileOpen:
    case ids::kLoadSpectra: openSpectrum(); break;
    case ids::kSaveSpectraTxt:
    case ids::kSaveTxt:
        reportSaved(saveSpectrumCommand(s, p));
        applyEffects(CommandEffects{.repaint = true});
        break;
    case ids::kSaveSpectraCsv:
        if (needsSpectrum("Save spectra, csv")) reportSaved(saveCsvCommand(s, p));
        break;
    case ids::kSaveSpectraJcamp:
        if (needsSpectrum("Save spectra, JCAMP-DX")) reportSaved(saveJcampCommand(s, p));
        break;
    case ids::kSaveScreenBmp:
    case ids::kSaveBmp: saveScreenImage(); break;
    case ids::kSave1nmStep:
        reportSaved(save1nmCommand(s, p));
        applyEffects(CommandEffects{.repaint = true});
        break;
    case ids::kSaveNormalized: saveNormalized(); break;
    case ids::kSaveLightReport: saveLightReport(); break;
    case ids::kFilePrint: print(); break;
    case ids::kFilePrintSetup: pageSetup(); break;
    case ids::kFilePrintPreview: printPreview(); break;
    case ids::kLoadCalibration:
        loadCalibrationFile(s, p);
        applyEffects(CommandEffects{.repaint = true});
        break;
    case ids::kSaveCalibration: {
        std::string written;
        if (saveCalibrationFile(s, p, CalibrationSave::Interactive, &written)) reportSaved({written});
        break;
    }
    case ids::kSaveCalibrationToFlash: saveToFlash(); break;
    case ids::kAppExit: close(); break;
    case ids::kEditCopy: copyToClipboard(); break;

    // View menu.
    case ids::kViewToolbar: toggleBar(ids::kViewToolbar, m_toolBar); break;
    case ids::kViewStatusBar: toggleBar(ids::kViewStatusBar, statusBar()); break;
    case ids::kViewChartBar: toggleBar(ids::kViewChartBar, m_chartDock); break;
    case ids::kSearch:
    case ids::kViewDatabase:
    case ids::kWavelengthCalibration:
    case ids::kCcdCalibration: toggleSearchBar(); break;
    case ids::kViewColourRendition:
        toggleBar(ids::kViewColourRendition, m_renditionDock);
        refreshRendition();
        break;
    case ids::kViewLight:
        toggleBar(ids::kViewLight, m_lightDock);
        refreshLight();
        break;
    case ids::kViewCurveList:
        toggleBar(ids::kViewCurveList, m_curveListDock);
        mirrorBars();
        break;
    case ids::kRunStop: toggleRun(); break;
    case ids::kXScaleWavenumber: applyAxisEffects(showRamanShiftAxis(s)); break;
    case ids::kXScaleNm: applyAxisEffects(showWavelengthAxis(s)); break;
    case ids::kRange400To700: applyEffects(range400To700(s)); break;
    case ids::kColorbar: applyEffects(toggleColorBar(s)); break;

    // Toolbar.
    case ids::kChooseSpectrometer:
        m_session->chooseSpectrometer();
        mirrorBars();
        break;
    case ids::kSettings: settingsDialog(); break;
    case ids::kTriggerSettings: triggerDialog(); break;
    case ids::kXAutoscale: applyEffects(xAutoscale(s)); break;
    case ids::kYAutoscale: applyEffects(yAutoscale(s)); break;
    case ids::kXYAutoscale: applyEffects(xyAutoscale(s)); break;
    case ids::kSetScale: xyScaleDialog(); break;
    case ids::kGetSourceSpectra:
        if (needsSpectrum("Get source spectra")) applyEffects(getSourceSpectra(s));
        break;
    case ids::kLoadSourceSpectra:
        loadReferenceCommand(s, p);
        applyEffects(CommandEffects{.repaint = true});
        break;
    case ids::kBaselineCorrection: baselineDialog(); break;
    case ids::kSnapshot: {
        if (!needsSpectrum("Snapshot")) break;
        const SnapshotResult r = snapshot(s);
        if (r.outcome != SnapshotOutcome::Added) p.showMessage(snapshotRefusalText(r.outcome), messages::kCaptionMessage);
        applyEffects(r.effects);
        break;
    }
    case ids::kClearAll: applyEffects(clearAllStored(s)); break;

    // Help and Calibration menus.
    case ids::kAbout:
        runAboutDialog(this, std::string(s.m_calibrationHeader.data(), s.m_calibrationHeader.size()));
        break;
    case ids::kCalibrationShift: calibrationShiftDialog(); break;
    case ids::kPlasticCalibration: {
        const PlasticCalibrationResult r = plasticCalibration(s, p);
        applyAxisEffects(r.effects);
        break;
    }
    case ids::kXyzPlanckCalibration: planckCalibrationDialog(); break;
    case ids::kDataWithoutCalibration: applyEffects(useDataWithoutCalibration(s)); break;
    default: break;
    }
}

void CMainFrame::applyAxisEffects(const AxisEffects& effects)
{
    SpectrumStore& s = m_session->store();
    CommandEffects fx;
    fx.repaint = effects.repaint || effects.xAutoscale || effects.yAutoscale;
    if (effects.acquisitionStopped) fx.stopProgressTimer = true;
    fx.stopSaveTimer = effects.stopSaveTimer;
    if (effects.xAutoscale) xAutoscale(s);
    if (effects.yAutoscale) yAutoscale(s);
    applyEffects(fx);
    if (effects.writeCalibrationToFlash) saveToFlash();
}

void CMainFrame::toggleBar(int menuId, QWidget* bar)
{
    // The menu item's check mark decides, not the bar itself.
    QAction* item = m_actions.at(menuId);
    const bool show = !item->isChecked();
    bar->setVisible(show);
    item->setChecked(show);
}

void CMainFrame::toggleSearchBar()
{
    toggleBar(ids::kViewDatabase, m_searchDock);
}

void CMainFrame::refreshRendition()
{
    refreshLight();  // the same moments: a new spectrum or a changed chart
    // About 70 us a spectrum: only while someone looks, never in a paint.
    if (!m_renditionDock || m_renditionDock->isHidden() || !m_session) return;
    m_renditionPanel->setRendition(storeColourRendition(m_session->store()));
}

void CMainFrame::refreshLight()
{
    if (!m_lightDock || m_lightDock->isHidden() || !m_session) return;
    const DisplayedSpectrum d = displayedSpectrum(m_session->store());
    m_lightPanel->setFigures(
        computeLightFigures(d.wavelength.data(), d.value.data(), static_cast<int>(d.value.size()) - 1, d.wattsPerUnit));
}

void CMainFrame::saveLightReport()
{
    if (!needsSpectrum("Save light report, pdf")) return;
    const auto path = askSavePath(m_prompt, ".pdf");
    if (!path) return;
    const SpectrumStore& s = m_session->store();
    DisplayedSpectrum d = displayedSpectrum(s);
    const SpectrumFigures f = computeSpectrumFigures(std::move(d.wavelength), std::move(d.value), d.wattsPerUnit);
    const LightReport report{f.light,         f.rendition,   f.wavelength, f.value, m_instrumentLabel->text().toStdString(),
                             reportTimeNow(), acquisitionSettingsText(s)};
    const QByteArray pdf = lightReportPdf(report);
    if (writeFileOrReport(*path, std::string_view(pdf.constData(), pdf.size()), m_prompt)) reportSaved({*path});
}

void CMainFrame::saveNormalized()
{
    SpectrumStore& s = m_session->store();
    const auto path = askSavePath(m_prompt, ".txt");
    if (!path || !saveNormalizedToSensitivity(s, m_prompt, *path)) return;
    SavedFiles files{*path};
    if (s.m_chromaticityView) files.push_back(criReportPath(*path));
    reportSaved(files);
}

void CMainFrame::reportSaved(const std::vector<std::string>& files)
{
    if (!files.empty()) showStatus(QString::fromStdString(savedFilesText(files)));
}

void CMainFrame::toggleRun()
{
    const SpectrumStore& s = m_session->store();
    if (!s.m_chartBar.runEnabled) {
        showStatus(tr("Run is not available yet: the spectrometer's calibration has not been read."));
        return;
    }
    runCommand(ids::kRunBox, !s.m_chartBar.runChecked);
}

void CMainFrame::keyPressEvent(QKeyEvent* event)
{
    // Reaches the window only where no field, box or list took the key.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        runCommand(ids::kRunStop);
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void CMainFrame::openSpectrum()
{
    SpectrumStore& s = m_session->store();
    const auto path = m_prompt.chooseOpenFile();
    if (!path) return;
    const SpectrumLoad result = loadSpectrumFile(s, m_prompt, *path);
    if (result == SpectrumLoad::Loaded) rememberRecent(QString::fromStdString(*path));
    applyEffects(CommandEffects{.repaint = true});
}

void CMainFrame::openRecentFile(const QString& path)
{
    SpectrumStore& s = m_session->store();
    const SpectrumLoad result = loadSpectrumFile(s, m_prompt, path.toStdString());
    if (result == SpectrumLoad::Loaded) rememberRecent(path);
    applyEffects(CommandEffects{.repaint = true});
}

void CMainFrame::rememberRecent(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recent.removeAll(absolute);
    m_recent.prepend(absolute);
    while (m_recent.size() > kRecentCount) m_recent.removeLast();
    if (auto settings = openSettings()) settings->setValue(QStringLiteral("Recent File List/files"), m_recent);
    refreshRecentMenu();
}

void CMainFrame::refreshRecentMenu()
{
    m_recentMenu->clear();
    if (m_recent.isEmpty()) {
        m_recentMenu->addAction(tr("(empty)"))->setEnabled(false);
        return;
    }
    int n = 1;
    for (const QString& path : m_recent) {
        QAction* a = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(n++).arg(QFileInfo(path).fileName()));
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
}

void CMainFrame::saveScreenImage()
{
    SpectrumStore& s = m_session->store();
    reportSaved(saveScreenImageCommand(s, m_prompt, [this] { return rgbFromImage(m_view->renderForFile()); }));
    applyEffects(CommandEffects{.repaint = true});
}

void CMainFrame::onPeriodicSaveTick()
{
    writePeriodicNow(true);
}

void CMainFrame::writePeriodicNow(bool fromTimer)
{
    SpectrumStore& s = m_session->store();
    WatchingPrompt watch(m_prompt);
    PeriodicSave periodic(s, watch);
    const std::vector<PeriodicFile> files = periodic.tick();
    writePeriodicFiles(s, watch, files, [this] { return rgbFromImage(m_view->renderForFile()); });
    if (watch.failed && !files.empty()) {
        // One message, not one per tick: saving goes off until Settings turns it on again.
        periodic.stop();
        m_session->periodicSaveTimer().stop();
        m_periodicFailed = true;
        showStatus(QString::fromLatin1(kPeriodicSaveStopped));
    } else {
        SavedFiles written;
        for (const PeriodicFile& f : files) written.push_back(f.path);
        reportSaved(written);
        if (fromTimer && !periodic.timerShouldRun()) m_session->periodicSaveTimer().stop();
    }
    mirrorBars();
}

QPrinter& CMainFrame::printer()
{
    if (auto* qt = dynamic_cast<QtPrompt*>(&m_prompt)) return qt->printer();
    if (!m_ownPrinter) m_ownPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_ownPrinter;
}

void CMainFrame::print()
{
    if (!m_prompt.askPrint()) return;
    QPrinter& out = printer();
    const QImage picture = m_view->renderForFile();
    QPainter painter;
    if (!painter.begin(&out)) {
        m_prompt.showMessage(messages::kCreateFileError, messages::kCaptionErrorUpper);
        return;
    }
    const QRect page = painter.viewport();
    painter.drawImage(printTargetRect(picture.size(), page.size()), picture);
    painter.end();
}

void CMainFrame::printPreview()
{
    QPrintPreviewDialog preview(&printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        const QImage picture = m_view->renderForFile();
        QPainter painter(target);
        painter.drawImage(printTargetRect(picture.size(), painter.viewport().size()), picture);
    });
    preview.exec();
}

void CMainFrame::pageSetup()
{
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

void CMainFrame::copyToClipboard()
{
    if (!needsSpectrum("Copy")) return;
    const std::string text = clipboardText(m_session->store());
    QApplication::clipboard()->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void CMainFrame::settingsDialog()
{
    SpectrumStore& s = m_session->store();
    applyEffects(stopForDialog(s));
    SettingsFields fields = settingsFromStore(s);
    if (runSettingsDialog(this, fields)) {
        applyEffects(applySettings(s, fields, m_prompt));
        m_chartBar->showEditTexts(s.m_chartBar);  // the dialog set exposure and scans
    } else
        applyEffects(cancelSettings());
}

void CMainFrame::triggerDialog()
{
    SpectrumStore& s = m_session->store();
    applyEffects(stopForDialog(s));
    TriggerFields fields = triggerFromStore(s);
    if (runTriggerDialog(this, fields)) applyTrigger(s, fields);
    applyEffects(CommandEffects{.repaint = true});
}

void CMainFrame::calibrationShiftDialog()
{
    SpectrumStore& s = m_session->store();
    std::string shift = "0";
    const bool applied = runCalibrationShiftDialog(this, shift);
    applyAxisEffects(applyCalibrationShift(s, shift, applied));
}

void CMainFrame::baselineDialog()
{
    SpectrumStore& s = m_session->store();
    if (!needsSpectrum("Baseline correction")) return;
    BaselineDialog fields = openBaselineDialog(s);
    const bool processed = runBaselineDialog(this, fields);
    const BaselineEffects fx = runBaselineCorrection(s, fields, processed);
    if (fx.yAutoscale) yAutoscale(s);
    applyEffects(CommandEffects{.repaint = true});
}

void CMainFrame::concentrationDialog()
{
    SpectrumStore& s = m_session->store();
    std::optional<ConcentrationFields> fields = openConcentration(s, m_prompt);
    if (!fields) return;
    if (runConcentrationDialog(this, *fields)) applyEffects(applyConcentration(s, *fields, m_prompt));
}

void CMainFrame::xyScaleDialog()
{
    SpectrumStore& s = m_session->store();
    applyEffects(beginXYScale(s));
    XYScaleFields fields = xyScaleFromStore(s);
    if (runXYScaleDialog(this, fields)) applyEffects(applyXYScale(s, fields));
}

void CMainFrame::planckCalibrationDialog()
{
    bool ok = false;
    const QString text = QInputDialog::getText(this, tr("Black body temperature"), tr("Black body temperature"),
                                               QLineEdit::Normal, QString::fromLatin1(kBlackBodyDefaultText), &ok);
    if (!ok) return;
    halden::xyzPlanckCalibration(m_session->store(), m_prompt, text.toStdString());
    applyEffects(CommandEffects{.repaint = true});
}

void CMainFrame::saveToFlash()
{
    if (refuseWhileFlashing(ids::kSaveCalibrationToFlash)) return;
    showStatus(QString::fromLatin1(messages::kFlashInProcess));
    const bool written = m_session->saveCalibrationToFlash();
    showStatus(written ? QString::fromLatin1(messages::kFlashUpdated) : tr("Ready"));
    mirrorBars();
}

void CMainFrame::commitChartBarText(int id, const QString& text)
{
    SpectrumStore& s = m_session->store();
    const std::string typed = text.toStdString();
    std::optional<std::string> refusal;
    if (id == ids::kExposureEdit) refusal = commitExposureText(s, typed);
    else if (id == ids::kScansEdit) refusal = commitScansText(s, typed);
    else if (id == ids::kBoxcarEdit) refusal = commitBoxcarText(s, typed);
    // The edit shows the value now in force (as formatted, or the last valid
    // one) before any message takes the focus away from it.
    m_chartBar->showEditTexts(s.m_chartBar);
    if (refusal) m_prompt.showMessage(*refusal, messages::kCaptionMessage);
    applyEffects(CommandEffects{.repaint = true});
}

void CMainFrame::requestGaussian()
{
    if (!needsSpectrum("Gaussian Appr.")) return;
    m_gauss->request(m_session->store());
    applyEffects(CommandEffects{.repaint = true});
}

std::unique_ptr<QSettings> CMainFrame::openSettings(QString* irregular) const
{
    return openSettingsIfRegular(m_options.settingsFile, irregular);
}

void CMainFrame::restoreWindowState()
{
    QString irregular;
    if (auto settings = openSettings(&irregular)) {
        m_recent = settings->value(QStringLiteral("Recent File List/files")).toStringList();
        if (settings->contains(QStringLiteral("ChartBar/exposure"))) {
            // The chart bar as it was left, as if typed and checked again.
            SpectrumStore& s = m_session->store();
            const auto text = [&](const char* key, const std::string& fallback) {
                return settings->value(QString::fromLatin1(key), QString::fromStdString(fallback)).toString().toStdString();
            };
            const ChartBarValues defaults = chartBarValues(s);
            ChartBarValues kept;
            kept.exposure = text("ChartBar/exposure", defaults.exposure);
            kept.scans = text("ChartBar/scans", defaults.scans);
            kept.boxcar = text("ChartBar/boxcar", defaults.boxcar);
            kept.average = settings->value(QStringLiteral("ChartBar/average"), defaults.average).toBool();
            kept.autoY = settings->value(QStringLiteral("ChartBar/autoY"), defaults.autoY).toBool();
            kept.logScale = settings->value(QStringLiteral("ChartBar/logScale"), defaults.logScale).toBool();
            restoreChartBarValues(s, kept);
            m_chartBar->showEditTexts(s.m_chartBar);
        }
        const QByteArray geometry = settings->value(QStringLiteral("Window/geometry")).toByteArray();
        if (!geometry.isEmpty()) restoreGeometry(geometry);
        const QByteArray state = settings->value(QStringLiteral("Window/state")).toByteArray();
        if (!state.isEmpty()) restoreState(state);
    } else {
        m_prompt.showMessage(settingsFileWarning(irregular), messages::kCaptionWarning);
    }
    while (m_recent.size() > kRecentCount) m_recent.removeLast();
    refreshRecentMenu();
    // The search bar always starts hidden, the chart bar's mark follows it.
    m_searchDock->hide();
    m_actions.at(ids::kViewDatabase)->setChecked(false);
    m_actions.at(ids::kViewChartBar)->setChecked(!m_chartDock->isHidden());
    m_actions.at(ids::kViewToolbar)->setChecked(!m_toolBar->isHidden());
    m_actions.at(ids::kViewColourRendition)->setChecked(!m_renditionDock->isHidden());
    m_actions.at(ids::kViewLight)->setChecked(!m_lightDock->isHidden());
    m_actions.at(ids::kViewCurveList)->setChecked(!m_curveListDock->isHidden());
}

void CMainFrame::saveWindowState()
{
    auto settings = openSettings();
    if (!settings) return;
    settings->setValue(QStringLiteral("Window/geometry"), saveGeometry());
    settings->setValue(QStringLiteral("Window/state"), saveState());
    const ChartBarValues bar = chartBarValues(m_session->store());
    settings->setValue(QStringLiteral("ChartBar/exposure"), QString::fromStdString(bar.exposure));
    settings->setValue(QStringLiteral("ChartBar/scans"), QString::fromStdString(bar.scans));
    settings->setValue(QStringLiteral("ChartBar/boxcar"), QString::fromStdString(bar.boxcar));
    settings->setValue(QStringLiteral("ChartBar/average"), bar.average);
    settings->setValue(QStringLiteral("ChartBar/autoY"), bar.autoY);
    settings->setValue(QStringLiteral("ChartBar/logScale"), bar.logScale);
    settings->sync();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    m_closing = true;
    SpectrumStore& s = m_session->store();
    if (s.m_running) m_session->applyEffects(setRun(s, false));
    m_session->periodicSaveTimer().stop();
    saveWindowState();
    event->accept();
}

}  // namespace halden

#include "moc_CMainFrame.cpp"
