#include "main_form.h"
#include "options_form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMoveEvent>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/about_box.h"
#include "app/debug_form.h"
#include "app/notes_form.h"
#include "app/recovery_guard.h"
#include "app/window_places.h"
#include "arrange/channels_form.h"
#include "arrange/struct_grid.h"
#include "base/debug_log.h"
#include "icons.h"
#include "model/ansi_text.h"
#include "model/projectfile.h"
#include "model/riff_properties_form.h"
#include "model/structure.h"
#include "progress_window.h"
#include "sound/instruments_form.h"
#include "view/position_panel_widget.h"
#include "view/riff_view.h"
#include "widgets/accessible_names.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {
namespace {

constexpr int DefaultWidth = 649;
constexpr int DefaultHeight = 548;
constexpr int DesignedTabControlHeight = 254;
constexpr int ReapIntervalMs = 100;
constexpr int PlayingRowIntervalMs = 50;
constexpr int DebugShowFallbackMs = 1000;

} // namespace

TMainForm::TMainForm(TMainFormSetup setup, QWidget* parent)
    : QMainWindow(parent), m_setup(std::move(setup)), m_clock([] {
          QElapsedTimer clock;
          clock.start();
          return clock.msecsSinceReference();
      }) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setWindowIcon(ToolIcon(TToolIcon::Application));
    resize(DefaultWidth, DefaultHeight);

    m_settings.INIInit(m_setup.SettingsPath);
    m_showHints = m_settings.INIReadNum("ShowHints", 1) != 0;
    m_smoothDrawing = m_settings.INIReadNum("OptionSmoothDrawing", 1) != 0;

    m_document.New();
    m_project.SetChangedListener([this](bool changed) {
        if (m_save)
            m_save->setEnabled(changed);
    });
    m_document.OnModelChanged = [this] {
        if (m_undo)
            UpdateUndoActions();
    };

    if (m_setup.Audio)
        m_playback = std::make_unique<TPlayback>(*m_setup.Audio);
    m_reapTimer.setInterval(ReapIntervalMs);
    connect(&m_reapTimer, &QTimer::timeout, this, [this] {
        if (m_playback)
            m_playback->PlaybackReap();
    });
    m_reapTimer.start();
    m_rowTimer.setInterval(PlayingRowIntervalMs);
    connect(&m_rowTimer, &QTimer::timeout, this, &TMainForm::ShowPlayingRow);

    CreateLayout();
    m_riffProperties = new TRiffPropertiesForm(m_document, this);
    m_riffProperties->setObjectName(QStringLiteral("RiffPropertiesForm"));
    // Its tuning may change how many lines the riff has.
    connect(m_riffProperties, &TRiffPropertiesForm::RiffChanged, this,
            [this] { m_view->RiffSwitched(); });
    // The debug window takes DebugAdd's lines whenever it shows; -debuglog writes them to the
    // day's log file as well.
    m_debugForm = new TDebugForm(this);
    SetDebugSink(m_debugForm);
    if (HasSwitch(m_setup.Arguments, QStringLiteral("-debuglog")) && !DebugLogging()) {
        SetDebugLogging(true);
        m_startedDebugLogging = true;
    }
    m_channelsForm = new TChannelsForm(this);
    m_channelsForm->SetFileTiming(m_settings.INIReadNum("ImportFileTiming", 0) != 0);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    // After the toolbar: the window's own Copy and Paste buttons are found first by name.
    CreateInstrumentsForm();
    CreateOptionsForm();
    // Screen readers and UI automation read the hints and captions that sighted users read.
    SetAccessibleNames(this, {{"RiffTabs", "Riffs"}, {"gStruct", "Song structure"}});
    if (auto* corner = m_grid->findChild<QAbstractButton*>()) // selects every cell
        corner->setAccessibleName(QStringLiteral("Select All"));
    NameToolButtons(this);
    BindRiffTabs();
    m_subscription =
        m_document.Subscribe([this](const TChangeSet& changes) { FollowChanges(changes); });
    m_grid->OnPlaceChanged = [this] { m_editor.Grid = m_grid->Place(); };
    ApplyShowHints(m_showHints);
    ApplySmoothDrawing(m_smoothDrawing);
    qApp->installEventFilter(this);

    m_save->setEnabled(false);
    m_recovery = new TRecoveryGuard(m_document, m_settings, this);
    m_tabs->Strip().SelectAndFill(0);
    // Before the window first shows: the window manager places its frame where it was left.
    RestoreWindowPlace(m_settings, *this, "MainForm", true);
    if (!m_playback)
        SetStatusText(QStringLiteral("No sound output"));
}

