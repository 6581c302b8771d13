// Follow Playback in the main window: the riff view marks the record the device has reached,
// the riff tabs follow the song, the edit cursor stays, and the option switches it all off.
#include <QAction>
#include <QTest>

#include "arrange/play_follow.h"
#include "arrange/struct_grid.h"
#include "main_form_harness.h"
#include "sound/notebuffer.h"
#include "view/riff_view.h"

using namespace zel;

class FollowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;
    std::shared_ptr<int64_t> played;
    std::shared_ptr<std::vector<size_t>> opened;
    std::shared_ptr<std::vector<std::shared_ptr<const TSampleBuffer>>> heard;

    void Start(const std::string& settings = {}) {
        h.reset(); // its message service goes before the next one comes
        h = std::make_unique<test::TMainFormHarness>();
        test::WriteBytes(h->Settings(), settings);
        QVERIFY(h->Start({QStringLiteral(ZELVANE_DEMO_PROJECT)}, true, [this](TMainFormSetup& s) {
            auto output = std::make_unique<test::TFakeOutput>();
            played = output->Played;
            opened = output->Opened;
            heard = output->Buffers;
            s.Audio = std::move(output);
        }));
    }
    TRiffView* View() { return h->Form->findChild<TRiffView*>(); }
    TEditorState& Editor() { return h->Form->Document().Editor(); }

private slots:
    void theViewFollowsTheSongWithoutMovingTheCursor() {
        Start();
        const TProject& project = h->Form->Project();
        TPlayFollower expected(project, SongTimeline(project, {}));
        const int cursor = project.Riffs[0].Cursor;
        h->Form->bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
        // Row 1 plays the Intro; rows 2 and 3 the Verse beside the Bass Line (the Verse in
        // column 0 comes first), far into the song.
        for (int64_t frame :
             {int64_t(0), int64_t(44100), int64_t(44100 * 12), int64_t(44100 * 20)}) {
            *played = frame;
            TPlayPlace place = expected.PlaceAt(frame, 0);
            QVERIFY(place.Riff >= 0);
            QTRY_COMPARE(Editor().CurrentRiff, place.Riff);
            QTRY_COMPARE(View()->PlayingNote(), place.Note);
        }
        QVERIFY(Editor().CurrentRiff != 0);
        QCOMPARE(project.Riffs[0].Cursor, cursor);
        // Off: the marker goes and the tabs stay where they are.
        h->Form->findChild<QAction*>(QStringLiteral("mFollowPlayback"))->trigger();
        QCOMPARE(View()->PlayingNote(), -1);
        const int riff = Editor().CurrentRiff;
        *played = 0;
        QTest::qWait(50);
        QCOMPARE(Editor().CurrentRiff, riff);
    }

    void aLoopGoesRoundTheSelectionAndTheTrainerSpeedsItUp() {
        // The trainer: the first pass at its start speed, the passes past the end at its target.
        Start("TrainerOn\t1\r\nTrainerStart\t50\r\nTrainerStep\t25\r\n");
        h->Form->findChild<QAction*>(QStringLiteral("mLoop"))->trigger();
        TRiff& riff = h->Form->Project().Riffs[size_t(Editor().CurrentRiff)];
        riff.Cursor = 1;
        riff.Anchor = 3;
        h->Form->bPlayRiffClick(QStringLiteral("bPlayRiff"));
        QCOMPARE(opened->size(), size_t(1));
        std::shared_ptr<const TSampleBuffer> loop = heard->back();
        QVERIFY(loop->Looping());
        // Far past the end the marker is still within the selection.
        *played = int64_t(loop->Size()) * 3 + 11;
        QTRY_VERIFY(View()->PlayingNote() >= 1 && View()->PlayingNote() < 3);
        QCOMPARE(riff.Cursor, 1);
        h->Form->bStopClick();

        *played = 0;
        h->Form->bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
        QTRY_COMPARE(h->Form->StatusText(), QStringLiteral("Speed Trainer: this pass at 50 %"));
        *played = int64_t(heard->back()->Size());
        QTRY_COMPARE(h->Form->StatusText(), QStringLiteral("Speed Trainer: this pass at 100 %"));
        // The grid lights the user's row being heard, also going round the loop.
        QTRY_VERIFY(h->Form->findChild<TStructGrid*>()->PlayingRow() >= 1);
        h->Form->bStopClick();

        // Nothing to loop: said, and nothing plays.
        TRiff& current = h->Form->Project().Riffs[size_t(Editor().CurrentRiff)];
        current.Notes.clear();
        EnsureNotes(current, 1);
        current.Cursor = current.Anchor = 0;
        size_t plays = opened->size();
        h->Form->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        QCOMPARE(opened->size(), plays);
        QVERIFY(!h->Messages.Messages.empty());
        QVERIFY(h->Messages.Messages.back().Text.find("Nothing to Loop") != std::string::npos);
    }

    void theCountInAndTheMetronomeClickInPlaybackAndInExportsOnRequest() {
        Start();
        auto trigger = [this](const char* name) {
            h->Form->findChild<QAction*>(QString::fromLatin1(name))->trigger();
        };
        auto exported = [this](const char* name) {
            h->DialogAnswers = {QString::fromStdString(h->Dir.File(name))};
            h->Form->bPlayScriptClick(QStringLiteral("mExportWAV"));
            return test::ReadBytes(h->Dir.File(name)).size();
        };
        h->Form->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        const size_t plain = opened->back();
        trigger("mCountIn");
        trigger("mMetronome");
        h->Form->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        // One bar of the Intro (4/4 at 96) before it.
        const double bar = 2.0 * double(NoteSamples(96, 1024));
        QVERIFY(std::abs(double(opened->back() - plain) - bar) < 8);
        const size_t without = exported("plain.wav");
        trigger("mIncludeMetronome");
        QVERIFY(std::abs(double(exported("clicks.wav") - without) - 2 * bar) < 16);
    }

    void aRiffFromTheCursorIsMarkedFromTheCursor() {
        Start();
        TRiff& riff = h->Form->Project().Riffs[size_t(Editor().CurrentRiff)];
        riff.Cursor = riff.Anchor = 3;
        h->Form->bPlayRiffClick(QStringLiteral("bPlayRiff"));
        QTRY_COMPARE(View()->PlayingNote(), 3);
        h->Form->bStopClick();
        QCOMPARE(View()->PlayingNote(), -1);
    }
};

QTEST_MAIN(FollowTest)
#include "follow_test.moc"
