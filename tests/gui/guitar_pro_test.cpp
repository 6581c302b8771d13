// File > Open Guitar Pro File... and a Guitar Pro file dropped on the main window: the song
// becomes a new, unsaved project titled after the file, and Save asks where.
#include <QDir>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "main_form_harness.h"

using namespace zel;

class GuitarProTest : public QObject {
    Q_OBJECT

private slots:
    void openAndDropMakeAnUnsavedProject() {
        const QString samples = QStringLiteral(ZELVANE_SHARED_DATA "/guitar-pro/");
        if (!QDir(samples).exists())
            QSKIP("no Guitar Pro sample files");
        QString suggested;
        test::TMainFormHarness h;
        QVERIFY(h.Start({}, true, [&](TMainFormSetup& setup) {
            auto answer = test::AnsweringFileDialog(h.DialogAnswers);
            setup.FileDialog = [&, answer](bool save, const QString& title, const QString& filter,
                                           const QString& path) {
                suggested = save ? path : suggested;
                return answer(save, title, filter, path);
            };
        }));
        TMainForm& form = *h.Form;
        auto riffsNamed = [&](const std::string& prefix) {
            const TTabCaptions& names = form.Project().RiffNames;
            bool all = names.RecordCount() > 0;
            for (int i = 0; i < names.RecordCount(); ++i)
                all = all && names[i].rfind(prefix, 0) == 0;
            return all;
        };

        // Effects.gp5: one track "Track 1" with a bend, slides, harmonics and more.
        h.DialogAnswers = {samples + QStringLiteral("Effects.gp5")};
        form.findChild<QAction*>(QStringLiteral("mOpenGuitarPro"))->trigger();
        QVERIFY(form.Document().IsChanged());
        QVERIFY(form.ProjectPath().isEmpty());
        QVERIFY(form.windowTitle().endsWith(QStringLiteral(" - Effects.zvp")));
        QVERIFY(riffsNamed("Track 1"));
        QCOMPARE(form.Project().InstrumentNames[0], std::string("Track 1"));
        QVERIFY(!form.Project().Structure.empty());
        QCOMPARE(h.Messages.Messages.size(), size_t(1));
        QVERIFY(h.Messages.Messages[0].Text.find("1 bend,") != std::string::npos);

        // Save asks where, suggesting the file's name; the dialog is cancelled.
        h.DialogAnswers.clear();
        QVERIFY(!form.SaveProject(false));
        QCOMPARE(suggested, QDir::cleanPath(samples + QStringLiteral("Effects.zvp")));

        // Dropping a file asks about the unsaved song first (Cancel keeps it, Discard drops it).
        auto drop = [&] {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(samples + QStringLiteral("Chords.gp5"))});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&form, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&form, &event);
        };
        h.Messages.Answers = {2};
        drop();
        QVERIFY(form.windowTitle().endsWith(QStringLiteral(" - Effects.zvp")));
        h.Messages.Answers = {1};
        drop();
        QVERIFY(form.windowTitle().endsWith(QStringLiteral(" - Chords.zvp")));
        QVERIFY(form.Document().IsChanged() && !form.Document().CanUndo());
        QVERIFY(riffsNamed("Track 1"));

        // Export MusicXML...: compressed by the name's extension, plain otherwise.
        for (const char* name : {"song.mxl", "song"}) {
            h.DialogAnswers = {QString::fromStdString(h.Dir.File(name))};
            form.findChild<QAction*>(QStringLiteral("mExportMusicXML"))->trigger();
        }
        QVERIFY(test::ReadBytes(h.Dir.File("song.mxl")).starts_with("PK"));
        QVERIFY(test::ReadBytes(h.Dir.File("song.musicxml")).find("<fret>") != std::string::npos);
    }
};

QTEST_MAIN(GuitarProTest)
#include "guitar_pro_test.moc"
