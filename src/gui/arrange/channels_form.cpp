#include "arrange/channels_form.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zel {

namespace {
constexpr int RowsPerColumn = 8;
constexpr int DrumChannel = 9; // MIDI channel 10
} // namespace

TChannelsForm::TChannelsForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("ChannelsForm"));
    setWindowTitle(QStringLiteral("Channel Selection"));
    setAccessibleName(windowTitle());

    auto* layout = new QVBoxLayout(this);
    auto* body = new QFrame(this);
    body->setObjectName(QStringLiteral("pBody"));
    body->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(body);
    // Left column channels 0..7, right column 8..15, in tab order.
    for (int channel = 0; channel < Channels; ++channel) {
        auto* box = new QCheckBox(QStringLiteral("Channel %1").arg(channel), body);
        box->setObjectName(QStringLiteral("cbChannel%1").arg(channel));
        box->setAccessibleName(box->text());
        grid->addWidget(box, channel % RowsPerColumn, channel / RowsPerColumn);
        if (channel > 0)
            setTabOrder(m_boxes[size_t(channel - 1)], box);
        m_boxes[size_t(channel)] = box;
    }
    layout->addWidget(body);

    auto* row = new QHBoxLayout;
    m_all = new QCheckBox(QStringLiteral("All"), this);
    m_all->setObjectName(QStringLiteral("cbAll"));
    m_all->setAccessibleName(QStringLiteral("All channels"));
    connect(m_all, &QCheckBox::clicked, this, &TChannelsForm::cbAllClick);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("bOK"));
    m_ok->setAccessibleName(QStringLiteral("OK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(m_all);
    row->addStretch(1);
    row->addWidget(m_ok);
    layout->addLayout(row);
    m_fileTiming = new QCheckBox(QStringLiteral("Use the file's timing"), this);
    m_fileTiming->setObjectName(QStringLiteral("cbFileTiming"));
    m_fileTiming->setAccessibleName(m_fileTiming->text());
    m_fileTiming->setToolTip(
        QStringLiteral("Note lengths from the file's resolution and tempo, each note where the "
                       "file plays it; the drum channel is left out"));
    connect(m_fileTiming, &QCheckBox::toggled, this, [this](bool on) {
        QCheckBox* drums = m_boxes[size_t(DrumChannel)];
        drums->setChecked(!on && (m_shown >> DrumChannel & 1));
    });
    layout->addWidget(m_fileTiming);
    setTabOrder(m_boxes.back(), m_all);
    setTabOrder(m_all, m_fileTiming);
    setTabOrder(m_fileTiming, m_ok);
    // A fixed dialog border: the dialog keeps the size its contents need.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TChannelsForm::ShowMask(uint16_t mask) {
    m_shown = mask;
    if (FileTiming())
        mask = uint16_t(mask & ~(1u << DrumChannel));
    for (int channel = 0; channel < Channels; ++channel)
        m_boxes[size_t(channel)]->setChecked(mask >> channel & 1);
    // All checked already: the first click on All clears them.
    m_all->setChecked(mask == 0xFFFF);
}

uint16_t TChannelsForm::CheckedChannels() const {
    uint16_t mask = 0;
    for (int channel = 0; channel < Channels; ++channel)
        if (m_boxes[size_t(channel)]->isChecked())
            mask = uint16_t(mask | 1u << channel);
    return mask;
}

void TChannelsForm::cbAllClick() {
    for (QCheckBox* box : m_boxes)
        box->setChecked(m_all->isChecked());
}

bool TChannelsForm::FileTiming() const {
    return m_fileTiming->isChecked();
}

void TChannelsForm::SetFileTiming(bool on) {
    QSignalBlocker quiet(m_fileTiming);
    m_fileTiming->setChecked(on);
}

bool TChannelsForm::SelectChannels(uint16_t& mask) {
    ShowMask(mask);
    m_ok->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    mask = CheckedChannels();
    return true;
}

} // namespace zel
