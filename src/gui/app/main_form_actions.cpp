// The main window's menus and toolbar: every command with its caption, shortcut, hint, icon
// and handler.
#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QToolButton>

#include "document/document_edits.h"
#include "icons.h"
#include "main_form.h"
#include "model/ansi_text.h"
#include "view/riff_view.h"
#include "widgets/menu_text.h"
#include "widgets/speed_box.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {

QAction* TMainForm::AddAction(const char* name, const QString& caption,
                              const QKeySequence& shortcut, std::function<void()> handler) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, [handler] { handler(); });
    else
        action->setEnabled(false); // its window comes in a later version
    return action;
}

QAction* TMainForm::AddButton(QToolBar* bar, const char* name, int icon, const QString& hint,
                              std::function<void()> handler, QAction* shared) {
    QAction* action = shared;
    if (!action) {
        action = new QAction(this);
        if (handler)
            connect(action, &QAction::triggered, this, [handler] { handler(); });
        else
            action->setEnabled(false);
    }
    action->setIcon(ToolIcon(TToolIcon(icon)));
    QWidget* button = nullptr;
    if (shared) {
        // A button of its own for a command the menu has too: same action, own hint.
        auto* tool = new QToolButton(bar);
        tool->setDefaultAction(action);
        tool->setAutoRaise(true);
        tool->setFocusPolicy(Qt::NoFocus);
        bar->addWidget(tool);
        button = tool;
    } else {
        bar->addAction(action);
        button = bar->widgetForAction(action);
    }
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    // A button shows its command's hint again whenever the command changes (Save is enabled
    // and disabled all the time), so a shared command carries the button's hint too.
    if (!shared || !hint.isEmpty())
        action->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    return action;
}

void TMainForm::FlagCommand(TNoteFlagCommand command) {
    DocumentFlagCommand(m_document, command, Context());
    ShowDurationButtons(UpdateDurationButtons(m_project, m_editor));
}

void TMainForm::RunKey(TEditKey key) {
    TKeyPress press;
    press.Key = key;
    TEditorContext context = Context();
    context.ViewHasFocus = true; // the menu acts on the riff as its key would
    DocumentRiffKey(m_document, press, context);
    m_view->RefreshView();
    ShowDurationButtons(UpdateDurationButtons(m_project, m_editor));
}

void TMainForm::CreateActions() {
    m_save = AddAction("mSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
                       [this] { SaveProject(false); });
    m_save->setIcon(ToolIcon(TToolIcon::Save));
    m_undo = AddAction("mUndo", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                       [this] { UndoClick(); });
    m_undo->setIcon(ToolIcon(TToolIcon::Undo));
    m_redo = AddAction("mRedo", QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                       [this] { RedoClick(); });
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    m_redo->setIcon(ToolIcon(TToolIcon::Redo));
    UpdateUndoActions();
    CreateFollowAction();
}

void TMainForm::UpdateUndoActions() {
    // "Undo Typing", "Redo Insert Riff": the menu says what the command will act on.
    auto caption = [](const char* verb, const std::string& name) {
        QString text = QString::fromLatin1(verb);
        if (!name.empty())
            text += QLatin1Char(' ') + QString::fromStdString(name);
        return text;
    };
    m_undo->setText(caption("&Undo", m_document.UndoName()));
    m_undo->setEnabled(m_document.CanUndo());
    m_redo->setText(caption("&Redo", m_document.RedoName()));
    m_redo->setEnabled(m_document.CanRedo());
    // The toolbar buttons say the same, to the eye and to screen readers.
    for (QAction* action : {m_undo, m_redo}) {
        QString hint = action->text().remove(QLatin1Char('&'));
        action->setToolTip(hint);
        for (QObject* object : action->associatedObjects())
            if (auto* button = qobject_cast<QToolButton*>(object)) {
                button->setToolTip(hint);
                button->setAccessibleName(hint);
            }
    }
}

void TMainForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mFile"));
    QAction* newAction = AddAction("mNew", QStringLiteral("&New"),
                                   QKeySequence(Qt::CTRL | Qt::Key_N), [this] { NewProject(); });
    newAction->setIcon(ToolIcon(TToolIcon::New));
    QAction* openAction = AddAction("mOpen", QStringLiteral("Op&en"),
                                    QKeySequence(Qt::CTRL | Qt::Key_O), [this] { OpenProject(); });
    openAction->setIcon(ToolIcon(TToolIcon::Open));
    file->addAction(newAction);
    file->addAction(openAction);
    m_recentMenu = file->addMenu(QStringLiteral("Open Recent..."));
    m_recentMenu->setObjectName(QStringLiteral("mOpenRecent"));
    file->addAction(m_save);
    file->addAction(AddAction("mSaveAs", QStringLiteral("Save As..."),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                              [this] { SaveProject(true); }));
    file->addSeparator();
    file->addAction(AddAction("mImportMIDI", QStringLiteral("Import MIDI"),
                              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O),
                              [this] { mImportMIDIClick(); }));
    file->addAction(AddAction("mExportWAV", QStringLiteral("Export WAV..."),
                              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S),
                              [this] { bPlayScriptClick(QStringLiteral("mExportWAV")); }));
    file->addAction(AddAction("mExportAudio", QStringLiteral("Export Audio..."), {},
                              [this] { bPlayScriptClick(QStringLiteral("mExportAudio")); }));
    file->addAction(m_includeClicksAction);
    file->addAction(AddAction("mExportMIDI", QStringLiteral("Export MIDI..."), {},
                              [this] { mExportMIDIClick(); }));
    CreateGuitarProMenu(file);
    QAction* print = AddAction("mPrint", QStringLiteral("&Print..."),
                               QKeySequence(Qt::CTRL | Qt::Key_P), [this] { mPrintClick(); });
    print->setIcon(ToolIcon(TToolIcon::Print));
    file->addAction(print);
    file->addSeparator();
    file->addAction(AddAction("mQuit", QStringLiteral("&Quit"), QKeySequence(Qt::ALT | Qt::Key_F4),
                              [this] { close(); }));
    connect(file, &QMenu::aboutToShow, this, &TMainForm::RebuildRecentMenu);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mEdit"));
    edit->addAction(m_undo);
    edit->addAction(m_redo);
    edit->addSeparator();
    auto editAction = [&](const char* name, const QString& caption, QKeySequence keys,
                          TToolIcon icon, std::function<void()> handler) {
        QAction* action = AddAction(name, caption, keys, std::move(handler));
        action->setIcon(ToolIcon(icon));
        edit->addAction(action);
        return action;
    };
    editAction("mCut", QStringLiteral("C&ut"), QKeySequence(Qt::CTRL | Qt::Key_X), TToolIcon::Cut,
               [this] { m_view->CutToClipboard(); });
    editAction("mCopy", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
               TToolIcon::Copy, [this] { CopyClick(); });
    editAction("mPaste", QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
               TToolIcon::Paste, [this] { PasteClick(); });
    edit->addAction(AddAction("mCopyTextTab", QStringLiteral("Copy as Text Tab"), {},
                              [this] { mCopyTextTabClick(); }));
    editAction("mDeleteNotes", QStringLiteral("Delete"), {}, TToolIcon::Delete,
               [this] { m_view->DeleteSelectionCommand(); });
    edit->addAction(AddAction("mSelectAll", QStringLiteral("Select All"),
                              QKeySequence(Qt::CTRL | Qt::Key_A), [this] {
                                  SelectAll(CurrentRiffOf(m_project, m_editor));
                                  m_view->RefreshView();
                              }));
    edit->addSeparator();
    edit->addAction(AddAction("mDeleteCurrentRiff", QStringLiteral("Delete Current Riff"), {},
                              [this] { DeleteTabClick(); }));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mView"));
    QAction* instruments =
        AddAction("mInstruments", QStringLiteral("Instruments"), {}, [this] { ShowInstruments(); });
    instruments->setIcon(ToolIcon(TToolIcon::Instruments));
    view->addAction(instruments);
    QAction* notes = AddAction("mNotes", QStringLiteral("Notes"), {}, [this] { ShowNotes(); });
    notes->setIcon(ToolIcon(TToolIcon::NotesText));
    view->addAction(notes);
    QAction* properties = AddAction("mRiffPropertiesView", QStringLiteral("Riff Properties"), {},
                                    [this] { OpenRiffPropertiesWindow(); });
    properties->setIcon(ToolIcon(TToolIcon::RiffProperties));
    view->addAction(properties);
    m_riffMenu = view->addMenu(QStringLiteral("Riff"));
    m_riffMenu->setObjectName(QStringLiteral("mRiff"));
    connect(m_riffMenu, &QMenu::aboutToShow, this, &TMainForm::RebuildRiffMenu);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("mOptions"));
    m_showHintsAction = AddAction("mShowHints", QStringLiteral("Show Hints"), {},
                                  [this] { ApplyShowHints(m_showHintsAction->isChecked()); });
    m_showHintsAction->setCheckable(true);
    m_showHintsAction->setChecked(m_showHints);
    options->addAction(m_showHintsAction);
    m_smoothDrawingAction =
        AddAction("mSmoothDrawing", QStringLiteral("Smooth Drawing"), {},
                  [this] { ApplySmoothDrawing(m_smoothDrawingAction->isChecked()); });
    m_smoothDrawingAction->setCheckable(true);
    m_smoothDrawingAction->setChecked(m_smoothDrawing);
    options->addAction(m_smoothDrawingAction);
    options->addAction(m_followAction);
    options->addAction(m_loopAction);
    options->addAction(m_countInAction);
    options->addAction(m_metronomeAction);
    options->addAction(AddAction("mSpeedTrainer", QStringLiteral("Speed Trainer..."), {},
                                 [this] { ShowSpeedTrainer(); }));
    options->addAction(AddAction("mPreferences", QStringLiteral("Preferences"), {},
                                 [this] { mPreferencesClick(); }));

    QMenu* insert = menuBar()->addMenu(QStringLiteral("&Insert"));
    insert->setObjectName(QStringLiteral("mInsert"));
    insert->addAction(AddAction("mNote", QStringLiteral("Note (Enter)"), {},
                                [this] { RunKey(TEditKey::Enter); }));
    insert->addAction(AddAction("mRest", QStringLiteral("Rest (Insert)"), {},
                                [this] { RunKey(TEditKey::Insert); }));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mHelp"));
    help->addAction(AddAction("mAbout", QStringLiteral("&About"), {}, [this] { ShowAbout(); }));

    m_tabMenu = new QMenu(this);
    m_tabMenu->setObjectName(QStringLiteral("PopupMenuTabs"));
    QAction* tabProperties = AddAction("mRiffProperties", QStringLiteral("Riff Properties"), {},
                                       [this] { OpenRiffPropertiesWindow(); });
    tabProperties->setIcon(ToolIcon(TToolIcon::RiffProperties));
    m_tabMenu->addAction(tabProperties);
    m_tabMenu->addSeparator();
    QAction* deleteTab =
        AddAction("DeleteTab", QStringLiteral("Delete Riff"), {}, [this] { DeleteTabClick(); });
    deleteTab->setIcon(ToolIcon(TToolIcon::Delete));
    m_tabMenu->addAction(deleteTab);
    QAction* insertRiff =
        AddAction("mInsertRiff", QStringLiteral("Insert Riff"), {}, [this] { mInsertRiffClick(); });
    insertRiff->setIcon(ToolIcon(TToolIcon::AddTab));
    m_tabMenu->addAction(insertRiff);
}

