// The main window's play, pause, stop and export commands and the note preview. A render works
// on its own copy of the project: the window stays live while a song renders (the progress
// window lets events through), so the user may type, open or start another project meanwhile.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include "arrange/practice.h"
#include "arrange/struct_grid.h"
#include "base/markup.h"
#include "base/message_service.h"
#include "main_form.h"
#include "model/datafile.h"
#include "options_form.h"
#include "progress_window.h"
#include "sound/sequencer.h"
#include "view/riff_view.h"
#include "widgets/speed_box.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {
namespace {

// The project as it is when a render starts. A copy is a deep copy (the tables are arrays and
// vectors); it does not tell the window about changes, as the original does.
std::unique_ptr<const TProject> RenderCopy(const TProject& project, int speed) {
    auto copy = std::make_unique<TProject>(project);
    copy->SetChangedListener({});
    ScaleTempos(*copy, speed); // another playback speed: the riffs at scaled tempos
    return copy;
}

} // namespace

void TMainForm::PreviewPitch(int pitch) {
    if (!m_optionsForm->HearPreviewNote() || !m_playback)
        return;
    TRenderer renderer;
    renderer.MasterVolume = m_master;
    const TRiff& riff = CurrentRiffOf(m_project, m_editor);
    TSharedBuffer buffer = RenderPreview(renderer, riff.Tempo, m_editor.CurrentDuration, pitch,
                                         m_project.Instruments[size_t(CurrentInstrument())]);
    if (buffer)
        m_playback->PlaybackStart(buffer);
}

void TMainForm::BeginRender(TRenderer& renderer) {
    // A new render releases Pause: what plays, plays on.
    m_pause->setChecked(false);
    if (m_playback)
        m_playback->PlaybackResume();
    renderer.MasterVolume = m_master;
    m_clock.StartRenderClock(renderer);
}

bool TMainForm::RenderBusy() {
    // One render at a time: a play or export command while a song renders (its progress window
    // lets the toolbar and the menus work) is refused, so it cannot restart the render clock
    // or render inside the running render.
    if (!m_clock.Rendering())
        return false;
    QApplication::beep();
    return true;
}

bool TMainForm::CloseDuringRender() {
    if (!m_renderProgress)
        return false;
    // The render stops at its next row and the window closes after it (bPlayScriptClick);
    // the question about unsaved work comes then.
    m_closeAfterRender = true;
    m_renderProgress->Service().Cancel();
    return true;
}

void TMainForm::bPlayRiffClick(const QString& sender) {
    if (RenderBusy())
        return;
    if (PlayPractice(sender))
        return;
    TRenderer renderer;
    BeginRender(renderer);
    const auto project = RenderCopy(m_project, m_speed->value());
    const TRiff& riff = CurrentRiffOf(m_project, m_editor);
    int first = sender == QStringLiteral("bPlayRiff") ? riff.Cursor : 0;
    bool all = sender == QStringLiteral("bPlayAllRiffs");
    TSharedBuffer buffer = RenderRiffs(renderer, *project, m_editor.CurrentRiff, first, all,
                                       project->Instruments[size_t(CurrentInstrument())]);
    if (!buffer) {
        m_clock.ShowRenderStatus(renderer, 0);
        DisplayError(TooLongError);
        return;
    }
    if (m_playback && buffer->Size() != 0 && m_playback->PlaybackStart(buffer))
        StartFollowing(buffer,
                       TPlayFollower(*project,
                                     RiffsTimeline(*project, m_editor.CurrentRiff, first, all),
                                     all ? 0 : first));
    SetStatusText(
        QString::fromStdString(m_clock.ShowRenderStatus(renderer, int64_t(buffer->Size() / 2))));
}

