// TMainForm: the editor's main window. It owns the open project and the editor state, binds
// the menus, the toolbar, the riff tabs and the riff view to the core's operations, runs the
// project's lifecycle (new, open, save, the question before unsaved work is dropped) and the
// play and export commands.
#pragma once

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>

#include "app/project_lifecycle.h"
#include "app/settings.h"
#include "arrange/loop_plan.h"
#include "arrange/play_follow.h"
#include "arrange/structure_grid.h"
#include "base/progress.h"
#include "document/document.h"
#include "document/midi_note_in.h"
#include "edit/editor_commands.h"
#include "model/song.h"
#include "sound/playbuffer.h"
#include "sound/render_clock.h"

namespace zel {

class TRiffView;
class TTabControlSmart;
class TPositionPanelWidget;
class TProgressWindow;
class TRiffPropertiesForm;
class TAboutBox;
class TStructGrid;
class TInstrumentsForm;
class TNotesForm;
class TStructEditor;
class TDebugForm;
class TChannelsForm;
class TSpeedBox;
class TPrintForm;
class TOptionsForm;
class TRecoveryGuard;

// What the program gives the window; tests give their own.
struct TMainFormSetup {
    std::string SettingsPath;            // the settings file (read at start, written at close)
    std::unique_ptr<TAudioOutput> Audio; // none: the program says once that there is no sound
    QStringList Arguments;               // the command line without the program name
    // File dialogs: (save, title, filter, suggested path) -> chosen path, empty if cancelled.
    std::function<QString(bool, const QString&, const QString&, const QString&)> FileDialog;
    // The about box shown at start closes itself after this many milliseconds (unless the
    // command line says -nosplash or -noabout); negative: no about box at start.
    int SplashMs = -1;
};

// How a loop's buffer maps onto the user's riffs: see TLoopPlan.
struct TFollowMap {
    std::vector<int> SourceRiff; // empty: the riffs are the project's own
    int RecordOffset = 0;
    int64_t LoopStart = -1;                          // frames; -1: no loop
    std::vector<std::pair<int64_t, int>> PassSpeeds; // frame where a pass starts, speed
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(TMainFormSetup setup, QWidget* parent = nullptr);
    ~TMainForm() override;

    TDocument& Document() { return m_document; }
    TProject& Project() { return m_project; }
    TEditorState& Editor() { return m_editor; }
    TRiffView* RiffView() const { return m_view; }
    TTabControlSmart* RiffTabs() const { return m_tabs; }
    const QString& ProjectPath() const { return m_projectPath; }
    TPlayback* Playback() const { return m_playback.get(); }
    QString StatusText() const;
    TRiffPropertiesForm* RiffProperties() const { return m_riffProperties; }
    TStructGrid* StructGrid() const { return m_grid; }
    TStructEditor* StructEditor() const { return m_structEditor; }
    // The instrument that riff playback and note preview use: the one the instruments window
    // shows.
    int CurrentInstrument() const;
    TInstrumentsForm* InstrumentsForm() const { return m_instrumentsForm; }
    void ShowInstruments();
    TNotesForm* NotesForm() const { return m_notesForm; }
    void ShowNotes();
    // The about box shown at start, while it shows.
    TAboutBox* Splash() const;
    // The debug window and the MIDI import's channel dialog, made at start and kept.
    TDebugForm* DebugForm() const { return m_debugForm; }
    TChannelsForm* ChannelsForm() const { return m_channelsForm; }

    // The lifecycle commands.
    void NewProject();
    void OpenProject();
    bool OpenProjectFile(const QString& path);
    // Save (to the project's path, or through the dialog when it has none) and Save As.
    bool SaveProject(bool saveAs);
    // True when the current project may be dropped (saved, discarded or unchanged).
    bool ConfirmDiscard();
    void SetProjectPath(const QString& path);

    // The play commands of the toolbar, by sender name (bPlayRiff, bPlayRiffAll,
    // bPlayAllRiffs; bPlayScript, bPlayScriptAll, bPlayScriptIntro, mExportWAV).
    void bPlayRiffClick(const QString& sender);
    void bPlayScriptClick(const QString& sender);
    // Space plays and stops: the song from the song grid, else the current riff from the
    // cursor; not in the riff view, where Space edits the note. - and + step the playback
    // speed. None of them in text fields or on buttons.
    bool PlaybackKeys(QObject* watched, const QKeyEvent& event);
    void bPauseClick();
    void bStopClick();
    void PreviewPitch(int pitch);

