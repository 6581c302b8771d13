// The main window's exchange with other programs: the song written as a MIDI file (File > Export
// MIDI...) and the current riff or selection copied as text tab (Edit > Copy as Text Tab).
#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>

#include "arrange/midi_export.h"
#include "arrange/text_tab.h"
#include "arrange/timeline.h"
#include "base/message_service.h"
#include "main_form.h"
#include "model/ansi_text.h"
#include "model/datafile.h"

namespace zel {

namespace {
const QString MidiSaveFilter = QStringLiteral("MIDI File (*.mid);;All Files (*)");
}

void TMainForm::mExportMIDIClick() {
    QString suggested = m_projectPath.isEmpty()
                            ? QStringLiteral("NewProject.mid")
                            : QFileInfo(m_projectPath).path() + QLatin1Char('/') +
                                  QFileInfo(m_projectPath).completeBaseName() +
                                  QStringLiteral(".mid");
    QString path = AskFile(true, QStringLiteral("Export MIDI"), MidiSaveFilter, suggested);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".mid");
    // The whole song, as Export WAV renders it.
    TMidiExport midi = SongToMidi(m_project, {});
    if (!midi.Error.empty()) {
        DisplayError(midi.Error);
        return;
    }
    if (!WriteBinaryFile(path.toStdString(), midi.Bytes))
        DisplayError("Failed to Save File\n" + LastFileError());
}

void TMainForm::mCopyTextTabClick() {
    const TRiff& riff = CurrentRiffOf(m_project, m_editor);
    // A selection of several notes is copied alone; otherwise the whole riff.
    int first = 0, last = -1;
    if (riff.Anchor != riff.Cursor) {
        first = std::max(0, std::min(riff.Cursor, riff.Anchor));
        last = std::max(riff.Cursor, riff.Anchor);
    }
    QApplication::clipboard()->setText(
        QString::fromStdString(AnsiToUtf8(TextTab(riff, first, last))));
}

} // namespace zel
