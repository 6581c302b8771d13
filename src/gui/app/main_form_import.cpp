// The main window's MIDI file import: the file dialog, the channel dialog between the two passes,
// the notes written into the current riff as one undoable step, and the views shown again.
#include <QFileInfo>

#include "arrange/channels_form.h"
#include "arrange/midi_import.h"
#include "base/debug_log.h"
#include "base/message_service.h"
#include "document/document_edits.h"
#include "main_form.h"
#include "view/position_panel_widget.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

namespace zel {

namespace {
const QString MidiFilter = QStringLiteral("Midi Files (*.midi *.mid);;All Files (*)");
}

void TMainForm::mImportMIDIClick() {
    QString folder = m_importFolder.isEmpty() && !m_projectPath.isEmpty()
                         ? QFileInfo(m_projectPath).absolutePath()
                         : m_importFolder;
    QString path = AskFile(false, QStringLiteral("Import MIDI"), MidiFilter, folder);
    if (path.isEmpty())
        return;
    m_importFolder = QFileInfo(path).absolutePath();

    std::string bytes;
    if (!ReadMidiFile(path.toStdString(), bytes))
        return; // the message said why
    // The values of the riff properties window belong to the riff before the import changes it.
    m_tabs->Strip().DoRead();

    // The first pass and the channel dialog only read the file; the riff changes in the second
    // pass alone, which is the undoable step.
    TMidiImportHooks hooks;
    hooks.DebugAdd = [](const std::string& line, uint32_t colour) { DebugAdd(line, colour); };
    TMidiImportResult scan = ScanMidiChannels(bytes, hooks);
    if (scan.Invalid)
        return; // said once; no channel to pick and nothing to import
    uint16_t mask = scan.ChannelsFound;
    bool picked = m_channelsForm->SelectChannels(mask);
    if (!picked && m_channelsForm->FileTiming())
        mask = FileTimingChannels(mask); // closed: every channel with notes but the drums
    bool valid = true;
    if (m_channelsForm->FileTiming()) {
        TFileTimingResult result;
        m_document.Edit("Import MIDI", CurrentRiffScope(m_document),
                        [&] { result = ImportMidiFileTiming(bytes, mask, m_project, m_editor); });
        valid = !result.Invalid;
        if (result.TooLong)
            DisplayError("\\1\\bMIDI File Too Long\\b\\0\\NThe file holds more than a riff "
                         "takes: the notes after that point were left out.");
        if (valid && result.Sections.size() > 1)
            DisplayMessage("\\bTempo Changes\\b\\NThe file changes its tempo " +
                           std::to_string(result.Sections.size() - 1) +
                           " times: the note lengths after each change were scaled to the "
                           "riff's tempo of " +
                           std::to_string(result.Tempo) + ", so every note keeps its time.");
    } else {
        m_document.Edit("Import MIDI", CurrentRiffScope(m_document),
                        [&] { valid = ImportMidiNotes(bytes, mask, m_project, m_editor); });
    }
    // The file's tempo and time signature: the riff properties window shows them, so that
    // reading its values back later keeps them.
    m_tabs->Strip().DoFill();
    if (valid && scan.Truncated)
        DisplayError("\\1\\bIncomplete MIDI File\\b\\0\\NThe file ends in the middle of a track: "
                     "the notes before that point were imported.");

    m_view->ScrollToCursor();
    m_positionPanel->Refresh();
    ShowDurationButtons(UpdateDurationButtons(m_project, m_editor));
}

} // namespace zel