    // Riff tab commands.
    void DeleteTabClick();
    void mInsertRiffClick();
    void OpenRiffPropertiesWindow();

    // File > Import MIDI: a MIDI file's notes into the current riff at its cursor.
    void mImportMIDIClick();
    // File > Export MIDI...: the song as a MIDI file.
    void mExportMIDIClick();
    // File > Open Guitar Pro File...: a .gp3/.gp4/.gp5 song as a new, unsaved project (also a
    // file dropped on the window); the summary goes to the debug log, what was left out or
    // approximated to a message. File > Export MusicXML...: the song as .musicxml or .mxl.
    void mOpenGuitarProClick();
    bool OpenGuitarProFile(const QString& path);
    void mExportMusicXmlClick();
    // Edit > Copy as Text Tab: the selected notes (or the whole riff) as text tab.
    void mCopyTextTabClick();
    // File > Print: the print dialog, made the first time it is asked for and kept.
    void mPrintClick();
    TPrintForm* PrintForm();

    // MIDI keyboard input: the handler of every received message, the "Insert MIDI Input"
    // toggle, and Options > Preferences.
    void MidiNoteIn(int aDeviceIndex, uint8_t aStatus, uint8_t aData1, uint8_t aData2);
    void bMidiClick();
    void mPreferencesClick();
    TOptionsForm* OptionsForm() const { return m_optionsForm; }

    // Loads the selected riff tab into the view (after a project was loaded or reset).
    void LoadSelectedRiff();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateGuitarProMenu(QMenu* file);
    void CreateToolBar();
    void CreateLayout();
    void BindRiffTabs();
    void FirstShow();
    // The debug window asked for on the command line, shown once the main window is placed.
    void ShowDebugAtStart();
    void ShowStartSplash();
    // Over the middle of the main window, all of it on the screen.
    void CentreSplash();
    void ShowAbout();
    void SaveSettings();
    void RebuildRecentMenu();
    void RebuildRiffMenu();
    void RefreshAll();
    // The grid takes the instruments and the structure again.
    void RefreshStructGrid();
    void CreateStructGrid();
    void CreateInstrumentsForm();
    void CreateOptionsForm();
    // Listens to the MIDI input devices and opens the one last chosen.
    void StartMidiInput();
    // Plays a key's pitch (when previews are wanted) after this turn's messages are handled.
    void QueuePreview(int pitch);
    // Copy and Paste act on the song grid while it has the focus, on the notes otherwise.
    void CopyClick();
    void PasteClick();
    void ShowDurationButtons(const TDurationButtons& buttons);
    void SetStatusText(const QString& text);
    void ApplyShowHints(bool show);
    void ApplySmoothDrawing(bool smooth);
    // `selectedFilter` (optional) starts as the filter shown first and returns the one chosen.
    QString AskFile(bool save, const QString& title, const QString& filter, const QString& path,
                    QString* selectedFilter = nullptr);
    // The path of an audio export ("Export WAV..." or "Export Audio..."); empty when cancelled.
    QString AskExportPath(bool anyFormat);
    // A WAV export is written while the song renders, from its first row on; none for other
    // formats or when the file cannot be opened (WriteExport then says why).
    std::unique_ptr<TWavFollower> StartWavExport(const QString& path, const TSharedBuffer& buffer);
    // Writes the rendered song into the export file: finishes the WAV file written while the
    // song rendered, or writes the file whole, encoding off the window's thread.
    void WriteExport(const QString& path, const TSharedBuffer& buffer,
                     std::unique_ptr<TWavFollower> wav = nullptr);
    QAction* AddAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                       std::function<void()> handler);
    QAction* AddButton(QToolBar* bar, const char* name, int icon, const QString& hint,
                       std::function<void()> handler, QAction* shared = nullptr);
    TEditorContext Context();
    void BeginRender(TRenderer& renderer);
    // True (with a beep) while a render runs: play and export commands are refused meanwhile.
    bool RenderBusy();
    // Closing while a song renders cancels the render; the window closes once it has stopped.
    bool CloseDuringRender();
    void FlagCommand(TNoteFlagCommand command);
    void RunKey(TEditKey key);
    void UndoClick();
    void RedoClick();
    // After a replaced project: every view shows the model again.
    void ModelReplaced();
    // The main window's views follow each change set: the riff tabs, the riff view, the grid
    // and the notes; undo and redo show the riff, the cells they changed.
    void FollowChanges(const TChangeSet& changes);
    void UpdateUndoActions();
    // While a song plays, the grid's row labels show which row is heard.
    void FollowPlayingRows(const TSharedBuffer& buffer, std::vector<TRowStart> starts);
    void ShowPlayingRow();
    // The rows of another project (or none) are shown: the labels no longer follow the song.
    void StopFollowingRows();
    // Follow Playback: the riff view marks the record heard (and the riff tab follows the
    // song) while `buffer` plays, from the device's played frames.
    void StartFollowing(const TSharedBuffer& buffer, TPlayFollower follower, TFollowMap map = {});
    // Loop, count-in or metronome on: plays the riff or the song as they ask (a loop goes round
    // the selected notes or rows), or with `exportPath` renders the song into that file. False
    // when none of them is on and the play buttons' own way plays.
    bool PlayPractice(const QString& sender, const QString& exportPath = {});
    void ShowSpeedTrainer();
    TSpeedTrainer Trainer();
    void FollowTick();
    void StopFollowing();
    void CreateFollowAction();

