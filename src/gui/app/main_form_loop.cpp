// TMainForm: Loop, the speed trainer, the count-in and the metronome. With Loop on, Play Current
// Riff plays the selected notes (or the whole riff) and Play Project the selected grid rows (or the
// whole song) round and round until Stop; the speed trainer plays the passes from its start speed
// up to its target, a step faster each pass, then stays at the target. Nothing of it is saved in
// the project; the options are settings. The count-in and the metronome click in a column of their
// own beside the music, in playback (and in exports when "Include Metronome" is ticked).
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "arrange/practice.h"
#include "arrange/struct_grid.h"
#include "arrange/structure_grid.h"
#include "base/message_service.h"
#include "icons.h"
#include "main_form.h"
#include "options_form.h"
#include "progress_window.h"
#include "sound/sequencer.h"
#include "widgets/speed_box.h"

namespace zel {
namespace {

struct TTrainerKey {
    const char* Key;
    int TSpeedTrainer::*Field;
};
constexpr TTrainerKey TrainerKeys[] = {{"TrainerStart", &TSpeedTrainer::Start},
                                       {"TrainerStep", &TSpeedTrainer::Step},
                                       {"TrainerTarget", &TSpeedTrainer::Target}};

} // namespace

TSpeedTrainer TMainForm::Trainer() {
    TSpeedTrainer trainer;
    trainer.On = m_settings.INIReadNum("TrainerOn", 0) != 0;
    for (const TTrainerKey& key : TrainerKeys)
        trainer.*key.Field = m_settings.INIReadNum(key.Key, trainer.*key.Field);
    return trainer;
}

void TMainForm::ShowSpeedTrainer() {
    QDialog box(this);
    box.setObjectName(QStringLiteral("SpeedTrainerForm"));
    box.setWindowTitle(QStringLiteral("Speed Trainer"));
    auto* form = new QFormLayout(&box);
    TSpeedTrainer trainer = Trainer();
    auto* on = new QCheckBox(QStringLiteral("&Raise the speed after each pass of a loop"), &box);
    on->setObjectName(QStringLiteral("cbTrainerOn"));
    on->setChecked(trainer.On);
    form->addRow(on);
    QSpinBox* boxes[3];
    const char* captions[] = {"&Start speed:", "S&tep per pass:", "Tar&get speed:"};
    for (int i = 0; i < 3; ++i) {
        boxes[i] = new QSpinBox(&box);
        boxes[i]->setObjectName(QString::fromLatin1(TrainerKeys[i].Key));
        boxes[i]->setSuffix(QStringLiteral(" %"));
        boxes[i]->setRange(i == 1 ? 1 : MinSpeedPercent, i == 1 ? 100 : MaxSpeedPercent);
        boxes[i]->setValue(trainer.*TrainerKeys[i].Field);
        form->addRow(QString::fromLatin1(captions[i]), boxes[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, [&] {
        if (boxes[2]->value() < boxes[0]->value()) {
            DisplayError("\\bSpeed Trainer\\b\\NThe target speed must not be below the start "
                         "speed.");
            return;
        }
        box.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    form->addRow(buttons);
    if (box.exec() != QDialog::Accepted)
        return;
    m_settings.INIWriteNum("TrainerOn", on->isChecked() ? 1 : 0);
    for (int i = 0; i < 3; ++i)
        m_settings.INIWriteNum(TrainerKeys[i].Key, boxes[i]->value());
}

bool TMainForm::PlayPractice(const QString& sender, const QString& exportPath) {
    const bool exporting = !exportPath.isEmpty();
    const bool loop = !exporting && m_loopAction->isChecked();
    TClickOptions clicks{m_countInAction->isChecked(), m_metronomeAction->isChecked(),
                         m_optionsForm->ClickLevel()};
    // An export has clicks only when asked to; "Play Project (1 x all)" and all riffs never.
    if (exporting && !m_includeClicksAction->isChecked())
        clicks = {};
    const bool song = sender.startsWith(QStringLiteral("bPlayScript")) || exporting;
    if ((!loop && !clicks.CountIn && !clicks.Metronome) ||
        sender == QStringLiteral("bPlayScriptIntro") || sender == QStringLiteral("bPlayAllRiffs"))
        return false;
    std::vector<int> speeds = PassSpeeds(m_speed->value(), loop ? Trainer() : TSpeedTrainer{});
    TLoopPlan plan;
    const TRiff& riff = CurrentRiffOf(m_project, m_editor);
    if (song && loop) {
        // Rows selected (more than the current cell): those rows; else the whole song.
        TGridRect rect = m_grid->Selection();
        bool rows = rect.Top != rect.Bottom || rect.Left != rect.Right;
        int top = rows ? rect.Top : 1;
        int bottom = rows ? rect.Bottom : int(m_project.Structure.size());
        plan = RowsLoopPlan(m_project, top, bottom, speeds);
    } else if (song) {
        bool fromRow = sender == QStringLiteral("bPlayScript");
        plan = RowsPlan(m_project, fromRow ? std::max(m_grid->Row(), 1) : 1, m_speed->value());
    } else if (loop) {
        // Notes selected: those notes; else the whole riff.
        bool selected = riff.Cursor != riff.Anchor;
        plan = RiffLoopPlan(m_project, m_editor.CurrentRiff,
                            selected ? std::min(riff.Cursor, riff.Anchor) : 0,
                            selected ? std::max(riff.Cursor, riff.Anchor) : NoteCount(riff),
                            CurrentInstrument(), speeds);
    } else {
        bool fromCursor = sender == QStringLiteral("bPlayRiff");
        plan = RiffPlan(m_project, m_editor.CurrentRiff, fromCursor ? riff.Cursor : 0,
                        CurrentInstrument(), m_speed->value());
    }
    AddClicks(plan, clicks);
    if (!plan.Error.empty()) {
        DisplayError(plan.Error);
        return true;
    }
    TRenderer renderer;
    BeginRender(renderer);
    TProgressWindow progress(this);
    m_renderProgress = &progress;
    TFollowMap map;
    map.SourceRiff = plan.SourceRiff;
    map.RecordOffset = plan.RecordOffset;
    std::vector<TRowStart> rowStarts; // the user's grid rows, for the grid's playing row
    std::unique_ptr<TWavFollower> wav;
    TSongRender render = RenderSong(
        renderer, plan.Project, TSongMode::All, 0, &progress.Service(),
        [&](const TSharedBuffer& buffer) {
            if (exporting) {
                wav = StartWavExport(exportPath, buffer);
                return;
            }
            if (map.LoopStart >= 0)
                buffer->SetLoopStart(size_t(2 * map.LoopStart));
            if (!m_playback || !m_playback->PlaybackStart(buffer))
                return;
            if (song) {
                m_rowsLoopStart = map.LoopStart;
                FollowPlayingRows(buffer, std::move(rowStarts));
            }
            StartFollowing(buffer, TPlayFollower(plan.Project, SongTimeline(plan.Project, {})),
                           map);
        },
        [&](int row, int64_t frame) {
            if (row >= 1 && row <= int(plan.SourceRow.size()))
                rowStarts.push_back({frame, plan.SourceRow[size_t(row - 1)]});
            if (row == plan.LoopRow)
                map.LoopStart = frame;
            for (size_t k = 0; k < plan.PassRows.size(); ++k)
                if (row == plan.PassRows[k])
                    map.PassSpeeds.push_back({frame, plan.PassSpeeds[k]});
        });
    m_renderProgress = nullptr;
    int64_t frames = render.Buffer ? int64_t(render.Buffer->Size() / 2) : 0;
    if (map.PassSpeeds.size() < 2)
        SetStatusText(QString::fromStdString(m_clock.ShowRenderStatus(renderer, frames)));
    else
        m_clock.ShowRenderStatus(renderer, frames); // the status bar shows the pass's speed
    if (m_closeAfterRender) {
        m_closeAfterRender = false;
        close();
        return true;
    }
    if (!render.Error.empty())
        DisplayError(render.Error);
    else if (exporting && render.Buffer && !render.Cancelled)
        WriteExport(exportPath, render.Buffer, std::move(wav));
    return true;
}

} // namespace zel