TMainForm::~TMainForm() {
    qApp->removeEventFilter(this);
    RemoveDebugSink(m_debugForm);
    if (m_startedDebugLogging) {
        SetDebugLogging(false);
        DebugLogFlush(); // the last lines reach the file before the program ends
    }
    // The windows and widgets that edit the document go before it: Qt would delete them only
    // after the document, and they store their values when they lose the focus or hide.
    m_tabs->Strip().OnRead = nullptr;
    m_tabs->Strip().OnFill = nullptr;
    m_tabs->Strip().OnEdit = nullptr;
    m_document.OnModelChanged = nullptr;
    m_document.Unsubscribe(m_subscription);
    m_grid->OnPlaceChanged = nullptr;
    m_project.SetChangedListener({});
    delete m_riffProperties;
    delete m_instrumentsForm;
    delete m_notesForm;
    // Closes the MIDI devices; no message reaches this window afterwards.
    delete m_optionsForm;
    delete centralWidget();
    // Playback streams go before the audio output they came from.
    m_playback.reset();
}

void TMainForm::CreateLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Vertical, central);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));

    m_riffArea = new QWidget(m_splitter);
    // No least height of its own: the tab strip's rows and a whole band of the riff view.
    m_riffArea->setObjectName(QStringLiteral("TabControl"));
    auto* riffLayout = new QVBoxLayout(m_riffArea);
    riffLayout->setContentsMargins(0, 0, 0, 0);
    riffLayout->setSpacing(0);
    m_tabs = new TTabControlSmart(m_project.RiffNames, m_riffArea);
    m_tabs->setObjectName(QStringLiteral("RiffTabs"));
    m_view = new TRiffView(m_document, m_riffArea);
    riffLayout->addWidget(m_tabs);
    riffLayout->addWidget(m_view, 1);

    CreateStructGrid();
    m_splitter->addWidget(m_riffArea);
    m_splitter->addWidget(m_grid);
    // The song grid fills the rest: a larger window gives it the room, the riff area keeps
    // its height.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({DesignedTabControlHeight, DefaultHeight - DesignedTabControlHeight});
    layout->addWidget(m_splitter);
    setCentralWidget(central);

    m_positionPanel = new TPositionPanelWidget(m_project, m_editor, statusBar());
    m_statusPanel = new QLabel(statusBar());
    m_statusPanel->setObjectName(QStringLiteral("StatusPanel1"));
    m_statusPanel->setMinimumWidth(50);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(m_positionPanel);
    statusBar()->addWidget(m_statusPanel, 1);
    connect(m_view, &TRiffView::ViewChanged, m_positionPanel, &TPositionPanelWidget::Refresh);
    connect(m_view, &TRiffView::ViewChanged, m_tabs, qOverload<>(&QWidget::update));
    connect(m_view, &TRiffView::DurationButtonsChanged, this, &TMainForm::ShowDurationButtons);

    m_view->PreviewPitch = [this](int pitch) { PreviewPitch(pitch); };
    m_view->SwitchRiffTab = [this](int step) {
        int next = m_tabs->SelectedIndex() + step;
        if (next >= 0 && next < m_tabs->TabCount()) {
            m_tabs->Strip().SelectAndFill(next);
            m_tabs->Refresh();
        }
    };
    m_view->OpenRiffProperties = [this] { OpenRiffPropertiesWindow(); };
    setTabOrder(m_view->findChild<QWidget*>(QStringLiteral("eRiff1")),
                m_view->findChild<QWidget*>(QStringLiteral("eRiff2")));
    setTabOrder(m_view->findChild<QWidget*>(QStringLiteral("eRiff2")), m_grid);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_firstShown) {
        m_firstShown = true;
        FirstShow();
        ShowStartSplash();
    }
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // The window manager may place the window only after it first showed.
    if (m_splash && m_splash->isVisible())
        CentreSplash();
}