void TMainForm::bPlayScriptClick(const QString& sender) {
    if (RenderBusy())
        return;
    bool anyFormat = sender == QStringLiteral("mExportAudio");
    bool exporting = anyFormat || sender == QStringLiteral("mExportWAV");
    if (!exporting && PlayPractice(sender))
        return;
    QString wavePath;
    if (exporting) {
        wavePath = AskExportPath(anyFormat);
        if (wavePath.isEmpty())
            return; // a cancelled export does nothing at all
        if (PlayPractice(sender, wavePath))
            return; // with the clicks
    }
    TRenderer renderer;
    BeginRender(renderer);
    // An export renders as Play Entire Project does, without playing.
    TSongMode mode = exporting                                      ? TSongMode::All
                     : sender == QStringLiteral("bPlayScript")      ? TSongMode::FromRow
                     : sender == QStringLiteral("bPlayScriptIntro") ? TSongMode::OnceEach
                                                                    : TSongMode::All;
    int firstGridRow = m_grid->Row();
    const auto project = RenderCopy(m_project, m_speed->value());
    TProgressWindow progress(this);
    m_renderProgress = &progress;
    std::vector<TRowStart> rowStarts;
    std::unique_ptr<TWavFollower> wav;
    TSongRender song = RenderSong(
        renderer, *project, mode, firstGridRow, &progress.Service(),
        [&](const TSharedBuffer& buffer) {
            if (exporting) {
                wav = StartWavExport(wavePath, buffer);
                return;
            }
            if (!m_playback || !m_playback->PlaybackStart(buffer))
                return;
            FollowPlayingRows(buffer, std::move(rowStarts));
            if (m_followAction->isChecked())
                StartFollowing(
                    buffer,
                    TPlayFollower(*project,
                                  SongTimeline(*project, SongPlayOptions(mode, firstGridRow))));
        },
        [&](int gridRow, int64_t frame) {
            rowStarts.push_back({frame, gridRow});
        });
    m_renderProgress = nullptr;
    int64_t frames = song.Buffer ? int64_t(song.Buffer->Size() / 2) : 0;
    SetStatusText(QString::fromStdString(m_clock.ShowRenderStatus(renderer, frames)));
    if (m_closeAfterRender) {
        m_closeAfterRender = false;
        close();
        return;
    }
    if (!song.Error.empty()) {
        DisplayError(song.Error);
        return;
    }
    if (exporting && song.Buffer && !song.Cancelled)
        WriteExport(wavePath, song.Buffer, std::move(wav));
}

bool TMainForm::PlaybackKeys(QObject* watched, const QKeyEvent& event) {
    const int key = event.key();
    bool space = key == Qt::Key_Space, slower = key == Qt::Key_Minus,
         faster = key == Qt::Key_Plus || key == Qt::Key_Equal, loop = key == Qt::Key_L;
    if (!(space || slower || faster || loop) || !watched->isWidgetType() ||
        (event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) ||
        ((space || loop) && (event.modifiers() != Qt::NoModifier || event.isAutoRepeat())))
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    // Each key press is taken once: at the focused widget, or where it lands when no widget
    // has the focus (after a click on the riff tabs or the toolbar).
    QWidget* focus = QApplication::focusWidget();
    if (widget->window() != this || (focus && widget != focus))
        return false;
    bool grid = widget == m_grid || m_grid->isAncestorOf(widget);
    bool riffView = m_view->isAncestorOf(widget); // its hidden fields only take the keys
    bool textField =
        !riffView && (qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
                      qobject_cast<QComboBox*>(widget) || widget->inherits("QTextEdit") ||
                      widget->inherits("QPlainTextEdit"));
    if (textField || qobject_cast<QAbstractButton*>(widget))
        return false;
    if (loop) {
        m_loopAction->toggle();
        return true;
    }
    if (!space) {
        m_speed->stepBy(faster ? 1 : -1);
        return true;
    }
    if (riffView)
        return false; // Space edits the note under the cursor there
    if (m_playback && m_playback->BusySlots() > 0)
        bStopClick();
    else if (grid)
        bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
    else
        bPlayRiffClick(QStringLiteral("bPlayRiff"));
    return true;
}

void TMainForm::bPauseClick() {
    // Pause holds what plays; with nothing playing the button comes back up at once.
    if (!m_playback || m_playback->BusySlots() == 0) {
        m_pause->setChecked(false);
        return;
    }
    if (m_pause->isChecked())
        m_playback->PlaybackPause();
    else
        m_playback->PlaybackResume();
}

void TMainForm::bStopClick() {
    if (m_clock.Rendering() || !m_playback)
        return;
    m_playback->PlaybackStop();
    StopFollowing();
    m_pause->setChecked(false);
    ShowPlayingRow();
}

void TMainForm::FollowPlayingRows(const TSharedBuffer& buffer, std::vector<TRowStart> starts) {
    if (!buffer->Looping())
        m_rowsLoopStart = -1;
    m_songBuffer = buffer;
    m_songRows = std::move(starts);
    ShowPlayingRow();
    m_rowTimer.start();
}

void TMainForm::StopFollowingRows() {
    m_songBuffer.reset();
    m_songRows.clear();
    m_rowTimer.stop();
    m_grid->SetPlayingRow(0);
}

void TMainForm::ShowPlayingRow() {
    // The label of the row that is heard; none once the song has stopped or played out.
    TSharedBuffer buffer = m_songBuffer.lock();
    int64_t frame = m_playback && buffer ? m_playback->PlayedFrames(buffer.get()) : -1;
    if (frame < 0) {
        StopFollowingRows();
        return;
    }
    if (m_rowsLoopStart >= 0) // a loop goes round its last pass
        frame = LoopedFrame(frame, m_rowsLoopStart, int64_t(buffer->Size() / 2));
    m_grid->SetPlayingRow(std::max(RowAtFrame(m_songRows, frame),
                                   m_songRows.empty() ? 0 : m_songRows.front().GridRow));
}

} // namespace zel
