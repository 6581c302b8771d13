// The main window's MIDI keyboard input: received messages go to the core's note entry, the
// "Insert MIDI Input" toggle, and the Preferences window that picks the input devices.
#include <QCursor>

#include "base/markup.h"
#include "base/message_service.h"
#include "main_form.h"
#include "midi_devices.h"
#include "options_form.h"
#include "view/riff_view.h"

namespace zel {

void TMainForm::CreateOptionsForm() {
    m_optionsForm = new TOptionsForm(m_settings, MidiInput(), this);
    connect(m_optionsForm, &TOptionsForm::OptionsChanged, this,
            [this] { m_view->AutoAdvance = m_optionsForm->AutoAdvanceCursor(); });
    m_view->AutoAdvance = m_optionsForm->AutoAdvanceCursor();
    connect(&MidiInput(), &TMidiInput::DeviceLost, this, [this](int, const QString& name) {
        // Without an open device the toggle has nothing to listen to: it goes up.
        if (m_midi->isChecked() && m_optionsForm->FirstTickedDevice() < 0) {
            m_midi->setChecked(false);
            SetStatusText({});
        }
        DisplayError("\\1\\bMIDI device lost\\b\\0\\NThe MIDI device \"" +
                     MarkupLiteral(name.toStdString()) + "\" is no longer there. It was closed.");
    });
}

void TMainForm::StartMidiInput() {
    MidiInput().OnInput = [this](int aDeviceIndex, uint8_t aStatus, uint8_t aData1,
                                 uint8_t aData2) {
        MidiNoteIn(aDeviceIndex, aStatus, aData1, aData2);
    };
    m_optionsForm->StartMidiInput();
}

void TMainForm::MidiNoteIn(int, uint8_t aStatus, uint8_t aData1, uint8_t aData2) {
    m_midiEntry.InsertDown = m_midi->isChecked();
    TMidiNoteInResult result = zel::MidiNoteIn(m_document, m_midiEntry, aStatus, aData1, aData2);
    if (result.Changed || result.Moved)
        m_view->RefreshView();
    if (result.Moved)
        m_view->ScrollToCursor();
    if (result.PreviewPitch)
        QueuePreview(*result.PreviewPitch);
}

void TMainForm::QueuePreview(int pitch) {
    // Keys that arrive together (a chord, or a flood) are heard together once the messages of
    // this turn are handled; a few at most, so a flood cannot hold the window up rendering.
    constexpr size_t MaxPreviewsPerTurn = 8;
    if (m_pendingPreviews.size() >= MaxPreviewsPerTurn)
        return;
    m_pendingPreviews.push_back(pitch);
    if (m_pendingPreviews.size() > 1)
        return;
    QTimer::singleShot(0, this, [this] {
        auto pitches = std::move(m_pendingPreviews);
        m_pendingPreviews.clear();
        for (int each : pitches)
            PreviewPitch(each);
    });
}

void TMainForm::bMidiClick() {
    if (!m_midi->isChecked()) {
        SetStatusText({});
        return;
    }
    int device = m_optionsForm->FirstTickedDevice();
    if (device >= 0) {
        SetStatusText(QStringLiteral("Midi Selected: ") + m_optionsForm->DeviceName(device));
        return;
    }
    m_midi->setChecked(false);
    if (DisplayYesNo("\\]\\9\\bError!\\b\\[\\n\\0You must select at least one \\bMIDI In\\b "
                     "Device to Enable this\\nDo you want to go to the setup page to select "
                     "one?"))
        m_optionsForm->ShowAt(QCursor::pos(), true);
}

void TMainForm::mPreferencesClick() {
    m_optionsForm->ShowAt(QCursor::pos(), false);
}

} // namespace zel
