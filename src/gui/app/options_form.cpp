#include "options_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "base/markup.h"
#include "base/message_service.h"
#include "document/autosave.h"
#include "message_box.h"
#include "midi_devices.h"
#include "sound/audio_file.h"

namespace zel {

TOptionsForm::TOptionsForm(TSettingsStore& settings, TMidiInput& input, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_settings(settings), m_input(input) {
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->setAccessibleName(QStringLiteral("Preferences pages"));
    layout->addWidget(m_pages);

    m_general = new QWidget(m_pages);
    m_general->setObjectName(QStringLiteral("tsGeneral"));
    auto* general = new QVBoxLayout(m_general);
    m_renderWholeSong =
        AddOption("cbRenderWholeSong", QStringLiteral("Render Whole Song before playing"),
                  "OptionRenderWholeSong");
    m_renderWholeSong->setEnabled(false);
    m_hearPreviewNote = AddOption("cbHearPreviewNote", QStringLiteral("Hear Preview of Note"),
                                  "OptionHearPreviewNote");
    m_autoAdvanceCursor = AddOption("cbAutoAdvanceCursor", QStringLiteral("Auto Advance Cursor"),
                                    "OptionAutoAdvanceCursor");
    for (auto& [box, key] : m_options)
        general->addWidget(box);
    // A number of the settings file, stored as it changes, with its caption before it.
    auto addNumber = [&](const char* name, const QString& caption, const char* key, int low,
                         int high, int fallback) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(caption);
        auto* box = new QSpinBox(m_general);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(low, high);
        box->setValue(std::clamp(m_settings.INIReadNum(key, fallback), low, high));
        label->setBuddy(box);
        row->addWidget(label);
        row->addWidget(box);
        row->addStretch(1);
        general->addLayout(row);
        connect(box, &QSpinBox::valueChanged, this, [this, key](int value) {
            m_settings.INIWriteNum(key, value);
            emit OptionsChanged();
        });
        return box;
    };
    m_autosave =
        addNumber("eAutosaveSeconds", QStringLiteral("&Keep unsaved changes for recovery every"),
                  AutosaveSecondsKey, 0, MaxAutosaveSeconds, DefaultAutosaveSeconds);
    m_autosave->setSuffix(QStringLiteral(" s"));
    m_autosave->setSpecialValueText(QStringLiteral("never")); // 0 switches autosave off
    m_audioQuality = addNumber(
        "eAudioQuality", QStringLiteral("&Quality of exported Ogg Vorbis, Opus and MP3 files"),
        AudioQualityKey, MinAudioQuality, MaxAudioQuality, DefaultAudioQuality);
    m_audioQuality->setToolTip(QStringLiteral("0: smallest file, 10: best sound"));
    m_clickLevel =
        addNumber("eClickLevel", QStringLiteral("&Level of the count-in and metronome clicks"),
                  ClickLevelKey, 0, 100, 20);
    m_clickLevel->setSuffix(QStringLiteral(" %"));
    general->addStretch(1);
    m_pages->addTab(m_general, QStringLiteral("General"));

    m_midiPage = new QWidget(m_pages);
    m_midiPage->setObjectName(QStringLiteral("tsMIDIInput"));
    auto* midi = new QVBoxLayout(m_midiPage);
    auto* caption = new QLabel(QStringLiteral("Input devices:"), m_midiPage);
    midi->addWidget(caption);
    m_devices = new QListWidget(m_midiPage);
    m_devices->setObjectName(QStringLiteral("lbxInputDevices"));
    m_devices->setAccessibleName(QStringLiteral("MIDI input devices"));
    caption->setBuddy(m_devices);
    midi->addWidget(m_devices, 1);
    m_refresh = new QPushButton(QStringLiteral("Refresh List"), m_midiPage);
    m_refresh->setObjectName(QStringLiteral("bRefreshList"));
    m_refresh->setToolTip(QStringLiteral("Look for MIDI devices again; open devices stay open"));
    midi->addWidget(m_refresh, 0, Qt::AlignRight);
    m_pages->addTab(m_midiPage, QStringLiteral("MIDI Input"));

    connect(m_devices, &QListWidget::itemChanged, this, &TOptionsForm::lbxInputDevicesClickCheck);
    connect(m_refresh, &QPushButton::clicked, this, &TOptionsForm::bRefreshListClick);
    // A device that went away has been closed: the list shows it.
    connect(&m_input, &TMidiInput::DevicesChanged, this, &TOptionsForm::FillInputDevices);
    m_pages->setCurrentWidget(m_general);
    m_devices->setMinimumSize(300, 120);
}

TOptionsForm::~TOptionsForm() {
    m_input.CloseAll();
    m_input.OnInput = nullptr;
    SaveOptions();
}

QCheckBox* TOptionsForm::AddOption(const char* name, const QString& caption, const char* key) {
    auto* box = new QCheckBox(caption, m_general);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(m_settings.INIReadNum(key, 0) != 0);
    m_options.emplace_back(box, key);
    // Stored at once: an option ticked here is not lost when the program does not end well.
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) {
        m_settings.INIWriteNum(key, on ? 1 : 0);
        emit OptionsChanged();
    });
    return box;
}

