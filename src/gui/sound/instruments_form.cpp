#include "sound/instruments_form.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/debug_log.h"
#include "document/instrument_edits.h"
#include "icons.h"
#include "model/ansi_text.h"
#include "sound/instrument_file.h"
#include "sound/instrument_frame.h"
#include "sound/playbuffer.h"
#include "sound/wave_plot.h"
#include "widgets/accessible_names.h"
#include "widgets/gradient_bar.h"
#include "widgets/knob_slider.h"
#include "widgets/tabcontrolsmart.h"
#include "widgets/text_dialog.h"

namespace zel {
namespace {

const QString InstrumentFilter = QStringLiteral("Zelvane Instrument (*.zvi)");
constexpr uint32_t InstrumentsDebugColour = 0x800000; // navy
constexpr int TabFontPixels = 13;
constexpr int DurationEntries = 8;

QString Ansi(std::string_view bytes) {
    return QString::fromStdString(AnsiToUtf8(bytes));
}

} // namespace

TInstrumentsForm::TInstrumentsForm(TDocument& document, TInstrumentsFormSetup setup,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), m_document(document), m_setup(std::move(setup)) {
    setObjectName(QStringLiteral("InstrumentsForm"));
    setWindowTitle(QStringLiteral("Instruments Setup"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_tabs = new TTabControlSmart(m_document.Project().InstrumentNames, this);
    m_tabs->setObjectName(QStringLiteral("TabControl1"));
    m_tabs->installEventFilter(this);
    layout->addWidget(m_tabs);

    auto* levelRow = new QHBoxLayout;
    auto* levelLabel = new QLabel(QStringLiteral("Master Volume (%)"), this);
    m_level = new TKnobSlider(this);
    m_level->setObjectName(QStringLiteral("tlLevel"));
    m_level->setRange(0, 100);
    m_level->setToolTip(QStringLiteral("Master Volume (keep rendered Level below 100%)"));
    levelLabel->setBuddy(m_level);
    levelRow->addWidget(levelLabel);
    levelRow->addWidget(m_level, 1);
    layout->addLayout(levelRow);
    connect(m_level, &QSlider::valueChanged, this, [this](int value) {
        m_level->SetKnobText(QString::number(value));
        emit MasterVolumeChanged(value);
    });
    SetMasterVolume(50);

    m_frame = new TInstrumentFrame(this);
    m_frame->setObjectName(QStringLiteral("InstrumentFrame1"));
    layout->addWidget(m_frame);
    connect(m_frame, &TInstrumentFrame::Edited, this, &TInstrumentsForm::StoreFrame);
    m_subscription =
        m_document.Subscribe([this](const TChangeSet& changes) { FollowChanges(changes); });

    m_plot = new TWavePlot(this);
    m_plot->setObjectName(QStringLiteral("PBWave"));
    m_plot->setMinimumHeight(96);
    layout->addWidget(m_plot, 1);

    auto* bar = new TGradientBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    CreateToolBar(bar);
    layout->addWidget(bar);

    m_tabMenu = new QMenu(this);
    m_tabMenu->setObjectName(QStringLiteral("PopupMenuTabs"));
    m_tabMenu->addAction(QStringLiteral("Rename Instrument"), this,
                         &TInstrumentsForm::RenameInstrument);
    m_tabMenu->addAction(QStringLiteral("Delete Instrument"), this,
                         &TInstrumentsForm::DeleteInstrument);
    m_tabMenu->addAction(QStringLiteral("Insert Instrument"), this,
                         &TInstrumentsForm::InsertInstrument);

    BindTabs();
    SetAccessibleNames(this, {{"TabControl1", "Instruments"},
                              {"tlLevel", "Master Volume (%)"},
                              {"PBWave", "Preview plot"}});
    NameToolButtons(this);
    m_tabs->Strip().SelectAndFill(0);
}

void TInstrumentsForm::CreateToolBar(QWidget* bar) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    auto button = [&](const char* name, const QString& caption, const QString& hint,
                      std::function<void()> handler) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        if (handler)
            connect(b, &QToolButton::clicked, this, std::move(handler));
        row->addWidget(b);
        return b;
    };
    m_preview = button("bPreview", QStringLiteral("Preview"),
                       QStringLiteral("Play Sample Note (middle C)"), [this] { bPreviewClick(); });
    m_preview->setIcon(ToolIcon(TToolIcon::PlayRiff));
    m_preview->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_durationMenu = new QMenu(this);
    m_durationMenu->setObjectName(QStringLiteral("pmDuration"));
    m_durationMenu->setAccessibleName(QStringLiteral("Preview duration"));
    static const char* const Names[DurationEntries] = {
        "Double whole note", "Whole note",     "Half note",          "Quarter note",
        "Eighth note",       "Sixteenth note", "Thirty-second note", "Sixty-fourth note"};
    for (int i = 0; i < DurationEntries; ++i) {
        int ticks = 2048 >> i;
        QAction* entry =
            m_durationMenu->addAction(ToolIcon(TToolIcon(int(TToolIcon::Note0) + i)), QString(),
                                      this, [this, ticks] { SetPreviewDuration(ticks); });
        entry->setToolTip(QString::fromLatin1(Names[i]));
        entry->setObjectName(QStringLiteral("mDuration%1").arg(i));
    }
    QToolButton* drop = button("bPreviewDrop", QString(), QStringLiteral("Set Duration"), {});
    drop->setArrowType(Qt::DownArrow);
    connect(drop, &QToolButton::clicked, this, [this] {
        m_durationMenu->popup(m_preview->mapToGlobal(m_preview->rect().bottomLeft()));
    });

    button("bSaveInstrument", QStringLiteral("Save"), QStringLiteral("Save Instrument to File"),
           [this] { bSaveInstrumentClick(); })
        ->setIcon(ToolIcon(TToolIcon::Save));
    button("bLoadInstrument", QStringLiteral("Load"), QStringLiteral("Load Instrument from File"),
           [this] { bLoadInstrumentClick(); })
        ->setIcon(ToolIcon(TToolIcon::Open));
    button("bCopy", QStringLiteral("Copy"), QStringLiteral("Copy Instrument to Clipboard"), [this] {
        bCopyClick();
    })->setIcon(ToolIcon(TToolIcon::Copy));
    button("bPaste", QStringLiteral("Paste"), QStringLiteral("Paste Instrument from Clipboard"),
           [this] { bPasteClick(); })
        ->setIcon(ToolIcon(TToolIcon::Paste));
    for (QToolButton* b : bar->findChildren<QToolButton*>())
        if (!b->icon().isNull() && b != m_preview)
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    row->addStretch(1);
    // The zoom buttons of the plot, by their tags.
    const struct {
        const char* Name;
        const char* Caption;
        const char* Hint;
        int Tag;
    } zooms[] = {{"bYUp", "Y+", "Taller wave", 0},
                 {"bXUp", "X+", "Wider wave", 1},
                 {"bYDn", "Y-", "Flatter wave", 2},
                 {"bXDn", "X-", "Narrower wave", 3}};
    for (const auto& zoom : zooms)
        button(zoom.Name, QString::fromLatin1(zoom.Caption), QString::fromLatin1(zoom.Hint),
               [this, tag = zoom.Tag] { m_plot->ZoomClick(tag); });
}

void TInstrumentsForm::BindTabs() {
    zel::BindInstrumentTabs(m_tabs->Strip(), m_document, [this](int index) { FillFrame(index); },
                            {});
    const TTabCaptions& names = m_document.Project().InstrumentNames;
    auto blank = [&names](int index) { return index == names.Count() - 1 && names.LastIsBlank(); };
    m_tabs->TabWidth = [this, blank](int index) {
        if (blank(index))
            return 28;
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(TabFontPixels);
        font.setBold(true);
        return QFontMetrics(font).horizontalAdvance(Caption(index)) + 30;
    };
    m_tabs->OnDrawTab = [this, blank](QPainter& painter, int index, const QRect& r, bool active) {
        if (blank(index)) {
            painter.drawPixmap(r.right() - 20, r.top() + 4,
                               ToolIcon(TToolIcon::AddTab).pixmap(16, QIcon::Disabled));
            return;
        }
        painter.drawPixmap(
            r.left() + 4, r.top() + 4,
            ToolIcon(TToolIcon::Instruments).pixmap(16, active ? QIcon::Normal : QIcon::Disabled));
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(TabFontPixels);
        font.setBold(active);
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(QRect(r.left() + 24, r.top() + 4, r.width() - 24, r.height() - 4),
                         Qt::AlignLeft | Qt::AlignTop, Caption(index));
    };
    m_tabs->OnDoubleClick = [this](int) { RenameInstrument(); };
    m_tabs->OnContextMenu = [this](int index, const QPoint& at) {
        // Beside the tabs, or on the blank one, there is no instrument to act on; the one shown
        // stays the one edited.
        bool named = index >= 0 && index < m_document.Project().InstrumentNames.RecordCount();
        if (index < 0)
            m_tabs->Strip().SelectAndFill(CurrentInstrument());
        for (QAction* action : m_tabMenu->actions())
            action->setEnabled(named);
        m_tabMenu->popup(at);
    };
}

QString TInstrumentsForm::Caption(int index) const {
    const TTabCaptions& names = m_document.Project().InstrumentNames;
    return index >= 0 && index < names.Count() ? Ansi(names[index]) : QString();
}

TInstrumentsForm::~TInstrumentsForm() {
    m_document.Unsubscribe(m_subscription);
}

int TInstrumentsForm::CurrentInstrument() const {
    int count = m_document.Project().InstrumentNames.RecordCount();
    return std::clamp(m_document.Editor().CurrentInstrument, 0, std::max(count - 1, 0));
}

void TInstrumentsForm::SelectInstrument(int index) {
    if (index < 0 || index >= m_document.Project().InstrumentNames.RecordCount())
        return;
    m_tabs->Strip().SelectAndFill(index);
    m_tabs->Refresh();
}

void TInstrumentsForm::ShowModel() {
    m_tabs->Strip().SelectAndFill(CurrentInstrument());
    m_tabs->Refresh();
}

void TInstrumentsForm::FollowChanges(const TChangeSet& changes) {
    if (!changes.TouchesInstruments())
        return;
    // A value edited here is already on the controls; anything else (undo, redo, a moved or
    // replaced record) shows the current instrument again, wherever its tab is now.
    if (changes.Kind == TChangeSet::TKind::Edit && !changes.InstrumentOrder) {
        m_tabs->Refresh();
        SyncFrame();
    } else {
        ShowModel();
    }
    if (changes.InstrumentOrder || changes.InstrumentNames || changes.Everything())
        emit InstrumentsChanged();
}

void TInstrumentsForm::SyncFrame() {
    const TInstrument& record = m_document.Project().Instruments[size_t(CurrentInstrument())];
    TInstrument shown = record;
    m_frame->Read(shown);
    if (!(shown == record))
        m_frame->Write(record);
}

void TInstrumentsForm::FillFrame(int index) {
    DebugAdd("TabControlFill " + std::to_string(index), InstrumentsDebugColour);
    if (index >= 0 && index < MaxInstruments)
        m_frame->Write(m_document.Project().Instruments[size_t(index)]);
    m_frame->ClearModified();
    m_tabs->Refresh();
    emit InstrumentsChanged();
}

void TInstrumentsForm::StoreFrame(const QString& field) {
    // The record the user sees: the current instrument, wherever its tab went.
    int index = m_document.Editor().CurrentInstrument;
    if (index < 0 || index >= m_document.Project().InstrumentNames.RecordCount())
        return;
    TInstrument values = m_document.Project().Instruments[size_t(index)];
    m_frame->Read(values);
    DocumentStoreInstrument(m_document, index, values, field.toStdString());
}

int TInstrumentsForm::MasterVolume() const {
    return m_level->value();
}

void TInstrumentsForm::SetMasterVolume(int value) {
    m_level->setValue(std::clamp(value, 0, 100));
    m_level->SetKnobText(QString::number(m_level->value()));
}

void TInstrumentsForm::bPreviewClick() {
    const TInstrument& instrument = m_document.Project().Instruments[size_t(CurrentInstrument())];
    m_renderer.MasterVolume = MasterVolume();
    TSharedBuffer buffer = RenderInstrumentPreview(m_renderer, m_previewDuration, instrument);
    auto samples =
        std::make_shared<std::vector<int16_t>>(buffer->Samples().begin(), buffer->Samples().end());
    m_plot->SetWave(std::move(samples));
    if (TPlayback* playback = m_setup.Playback ? m_setup.Playback() : nullptr)
        playback->PlaybackStart(buffer);
}

void TInstrumentsForm::SetPreviewDuration(int ticks) {
    m_previewDuration = ticks;
    bPreviewClick();
}

void TInstrumentsForm::bSaveInstrumentClick() {
    int index = CurrentInstrument();
    QString path =
        m_setup.FileDialog
            ? m_setup.FileDialog(true, QStringLiteral("Save Instrument"), InstrumentFilter,
                                 Caption(index).replace(QLatin1Char('/'), '_') + ".zvi")
            : QString();
    if (path.isEmpty())
        return;
    // "Lead 2.1" is a name, not a file type.
    if (QFileInfo(path).suffix().compare(QStringLiteral("zvi"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".zvi");
    SaveInstrumentFile(path.toStdString(), m_document.Project().InstrumentNames[index],
                       m_document.Project().Instruments[size_t(index)]);
}

void TInstrumentsForm::bLoadInstrumentClick() {
    QString path = m_setup.FileDialog ? m_setup.FileDialog(false, QStringLiteral("Load Instrument"),
                                                           InstrumentFilter, QString())
                                      : QString();
    if (path.isEmpty())
        return;
    // A name typed without its ending.
    if (!QFileInfo::exists(path) && QFileInfo::exists(path + QStringLiteral(".zvi")))
        path += QStringLiteral(".zvi");
    int index = CurrentInstrument();
    if (!DocumentLoadInstrumentFile(m_document, index, path.toStdString()))
        return; // the message said why
    DebugAdd("!File Read! :)", InstrumentsDebugColour);
    m_tabs->Strip().SelectAndFill(index);
}

void TInstrumentsForm::bCopyClick() {
    QApplication::clipboard()->setText(QString::fromStdString(
        InstrumentToText(m_document.Project().Instruments[size_t(CurrentInstrument())])));
}

void TInstrumentsForm::bPasteClick() {
    int index = CurrentInstrument();
    std::string text = QApplication::clipboard()->text().toStdString();
    if (!DocumentPasteInstrument(m_document, index, text)) {
        QApplication::beep();
        return;
    }
    m_tabs->Strip().SelectAndFill(index);
}

void TInstrumentsForm::RenameInstrument() {
    int index = CurrentInstrument();
    std::optional<QString> name;
    if (m_setup.AskName) {
        name = m_setup.AskName(Caption(index));
    } else {
        name = AskText(this, QStringLiteral("Rename Instrument"), QStringLiteral("Instrument Name"),
                       Caption(index));
    }
    if (!name)
        return;
    std::string bytes;
    if (!Utf8ToAnsi(name->toStdString(), bytes)) {
        QApplication::beep(); // a character the project file cannot hold
        return;
    }
    DocumentRenameInstrument(m_document, index, bytes);
    AfterTableEdit();
}

void TInstrumentsForm::DeleteInstrument() {
    DocumentDeleteInstrument(m_document, m_tabs->Strip(), m_tabs->SelectedIndex());
    AfterTableEdit();
}

void TInstrumentsForm::InsertInstrument() {
    DocumentInsertInstrument(m_document, m_tabs->Strip(), m_tabs->SelectedIndex());
    AfterTableEdit();
}

void TInstrumentsForm::AfterTableEdit() {
    m_tabs->Refresh();
    emit InstrumentsChanged();
}

void TInstrumentsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ShowModel();
}

void TInstrumentsForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // The plot of the last preview goes when the window is closed (not when it is minimised);
    // everything else stays.
    m_plot->ClearWave();
}

void TInstrumentsForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        bPreviewClick();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool TInstrumentsForm::focusNextPrevChild(bool next) {
    // Tab and Shift+Tab go through the instruments, not the controls; tabbing onto the blank
    // tab makes a new instrument.
    int index = m_tabs->SelectedIndex() + (next ? 1 : -1);
    if (index >= 0 && index < m_tabs->TabCount()) {
        m_tabs->Strip().SelectAndFill(index);
        m_tabs->Refresh();
    }
    return true;
}

bool TInstrumentsForm::eventFilter(QObject* watched, QEvent* event) {
    // A tab dragged to another place moves its song column: the grid shows it at once.
    if (watched == m_tabs && event->type() == QEvent::MouseButtonRelease)
        QTimer::singleShot(0, this, [this] { emit InstrumentsChanged(); });
    // The middle button on the tabs takes the keyboard away from every control.
    if (watched == m_tabs && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) {
        if (QWidget* focus = focusWidget())
            focus->clearFocus();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zel