void TMainForm::CentreSplash() {
    QRect box(QPoint(), m_splash->size());
    box.moveCenter(frameGeometry().center());
    QRect screen = VirtualScreen();
    box.moveLeft(std::clamp(box.left(), screen.left(),
                            std::max(screen.left(), screen.right() + 1 - box.width())));
    box.moveTop(std::clamp(box.top(), screen.top(),
                           std::max(screen.top(), screen.bottom() + 1 - box.height())));
    m_splash->move(box.topLeft());
}

void TMainForm::ShowStartSplash() {
    if (m_setup.SplashMs < 0 || !StartSplashWanted(m_setup.Arguments))
        return;
    m_splash = new TAboutBox(TAboutBox::TMode::Splash, this);
    CentreSplash();
    m_splash->show();
    m_splash->StartCloseTimer(m_setup.SplashMs);
}

TAboutBox* TMainForm::Splash() const {
    return m_splash;
}

void TMainForm::ShowAbout() {
    TAboutBox box(TAboutBox::TMode::Dialog, this);
    box.exec();
}

void TMainForm::FirstShow() {
    StartMidiInput();
    int tabHeight =
        std::max(44, m_settings.INIReadNum("Main:TabControlHeight", DesignedTabControlHeight));
    // After the window's layout has given the splitter its height.
    QTimer::singleShot(0, this, [this, tabHeight] {
        // The sizes share the height left by the handle; a larger sum would be scaled down
        // and the riff area would shrink a little with every start.
        int room = m_splitter->height() - m_splitter->handleWidth();
        m_splitter->setSizes({tabHeight, std::max(1, room - tabHeight)});
    });
    m_master = std::clamp(m_settings.INIReadNum("Master", 50), 0, 100);
    m_instrumentsForm->SetMasterVolume(m_master);
    RestoreWindowPlace(m_settings, *m_instrumentsForm, "InstrumentsForm", true, this);
    RestoreWindowPlace(m_settings, *m_notesForm, "NotesForm", true, this);
    RestoreWindowPlace(m_settings, *m_riffProperties, "RiffPropertiesForm", false, this);
    RestoreWindowPlace(m_settings, *m_debugForm, "DebugForm", true, this);
    if (HasSwitch(m_setup.Arguments, QStringLiteral("-debug"))) {
        // Beside the main window once the window manager has framed and placed it (it is
        // activated then); before that its frame is unknown and the debug window would go
        // half off the screen. Without a window manager no activation comes: a second will do.
        m_debugAtStart = true;
        QTimer::singleShot(DebugShowFallbackMs, this, [this] { ShowDebugAtStart(); });
    }

    m_recent.Load(m_settings, [](const std::string& path) {
        return QFileInfo::exists(QString::fromStdString(path));
    });
    for (const QString& argument : m_setup.Arguments) {
        if (argument.startsWith(QLatin1Char('-')))
            continue; // switches belong to other parts of the program
        // The title, Save and Open Recent want the full path, whatever the shell passed.
        QString path = QFileInfo(argument).absoluteFilePath();
        if (m_document.Load(path.toStdString())) {
            SetProjectPath(path);
            m_recent.Add(path.toStdString());
            m_recent.Save(m_settings);
        }
        LoadSelectedRiff();
    }
    LoadSelectedRiff();
    m_instrumentsForm->SelectInstrument(0);
    m_notesForm->ShowModel();
    m_view->FocusStaff();
    // Once the window shows: a recovered copy opens as its project, changed.
    QTimer::singleShot(0, this, [this] {
        m_recovery->OfferAtStart([this](const std::string& file, const std::string& path) {
            if (!m_document.Load(file))
                return false;
            m_document.SetPath(path);
            m_document.MarkChanged();
            SetProjectPath(QString::fromStdString(path));
            m_tabs->Strip().SelectAndFill(0);
            ModelReplaced();
            return true;
        });
    });
}

