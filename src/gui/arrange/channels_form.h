// The "Channel Selection" dialog of the MIDI import: one check box per MIDI channel, "All" and
// "OK". Made once and shown again for every import.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;
class QPushButton;

namespace zel {

class TChannelsForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int Channels = 16;

    explicit TChannelsForm(QWidget* parent = nullptr);

    // Shows the dialog modally with the channels of `mask` checked (bit c for channel c). OK
    // makes `mask` the checked channels; closing it any other way leaves `mask` as it was.
    // Returns whether OK was chosen.
    bool SelectChannels(uint16_t& mask);

    // The channels whose boxes are checked.
    uint16_t CheckedChannels() const;
    QCheckBox* ChannelBox(int channel) const { return m_boxes.at(size_t(channel)); }

    // "All": every channel box takes the state of the All box.
    void cbAllClick();

    // "Use the file's timing": the import follows the file's resolution and tempo. Checking it
    // unchecks the drum channel, which that import leaves out unless it is picked again.
    bool FileTiming() const;
    void SetFileTiming(bool on);
    QCheckBox* FileTimingBox() const { return m_fileTiming; }

private:
    void ShowMask(uint16_t mask);

    std::array<QCheckBox*, Channels> m_boxes{};
    QCheckBox* m_all = nullptr;
    QCheckBox* m_fileTiming = nullptr;
    uint16_t m_shown = 0; // the mask the dialog was shown with
    QPushButton* m_ok = nullptr;
};

} // namespace zel
