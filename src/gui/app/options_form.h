// The "Preferences" window: the general options (previews of entered notes, the cursor that
// moves on after a typed note) and the MIDI input devices, ticked to open them. Made at start,
// kept until the program ends; the options are stored as they change and again at the end.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/settings.h"

namespace zel {

class TMidiInput;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    TOptionsForm(TSettingsStore& settings, TMidiInput& input, QWidget* parent);
    ~TOptionsForm() override;

    bool HearPreviewNote() const { return m_hearPreviewNote->isChecked(); }
    bool AutoAdvanceCursor() const { return m_autoAdvanceCursor->isChecked(); }
    // Seconds of unsaved changes between recovery copies, 0 = off (stored at once).
    int AutosaveSeconds() const { return m_autosave->value(); }
    // Quality of the lossy audio exports, 0..10 (stored at once).
    int AudioQuality() const { return m_audioQuality->value(); }
    static constexpr const char* AudioQualityKey = "AudioQuality";
    // Level of the count-in and metronome clicks, 0..100 (stored at once).
    int ClickLevel() const { return m_clickLevel->value(); }
    static constexpr const char* ClickLevelKey = "ClickLevel";

    // Fills the device list and opens the device remembered as "MidiIn", if it is in the list.
    void StartMidiInput();
    // The list shows the input devices and which of them are open.
    void FillInputDevices();
    // The first ticked device, -1 when none is.
    int FirstTickedDevice() const;
    QString DeviceName(int index) const;

    // Shows the window at `pointer`, all of it on the screen, on the MIDI Input page or the
    // General page.
    void ShowAt(const QPoint& pointer, bool midiPage);

    void lbxInputDevicesClickCheck(QListWidgetItem* item);
    void bRefreshListClick();

signals:
    void OptionsChanged();

private:
    QCheckBox* AddOption(const char* name, const QString& caption, const char* key);
    void SaveOptions();

    TSettingsStore& m_settings;
    TMidiInput& m_input;
    QTabWidget* m_pages = nullptr;
    QWidget* m_general = nullptr;
    QWidget* m_midiPage = nullptr;
    QCheckBox* m_renderWholeSong = nullptr;
    QCheckBox* m_hearPreviewNote = nullptr;
    QCheckBox* m_autoAdvanceCursor = nullptr;
    QSpinBox* m_autosave = nullptr;
    QSpinBox* m_audioQuality = nullptr;
    QSpinBox* m_clickLevel = nullptr;
    QListWidget* m_devices = nullptr;
    QPushButton* m_refresh = nullptr;
    std::vector<std::pair<QCheckBox*, const char*>> m_options;
};

} // namespace zel