void TOptionsForm::SaveOptions() {
    for (auto& [box, key] : m_options)
        m_settings.INIWriteNum(key, box->isChecked() ? 1 : 0);
}

void TOptionsForm::FillInputDevices() {
    QSignalBlocker block(m_devices);
    int row = m_devices->currentRow();
    m_devices->clear();
    auto names = m_input.Names();
    for (size_t i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(names[i]), m_devices);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_input.IsOpen(int(i)) ? Qt::Checked : Qt::Unchecked);
    }
    if (row >= 0 && row < m_devices->count())
        m_devices->setCurrentRow(row);
}

void TOptionsForm::StartMidiInput() {
    FillInputDevices();
    int remembered = m_settings.INIReadNum("MidiIn", 0);
    // Only a hand-edited settings file holds a negative index: it opens nothing.
    if (remembered < 0 || remembered >= m_devices->count())
        return;
    try {
        m_input.Open(remembered);
    } catch (const TMidiError& error) {
        DisplayError(MarkupLiteral(error.what()));
    }
    FillInputDevices();
}

int TOptionsForm::FirstTickedDevice() const {
    for (int i = 0; i < m_devices->count(); ++i)
        if (m_devices->item(i)->checkState() == Qt::Checked)
            return i;
    return -1;
}

QString TOptionsForm::DeviceName(int index) const {
    auto* item = m_devices->item(index);
    return item ? item->text() : QString();
}

void TOptionsForm::lbxInputDevicesClickCheck(QListWidgetItem* item) {
    int index = m_devices->row(item);
    if (index < 0)
        return;
    m_devices->setCurrentRow(index);
    try {
        if (item->checkState() == Qt::Checked)
            m_input.Open(index);
        else
            m_input.Close(index);
        m_settings.INIWriteNum("MidiIn", index);
    } catch (const TMidiError& error) {
        // The device stays closed and can be ticked again later.
        QSignalBlocker block(m_devices);
        item->setCheckState(m_input.IsOpen(index) ? Qt::Checked : Qt::Unchecked);
        DisplayError(MarkupLiteral(error.what()));
    }
}

void TOptionsForm::bRefreshListClick() {
    m_input.Refresh();
    FillInputDevices();
}

void TOptionsForm::ShowAt(const QPoint& pointer, bool midiPage) {
    m_pages->setCurrentWidget(midiPage ? m_midiPage : m_general);
    QScreen* screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    adjustSize();
    show();
    // The whole frame stays on the screen; before the window manager has framed the window
    // its title bar is not known yet, so one is allowed for.
    constexpr int TitleBarAllowance = 30;
    QSize frame = frameGeometry().size();
    if (frame == size())
        frame += QSize(0, TitleBarAllowance);
    if (screen)
        move(PlaceAtPointer(frame, pointer, screen->geometry()));
    raise();
    activateWindow();
}

} // namespace zel