void TMainForm::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Main"));
    m_toolBar->setObjectName(QStringLiteral("tbTop"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    QToolBar* bar = m_toolBar;
    auto find = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    using I = TToolIcon;
    AddButton(bar, "bNew", int(I::New), QStringLiteral("New Project"), {}, find("mNew"));
    AddButton(bar, "bOpen", int(I::Open), QStringLiteral("Open Existing Project"), {},
              find("mOpen"));
    AddButton(bar, "bSave", int(I::Save), QStringLiteral("Save Project"), {}, m_save);
    AddButton(bar, "bPrint", int(I::Print), QString(), {}, find("mPrint"));
    bar->addSeparator();
    AddButton(bar, "bCut", int(I::Cut), QStringLiteral("Cut to Clipboard"), {}, find("mCut"));
    AddButton(bar, "bCopy", int(I::Copy), QStringLiteral("Copy to Clipboard"), {}, find("mCopy"));
    AddButton(bar, "bPaste", int(I::Paste), QStringLiteral("Paste from Clipboard"), {},
              find("mPaste"));
    AddButton(bar, "bDelete", int(I::Delete), QStringLiteral("Delete"), {}, find("mDeleteNotes"));
    AddButton(bar, "bUndo", int(I::Undo), QStringLiteral("Undo"), {}, m_undo);
    AddButton(bar, "bRedo", int(I::Redo), QStringLiteral("Redo"), {}, m_redo);
    bar->addSeparator();

    static const char* const names[8] = {"bNote0", "bNote1",  "bNote2",  "bNote4",
                                         "bNote8", "bNote16", "bNote32", "bNote64"};
    static const char* const hints[8] = {"2 x Whole Duration",
                                         "Whole Duration",
                                         "1 / 2",
                                         "1 / 4",
                                         "1 / 8",
                                         "1 / 16",
                                         "1 / 32",
                                         "1 / 64"};
    auto* durations = new QActionGroup(this);
    for (int d = 0; d < 8; ++d) {
        QAction* action =
            AddButton(bar, names[d], int(I::Note0) + d, QString::fromLatin1(hints[d]),
                      [this, d] { DocumentSetDuration(m_document, uint8_t(d), Context()); });
        action->setCheckable(true);
        action->setChecked(d == QuarterDuration);
        durations->addAction(action);
        m_durations[size_t(d)] = action;
    }
    auto* dots = new QActionGroup(this);
    dots->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    m_dot = AddButton(bar, "bNoteDot", int(I::Dot), QStringLiteral("Dotted Note"),
                      [this] { FlagCommand(TNoteFlagCommand::Dot); });
    m_dotDot = AddButton(bar, "bNoteDotDot", int(I::DotDot), QStringLiteral("Double Dotted Note"),
                         [this] { FlagCommand(TNoteFlagCommand::DotDot); });
    m_tie = AddButton(bar, "bNoteTie", int(I::Tie), QStringLiteral("Tie to following Note(s)"),
                      [this] { FlagCommand(TNoteFlagCommand::Tie); });
    for (QAction* action : {m_dot, m_dotDot, m_tie})
        action->setCheckable(true);
    dots->addAction(m_dot);
    dots->addAction(m_dotDot);

    // The toolbar wraps after the tie button.
    addToolBarBreak();
    m_toolBar2 = addToolBar(QStringLiteral("Commands"));
    m_toolBar2->setObjectName(QStringLiteral("tbTop2"));
    m_toolBar2->setMovable(false);
    m_toolBar2->setIconSize(QSize(16, 16));
    bar = m_toolBar2;
    AddButton(bar, "bNoteLonger", int(I::Longer), QStringLiteral("Lengthen Notes"),
              [this] { FlagCommand(TNoteFlagCommand::Lengthen); });
    AddButton(bar, "bNoteShorter", int(I::Shorter), QStringLiteral("Shorten Notes"),
              [this] { FlagCommand(TNoteFlagCommand::Shorten); });
    bar->addSeparator();
    auto strings = [this](TStringCommand command) {
        return
            [this, command] { DocumentStringCommand(m_document, command, m_view->HasEditFocus()); };
    };
    AddButton(bar, "bSharp", int(I::Sharp), QStringLiteral("Transpose Up"),
              strings(TStringCommand::TransposeUp));
    AddButton(bar, "bFlat", int(I::Flat), QStringLiteral("Transpose Down"),
              strings(TStringCommand::TransposeDown));
    AddButton(bar, "bStringUp", int(I::StringUp),
              QStringLiteral("Move to higher string. Same Note."),
              strings(TStringCommand::StringUp));
    AddButton(bar, "bStringDown", int(I::StringDown),
              QStringLiteral("Move to lower string. Same Note."),
              strings(TStringCommand::StringDown));
    AddButton(bar, "bStringReallocate", int(I::StringReallocate),
              QStringLiteral("Reallocate Strings"), strings(TStringCommand::Reallocate));
    m_midi = AddButton(bar, "bMidi", int(I::Midi), QStringLiteral("Insert MIDI Input"),
                       [this] { bMidiClick(); });
    m_midi->setCheckable(true);
    bar->addSeparator();
    struct {
        const char* Name;
        I Icon;
        const char* Hint;
        bool Riff;
    } plays[] = {
        {"bPlayRiff", I::PlayRiff, "Play Current Riff from Cursor", true},
        {"bPlayRiffAll", I::PlayRiffAll, "Play Current Riff", true},
        {"bPlayAllRiffs", I::PlayAllRiffs, "Play All Riffs", true},
        {"bPlayScript", I::PlayScript, "Play Project starting at current Row", false},
        {"bPlayScriptAll", I::PlayScriptAll, "Play Entire Project", false},
        {"bPlayScriptIntro", I::PlayScriptIntro, "Play Project (1 x all)", false},
    };
    for (const auto& play : plays) {
        QString sender = QString::fromLatin1(play.Name);
        bool riff = play.Riff;
        AddButton(bar, play.Name, int(play.Icon), QString::fromLatin1(play.Hint),
                  [this, sender, riff] {
                      if (riff)
                          bPlayRiffClick(sender);
                      else
                          bPlayScriptClick(sender);
                  });
    }
    m_pause =
        AddButton(bar, "bPause", int(I::Pause), QStringLiteral("Pause"), [this] { bPauseClick(); });
    m_pause->setCheckable(true);
    AddButton(bar, "bStop", int(I::Stop), QStringLiteral("Stop"), [this] { bStopClick(); });
    AddButton(bar, "bFollowPlayback", int(I::Follow),
              QStringLiteral("Follow Playback: the riff view shows the note being heard"), {},
              m_followAction);
    AddButton(bar, "bLoop", int(I::Loop), m_loopAction->toolTip(), {}, m_loopAction);
    m_speed = new TSpeedBox(bar);
    m_speed->setObjectName(QStringLiteral("eSpeed"));
    m_speed->setAccessibleName(QStringLiteral("Playback speed"));
    m_speed->setToolTip(
        QStringLiteral("Playback speed: the notes keep their pitch (keys - and +)"));
    m_speed->setFocusPolicy(Qt::ClickFocus);
    m_speed->setValue(m_settings.INIReadNum("PlaybackSpeed", 100));
    connect(m_speed, &QSpinBox::valueChanged, this,
            [this](int speed) { m_settings.INIWriteNum("PlaybackSpeed", speed); });
    bar->addWidget(m_speed);
    bar->addSeparator();
    AddButton(bar, "bInstruments", int(I::Instruments),
              QStringLiteral("Instruments (Synthesizers)"), {}, find("mInstruments"));
    AddButton(bar, "bNotesText", int(I::NotesText), QStringLiteral("Notes (text)"), {},
              find("mNotes"));
}

void TMainForm::RebuildRecentMenu() {
    m_recentMenu->clear();
    m_recent.Load(m_settings, {}); // keep what is in memory in step with the file
    std::vector<std::string> entries = m_recent.Entries();
    bool any = false;
    for (const std::string& entry : entries) {
        QString path = QString::fromStdString(entry);
        if (!QFileInfo::exists(path)) {
            m_recent.Remove(entry);
            continue;
        }
        any = true;
        m_recentMenu->addAction(path, this, [this, path] {
            if (ConfirmDiscard())
                OpenProjectFile(path);
        });
    }
    m_recent.Save(m_settings);
    if (!any)
        m_recentMenu->addAction(QStringLiteral("(no recent projects)"))->setEnabled(false);
}

void TMainForm::RebuildRiffMenu() {
    m_riffMenu->clear();
    for (int i = 0; i < m_project.RiffNames.RecordCount(); ++i) {
        m_riffMenu->addAction(MenuText(m_project.RiffNames[i]), this, [this, i] {
            m_tabs->Strip().SelectAndFill(i);
            m_tabs->Refresh();
        });
    }
}

} // namespace zel