void TMainForm::ShowDebugAtStart() {
    if (!m_debugAtStart)
        return;
    m_debugAtStart = false;
    // The keyboard stays with the editor.
    m_debugForm->setAttribute(Qt::WA_ShowWithoutActivating, true);
    m_debugForm->show();
    m_debugForm->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (CloseDuringRender()) {
        event->ignore();
        return;
    }
    if (!ConfirmDiscard()) {
        event->ignore();
        return;
    }
    bPauseClick();
    if (m_playback)
        m_playback->PlaybackStop();
    m_recovery->CleanExit();
    SaveSettings();
    event->accept();
}

void TMainForm::SaveSettings() {
    SaveWindowPlace(m_settings, *this, "MainForm");
    SaveWindowPlace(m_settings, *m_riffProperties, "RiffPropertiesForm");
    SaveWindowPlace(m_settings, *m_instrumentsForm, "InstrumentsForm");
    SaveWindowPlace(m_settings, *m_notesForm, "NotesForm");
    SaveWindowPlace(m_settings, *m_debugForm, "DebugForm");
    m_settings.INIWriteNum("Main:TabControlHeight", m_splitter->sizes().value(0));
    m_settings.INIWriteNum("Master", m_master);
    m_settings.INIWriteNum("ShowHints", m_showHints ? 1 : 0);
    m_settings.INIWriteNum("OptionSmoothDrawing", m_smoothDrawing ? 1 : 0);
    m_settings.INIWriteNum("ImportFileTiming", m_channelsForm->FileTiming() ? 1 : 0);
    m_recent.Save(m_settings);
    m_settings.INIBackup();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // "Show Hints" off: no tool tips anywhere in the program.
    if (event->type() == QEvent::ToolTip && !m_showHints)
        return true;
    if (event->type() == QEvent::KeyPress && PlaybackKeys(watched, *static_cast<QKeyEvent*>(event)))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ApplyShowHints(bool show) {
    m_showHints = show;
    if (m_showHintsAction)
        m_showHintsAction->setChecked(show);
}

void TMainForm::ApplySmoothDrawing(bool smooth) {
    m_smoothDrawing = smooth;
    if (m_smoothDrawingAction)
        m_smoothDrawingAction->setChecked(smooth);
    m_view->SetSmoothDrawing(smooth);
}

QString TMainForm::StatusText() const {
    return m_statusPanel->text();
}

void TMainForm::SetStatusText(const QString& text) {
    m_statusPanel->setText(text);
}

QString TMainForm::AskFile(bool save, const QString& title, const QString& filter,
                           const QString& path, QString* selectedFilter) {
    if (m_setup.FileDialog)
        return m_setup.FileDialog(save, title, filter, path);
    if (save)
        return QFileDialog::getSaveFileName(this, title, path, filter, selectedFilter);
    return QFileDialog::getOpenFileName(this, title, path, filter);
}

TEditorContext TMainForm::Context() {
    return m_view->Context();
}

void TMainForm::RefreshAll() {
    m_tabs->Refresh();
    m_view->RefreshView();
    RefreshStructGrid();
}

void TMainForm::ShowDurationButtons(const TDurationButtons& buttons) {
    for (size_t d = 0; d < m_durations.size(); ++d)
        m_durations[d]->setChecked(d == buttons.Duration);
    m_dot->setChecked(buttons.Dot);
    m_dotDot->setChecked(buttons.DotDot);
    m_tie->setChecked(buttons.Tie);
}

void TMainForm::LoadSelectedRiff() {
    int selected = m_tabs->SelectedIndex();
    m_tabs->Strip().SelectAndFill(selected >= 0 && selected < m_tabs->TabCount() ? selected : 0);
    RefreshAll();
}

} // namespace zel