    TDocument m_document;
    int m_subscription = 0;
    TProject& m_project = m_document.Project();
    TEditorState& m_editor = m_document.Editor();
    TSettingsStore m_settings;
    TRecentProjects m_recent;
    TMainFormSetup m_setup;
    QString m_projectPath;
    // The path Save suggests for a project that has none yet (an opened Guitar Pro file's).
    QString m_untitledPath;
    int m_master = 50;
    bool m_showHints = true;
    bool m_smoothDrawing = true;
    bool m_firstShown = false;
    bool m_closing = false;
    bool m_debugAtStart = false;

    TOptionsForm* m_optionsForm = nullptr;
    QAction* m_midi = nullptr;
    TMidiEntry m_midiEntry;
    std::vector<int> m_pendingPreviews;

    std::unique_ptr<TPlayback> m_playback;
    TRenderClock m_clock;
    TProgressWindow* m_renderProgress = nullptr; // the running song render's, if any
    bool m_closeAfterRender = false;
    QTimer m_reapTimer;
    QTimer m_rowTimer;
    std::weak_ptr<TSampleBuffer> m_songBuffer;
    int64_t m_rowsLoopStart = -1; // frames; -1: the song does not loop
    QTimer m_followTimer;
    TPlayFollower m_follower;
    std::weak_ptr<TSampleBuffer> m_followBuffer;
    QAction* m_followAction = nullptr;
    QAction* m_loopAction = nullptr;
    QAction* m_countInAction = nullptr;
    QAction* m_metronomeAction = nullptr;
    QAction* m_includeClicksAction = nullptr;
    TFollowMap m_followMap;
    int m_shownPassSpeed = 0;
    TSpeedBox* m_speed = nullptr;
    std::vector<TRowStart> m_songRows;

    TTabControlSmart* m_tabs = nullptr;
    TRiffView* m_view = nullptr;
    TStructGrid* m_grid = nullptr;
    TStructEditor* m_structEditor = nullptr;
    TInstrumentsForm* m_instrumentsForm = nullptr;
    TNotesForm* m_notesForm = nullptr;
    QSplitter* m_splitter = nullptr;
    QWidget* m_riffArea = nullptr;
    TPositionPanelWidget* m_positionPanel = nullptr;
    QLabel* m_statusPanel = nullptr;
    TRiffPropertiesForm* m_riffProperties = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolBar* m_toolBar2 = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_riffMenu = nullptr;
    QMenu* m_tabMenu = nullptr;
    QAction* m_save = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_showHintsAction = nullptr;
    QAction* m_smoothDrawingAction = nullptr;
    QAction* m_pause = nullptr;
    std::array<QAction*, 8> m_durations{};
    QAction* m_dot = nullptr;
    QAction* m_dotDot = nullptr;
    QAction* m_tie = nullptr;
    QPointer<TAboutBox> m_splash;

    // The debug log and the MIDI import.
    TDebugForm* m_debugForm = nullptr;
    TChannelsForm* m_channelsForm = nullptr;
    bool m_startedDebugLogging = false;
    QString m_importFolder;

    TPrintForm* m_printForm = nullptr;
    TRecoveryGuard* m_recovery = nullptr; // autosave and the offer of copies at start
};

} // namespace zel
