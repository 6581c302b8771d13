// TMainForm: Follow Playback. While a riff or the song plays, the riff view marks the record
// being heard, from the frames the sound device says it has played, and the riff tabs follow
// the song from riff to riff (the riff of the current instrument's column when it plays, else
// of the lowest column playing). The edit cursor never moves.
#include "main_form.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {
namespace {

// Often enough that the marker is never a frame at 60 Hz behind the sound it marks.
constexpr int FollowIntervalMs = 15;
constexpr const char* FollowPlaybackKey = "FollowPlayback";

} // namespace

void TMainForm::CreateFollowAction() {
    m_followAction = AddAction("mFollowPlayback", QStringLiteral("Follow Playback"), {}, [this] {
        m_settings.INIWriteNum(FollowPlaybackKey, m_followAction->isChecked() ? 1 : 0);
        if (!m_followAction->isChecked())
            StopFollowing();
    });
    m_followAction->setCheckable(true);
    // Read when playing starts; the count-in and the metronome are settings.
    m_loopAction = AddAction("mLoop", QStringLiteral("Loop"), {}, [] {});
    auto setting = [this](const char* name, const QString& caption, const char* key) {
        QAction* action = AddAction(name, caption, {}, {});
        action->setEnabled(true);
        action->setCheckable(true);
        action->setChecked(m_settings.INIReadNum(key, 0) != 0);
        connect(action, &QAction::toggled, this,
                [this, key](bool on) { m_settings.INIWriteNum(key, on ? 1 : 0); });
        return action;
    };
    m_countInAction = setting("mCountIn", QStringLiteral("Count-in"), "CountIn");
    m_metronomeAction = setting("mMetronome", QStringLiteral("Metronome"), "Metronome");
    m_includeClicksAction = setting("mIncludeMetronome",
                                    QStringLiteral("Include Metronome in Exports"), "ExportClicks");
    m_loopAction->setCheckable(true);
    m_loopAction->setToolTip(
        QStringLiteral("Loop: Play Current Riff plays the selected notes, Play Project the "
                       "selected rows, round and round (key L)"));
    m_followAction->setChecked(m_settings.INIReadNum(FollowPlaybackKey, 1) != 0);
    m_followTimer.setInterval(FollowIntervalMs);
    m_followTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_followTimer, &QTimer::timeout, this, &TMainForm::FollowTick);
}

void TMainForm::StartFollowing(const TSharedBuffer& buffer, TPlayFollower follower,
                               TFollowMap map) {
    // The speed trainer's passes are shown in the status bar even when the view does not
    // follow.
    if (!m_followAction->isChecked() && map.PassSpeeds.size() < 2)
        return;
    m_follower = std::move(follower);
    m_followMap = std::move(map);
    m_shownPassSpeed = 0;
    m_followBuffer = buffer;
    m_followTimer.start();
    FollowTick();
}

void TMainForm::FollowTick() {
    TSharedBuffer buffer = m_followBuffer.lock();
    int64_t frame = m_playback && buffer ? m_playback->PlayedFrames(buffer.get()) : -1;
    if (frame < 0) { // stopped, played out, or another play took the device
        StopFollowing();
        return;
    }
    const TFollowMap& map = m_followMap;
    if (map.LoopStart >= 0)
        frame = LoopedFrame(frame, map.LoopStart, int64_t(buffer->Size() / 2));
    if (map.PassSpeeds.size() > 1) {
        int speed = map.PassSpeeds.front().second;
        for (auto [start, passSpeed] : map.PassSpeeds)
            if (start <= frame)
                speed = passSpeed;
        if (speed != m_shownPassSpeed) {
            m_shownPassSpeed = speed;
            SetStatusText(QStringLiteral("Speed Trainer: this pass at %1 %").arg(speed));
        }
    }
    if (!m_followAction->isChecked())
        return;
    TPlayPlace place = m_follower.PlaceAt(frame, CurrentInstrument());
    if (place.Riff >= 0 && !map.SourceRiff.empty()) {
        place.Riff = map.SourceRiff[size_t(place.Riff)]; // -1: the clicks
        place.Note += map.RecordOffset;
    }
    if (place.Riff >= 0 && place.Riff != m_editor.CurrentRiff && place.Riff < m_tabs->TabCount()) {
        m_tabs->Strip().SelectAndFill(place.Riff);
        m_tabs->Refresh();
    }
    m_view->ShowPlaying(place.Riff == m_editor.CurrentRiff ? place.Note : -1);
}

void TMainForm::StopFollowing() {
    m_followTimer.stop();
    m_followBuffer.reset();
    m_follower = {};
    m_followMap = {};
    m_view->ShowPlaying(-1);
}

} // namespace zel
