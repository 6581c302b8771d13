#include "riff_properties_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

#include "document/document_edits.h"
#include "edit/music.h"
#include "model/ansi_text.h"
#include "model/projectfile.h"
#include "model/riff_settings.h"
#include "widgets/accessible_names.h"

namespace zel {

namespace {

constexpr int MinTempo = 20;
constexpr int MaxTempo = 1000;
constexpr int MaxBarsBExponent = 4;

// Object names of the sliders from the bottom string slot (0) up to slot 6.
constexpr std::array<const char*, StringSlots - 1> SliderNames = {
    "sStringG", "sStringF", "sStringE", "sStringD", "sStringC", "sStringB", "sStringA"};

QString ToQString(const std::string& bytes) {
    return QString::fromStdString(AnsiToUtf8(bytes));
}

// Refuses any edit that would put a character without a Windows-1252 byte into a field, so
// that what the field shows is exactly what the model can keep.
class TAnsiValidator : public QValidator {
public:
    TAnsiValidator(std::function<void()> refused, QObject* parent)
        : QValidator(parent), m_refused(std::move(refused)) {}

    State validate(QString& input, int&) const override {
        std::string bytes;
        if (Utf8ToAnsi(input.toStdString(), bytes))
            return Acceptable;
        m_refused();
        return Invalid;
    }

private:
    std::function<void()> m_refused;
};

QGroupBox* NewGroup(const QString& title, const char* name, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(name));
    return group;
}

} // namespace

// ---------------------------------------------------------------------------------------------

TPowerOfTwoSpinBox::TPowerOfTwoSpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(0, MaxBarsBExponent);
}

// eBarsBCalculate: the field shows the denominator, 2 to the power of the exponent it holds.
QString TPowerOfTwoSpinBox::textFromValue(int value) const {
    return QString::number(BarsBFromExponent(value));
}

int TPowerOfTwoSpinBox::valueFromText(const QString& text) const {
    return BarsBExponent(uint16_t(std::clamp(text.trimmed().toInt(), 0, 0xFFFF)));
}

// Typing is taken while it can still become 1, 2, 4, 8 or 16.
QValidator::State TPowerOfTwoSpinBox::validate(QString& input, int&) const {
    QString text = input.trimmed();
    if (text.isEmpty())
        return QValidator::Intermediate;
    QValidator::State state = QValidator::Invalid;
    for (int exponent = 0; exponent <= MaxBarsBExponent; ++exponent) {
        QString denominator = QString::number(BarsBFromExponent(exponent));
        if (denominator == text)
            return QValidator::Acceptable;
        if (denominator.startsWith(text))
            state = QValidator::Intermediate;
    }
    return state;
}

// ---------------------------------------------------------------------------------------------

TRiffPropertiesForm::TRiffPropertiesForm(TDocument& document, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_document(document), m_project(document.Project()),
      m_editor(document.Editor()) {
    setObjectName(QStringLiteral("RiffPropertiesForm"));
    setWindowTitle(QStringLiteral("Riff Properties"));
    Beep = [] { QApplication::beep(); };
    BuildControls();
    NameControls();
    // The window sees keys before its controls do (Enter and Esc close it from any control).
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    // The window is the editor of record even before it is first shown.
    FillRiffProperties();
    m_subscription =
        m_document.Subscribe([this](const TChangeSet& changes) { FollowChanges(changes); });
}

TRiffPropertiesForm::~TRiffPropertiesForm() {
    m_document.Unsubscribe(m_subscription);
}

int TRiffPropertiesForm::RiffIndex() const {
    int index = RiffIndexOf(m_project, m_riffId);
    return index >= 0 ? index : std::clamp(m_editor.CurrentRiff, 0, MaxRiffs - 1);
}

TRiff& TRiffPropertiesForm::Riff() {
    return m_project.Riffs[size_t(RiffIndex())];
}

void TRiffPropertiesForm::FollowChanges(const TChangeSet& changes) {
    if (m_storing || m_loading)
        return;
    bool shown =
        std::find(changes.Riffs.begin(), changes.Riffs.end(), m_riffId) != changes.Riffs.end();
    // The riff shown is gone (deleted, or a new project): show the current one.
    if (changes.Everything() || RiffIndexOf(m_project, m_riffId) < 0)
        FillRiffProperties();
    else if (shown || changes.RiffNames)
        FillRiffProperties(RiffIndex());
}

void TRiffPropertiesForm::RefuseInput() {
    if (Beep)
        Beep();
}

// What screen readers and UI automation call the controls: the label or hint beside each.
void TRiffPropertiesForm::NameControls() {
    SetAccessibleNames(this, {{"eRiffName", "Riff Name"},
                              {"eAllStringsLeft", "Flatten All Strings"},
                              {"eAllStringsRight", "Sharpen All Strings"},
                              {"eTempo", "Tempo (bpm)"},
                              {"eBarsA", "Time Signature Numerator"},
                              {"eBarsB", "Time Signature Denominator"},
                              {"cbKey", "Key Signature"}});
    for (size_t slot = 0; slot < m_sliders.size(); ++slot)
        m_sliders[slot]->setAccessibleName(
            QStringLiteral("Tuning of string %1 from the bottom").arg(slot + 1));
}

void TRiffPropertiesForm::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* nameLabel = new QLabel(QStringLiteral("Riff Name"), this);
    m_riffName = new QLineEdit(this);
    m_riffName->setObjectName(QStringLiteral("eRiffName"));
    m_riffName->setValidator(new TAnsiValidator([this] { RefuseInput(); }, m_riffName));
    nameLabel->setBuddy(m_riffName);
    layout->addWidget(nameLabel);
    layout->addWidget(m_riffName);
    connect(m_riffName, &QLineEdit::textChanged, this, [this] { Change("name"); });

    // Strings: count buttons, one slider per string slot, the flatten / sharpen arrows.
    QGroupBox* strings = NewGroup(QStringLiteral("Strings"), "gbStrings", this);
    strings->setToolTip(QStringLiteral("Setup Strings"));
    auto* stringsLayout = new QVBoxLayout(strings);
    auto* buttonRow = new QHBoxLayout;
    m_stringButtons = new QButtonGroup(this);
    m_stringButtons->setExclusive(true);
    for (int count = MinStrings; count <= MaxStrings; ++count) {
        auto* button = new QPushButton(QStringLiteral("%1 Strings").arg(count), strings);
        button->setObjectName(QStringLiteral("b%1").arg(count));
        button->setToolTip(QStringLiteral("Setup Strings"));
        button->setCheckable(true);
        button->setAutoDefault(false);
        m_stringButtons->addButton(button, count);
        buttonRow->addWidget(button);
    }
    connect(m_stringButtons, &QButtonGroup::idClicked, this,
            [this](int count) { bStringsClick(count); });
    stringsLayout->addLayout(buttonRow);
    for (int slot = int(m_sliders.size()) - 1; slot >= 0; --slot) {
        auto* slider = new TKnobSlider(strings);
        slider->setObjectName(QString::fromLatin1(SliderNames[size_t(slot)]));
        slider->setRange(TuningSliderMin, TuningSliderMax);
        slider->setPageStep(12);
        slider->setMinimumWidth(240);
        m_sliders[size_t(slot)] = slider;
        stringsLayout->addWidget(slider);
        connect(slider, &QSlider::valueChanged, this,
                [this, slot](int value) { sStringChange(slot, value); });
    }
    auto* arrows = new QWidget(strings);
    arrows->setObjectName(QStringLiteral("eAllStrings"));
    arrows->setToolTip(QStringLiteral("Flatten / Sharpen All"));
    auto* arrowsLayout = new QHBoxLayout(arrows);
    arrowsLayout->setContentsMargins(0, 0, 0, 0);
    arrowsLayout->setSpacing(0);
    for (int delta : {-1, 1}) {
        auto* arrow = new QToolButton(arrows);
        arrow->setObjectName(delta < 0 ? QStringLiteral("eAllStringsLeft")
                                       : QStringLiteral("eAllStringsRight"));
        arrow->setArrowType(delta < 0 ? Qt::LeftArrow : Qt::RightArrow);
        arrow->setToolTip(QStringLiteral("Flatten / Sharpen All"));
        arrow->setAutoRepeat(true);
        arrowsLayout->addWidget(arrow);
        connect(arrow, &QToolButton::clicked, this,
                [this, delta] { eAllStringsChangingEx(delta); });
    }
    stringsLayout->addWidget(arrows, 0, Qt::AlignHCenter);
    layout->addWidget(strings);

    QGroupBox* tempo = NewGroup(QStringLiteral("Tempo (bpm)"), "gbTempo", this);
    auto* tempoLayout = new QHBoxLayout(tempo);
    m_tempo = new QSpinBox(tempo);
    m_tempo->setObjectName(QStringLiteral("eTempo"));
    m_tempo->setRange(MinTempo, MaxTempo);
    m_tempo->setToolTip(QStringLiteral("1/4 beats per minute"));
    connect(m_tempo, &QSpinBox::valueChanged, this, [this] {
        if (!m_loading)
            m_tempoEdited = true;
        Change("tempo");
    });
    auto* allRiffs = new QPushButton(QStringLiteral("All Riffs"), tempo);
    allRiffs->setObjectName(QStringLiteral("bAllRiffs"));
    allRiffs->setAutoDefault(false);
    connect(allRiffs, &QPushButton::clicked, this, [this] { bAllRiffsClick(); });
    tempoLayout->addWidget(m_tempo);
    tempoLayout->addWidget(allRiffs);
    layout->addWidget(tempo);

    // "&&" shows one ampersand: a single one would mark a mnemonic.
    QGroupBox* signature = NewGroup(QStringLiteral("Time Signature && Key"), "gbSignature", this);
    auto* signatureLayout = new QHBoxLayout(signature);
    m_barsA = new QLineEdit(QStringLiteral("4"), signature);
    m_barsA->setObjectName(QStringLiteral("eBarsA"));
    m_barsA->setToolTip(
        QStringLiteral("Time Signature Numerator. Simple (4) or compound (4 4 4 3)"));
    m_barsA->setValidator(new TAnsiValidator([this] { RefuseInput(); }, m_barsA));
    connect(m_barsA, &QLineEdit::textChanged, this, [this] { Change("bars"); });
    m_barsB = new TPowerOfTwoSpinBox(signature);
    m_barsB->setObjectName(QStringLiteral("eBarsB"));
    m_barsB->setToolTip(QStringLiteral("Time Signature Denominator"));
    connect(m_barsB, &QSpinBox::valueChanged, this, [this] {
        if (!m_loading)
            m_barsBEdited = true;
        Change("bars");
    });
    m_key = new QComboBox(signature);
    m_key->setObjectName(QStringLiteral("cbKey"));
    m_key->setToolTip(QStringLiteral("Key Signature"));
    for (const char* entry : KeyEntries)
        m_key->addItem(QString::fromLatin1(entry));
    connect(m_key, &QComboBox::currentIndexChanged, this, [this] { Change("key"); });
    signatureLayout->addWidget(m_barsA, 1);
    signatureLayout->addWidget(new QLabel(QStringLiteral("/"), signature));
    signatureLayout->addWidget(m_barsB);
    signatureLayout->addWidget(m_key);
    layout->addWidget(signature);

    auto* bottomBar = new QHBoxLayout;
    bottomBar->addStretch(1);
    auto* copy = new QPushButton(QStringLiteral("Copy"), this);
    copy->setObjectName(QStringLiteral("bCopy"));
    copy->setToolTip(QStringLiteral("Copy to Clipboard"));
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, [this] { bCopyClick(); });
    auto* paste = new QPushButton(QStringLiteral("Paste"), this);
    paste->setObjectName(QStringLiteral("bPaste"));
    paste->setToolTip(QStringLiteral("Paste from Clipboard"));
    paste->setAutoDefault(false);
    connect(paste, &QPushButton::clicked, this, [this] { bPasteClick(); });
    bottomBar->addWidget(copy);
    bottomBar->addWidget(paste);
    layout->addLayout(bottomBar);
}

void TRiffPropertiesForm::FillRiffProperties() {
    FillRiffProperties(m_editor.CurrentRiff);
}

void TRiffPropertiesForm::FillRiffProperties(int index) {
    index = std::clamp(index, 0, MaxRiffs - 1);
    m_riffId = m_project.Riffs[size_t(index)].Id;
    m_loading = true;
    TRiffProperties properties = zel::FillRiffProperties(m_project, index);
    m_riffName->setText(ToQString(properties.Name));
    m_tempo->setValue(properties.Tempo);
    m_barsA->setText(ToQString(properties.BarsA));
    m_barsB->setValue(properties.BarsBExp);
    // The key is set while loading too: setting it afterwards would mark the project changed
    // whenever the new riff has another key than the one shown before.
    m_key->setCurrentIndex(properties.KeyIndex);

    int strings = StringCount(Riff());
    m_stringButtons->setExclusive(false);
    for (QAbstractButton* button : m_stringButtons->buttons())
        button->setChecked(m_stringButtons->id(button) == strings);
    m_stringButtons->setExclusive(true);
    UpdateSliders();
    m_tempoEdited = false;
    m_barsBEdited = false;
    m_loading = false;

    m_riffName->setCursorPosition(0);
    m_riffName->deselect();
}

void TRiffPropertiesForm::EditRiff(std::string_view field, const std::function<void()>& edit) {
    m_storing = true;
    bool stored = DocumentStoreRiffProperties(
        m_document, RiffIndex(), [&](TProject&) { edit(); }, field);
    m_storing = false;
    // A name another riff has was refused: the field shows the riff's name again.
    if (!stored)
        FillRiffProperties(RiffIndex());
}

void TRiffPropertiesForm::StoreRiffProperties(std::string_view field) {
    bool changed = false;
    EditRiff(field, [&] { changed = StoreInto(); });
    if (changed)
        emit RiffChanged();
}

bool TRiffPropertiesForm::StoreInto() {
    const int index = RiffIndex();
    TRiff& riff = Riff();
    const std::string oldName =
        index < m_project.RiffNames.Count() ? m_project.RiffNames[index] : "";
    const uint16_t oldTempo = riff.Tempo;
    const std::string oldBarsA = riff.BarsA;
    const uint16_t oldBarsB = riff.BarsB;
    const int32_t oldKey = riff.Key;

    TRiffProperties properties;
    // The validators keep both texts encodable; should one not be, the riff keeps its value.
    if (!Utf8ToAnsi(m_riffName->text().toStdString(), properties.Name))
        properties.Name = oldName;
    if (!Utf8ToAnsi(m_barsA->text().toStdString(), properties.BarsA))
        properties.BarsA = oldBarsA;
    properties.Tempo = uint16_t(m_tempo->value());
    properties.BarsBExp = m_barsB->value();
    properties.KeyIndex = m_key->currentIndex();
    zel::StoreRiffProperties(m_project, index, properties);
    if (!m_tempoEdited)
        riff.Tempo = oldTempo;
    if (!m_barsBEdited)
        riff.BarsB = oldBarsB;

    const std::string newName =
        index < m_project.RiffNames.Count() ? m_project.RiffNames[index] : "";
    return newName != oldName || riff.Tempo != oldTempo || riff.BarsA != oldBarsA ||
           riff.BarsB != oldBarsB || riff.Key != oldKey;
}

void TRiffPropertiesForm::UpdateSliders() {
    m_updatingSliders = true;
    const TRiff& riff = Riff();
    for (size_t slot = 0; slot < m_sliders.size(); ++slot) {
        TKnobSlider* slider = m_sliders[slot];
        int32_t tuning = riff.Tuning[slot];
        bool present = tuning != NoString;
        slider->setEnabled(present);
        if (present) {
            slider->setValue(std::clamp(tuning, TuningSliderMin, TuningSliderMax));
            // A pitch beyond the range keeps its own name while the knob stands at the end.
            slider->SetKnobText(QString::fromStdString(PitchOctaveText(tuning)));
        } else {
            slider->SetKnobText(QString());
        }
    }
    m_updatingSliders = false;
}

void TRiffPropertiesForm::bStringsClick(int strings) {
    QAbstractButton* button = m_stringButtons->button(strings);
    if (m_loading || !button || !button->isChecked())
        return;
    EditRiff({}, [&] { ApplyStringPreset(Riff(), strings); });
    UpdateSliders();
    emit RiffChanged();
}

// The slider's value is the open pitch of its string: stored at once, and named on the knob.
void TRiffPropertiesForm::sStringChange(int slot, int value) {
    TKnobSlider* slider = m_sliders[size_t(slot)];
    if (m_updatingSliders || !slider->isEnabled())
        return;
    // Dragging one slider makes one step.
    EditRiff("tuning" + std::to_string(slot), [&] { Riff().Tuning[size_t(slot)] = value; });
    slider->SetKnobText(QString::fromStdString(PitchOctaveText(value)));
    emit RiffChanged();
}

void TRiffPropertiesForm::eAllStringsChangingEx(int delta) {
    bool shifted = false;
    EditRiff({}, [&] { shifted = ShiftAllStrings(Riff(), delta); });
    if (!shifted)
        return;
    UpdateSliders();
    emit RiffChanged();
}

// Digits, blanks and control keys go into the numerator; anything else is refused.
bool TRiffPropertiesForm::eBarsAKeyPress(const QKeyEvent& event) {
    const QString text = event.text();
    for (QChar c : text) {
        if (c.unicode() > 0x7F || !IsNumeratorChar(char(c.unicode()))) {
            RefuseInput();
            return true;
        }
    }
    return false;
}

// A field's new value goes into the riff at once, so the project shows as changed and Undo
// takes it back; typing on in the same field adds to the same step.
void TRiffPropertiesForm::Change(const char* field) {
    if (!m_loading)
        StoreRiffProperties(field);
}

void TRiffPropertiesForm::bAllRiffsClick() {
    if (DocumentSetTempoOfAllRiffs(m_document, uint16_t(m_tempo->value())))
        emit RiffChanged();
}

void TRiffPropertiesForm::bCopyClick() {
    StoreRiffProperties();
    QApplication::clipboard()->setText(ToQString(RiffHeaderText(Riff())));
}

void TRiffPropertiesForm::bPasteClick() {
    std::string bytes;
    // Text with a character that has no byte cannot be settings; a trial on a scratch record
    // tells whether the field count is right before the riff is touched.
    TRiff trial;
    if (!Utf8ToAnsi(QApplication::clipboard()->text().toStdString(), bytes) ||
        !PasteRiffSettings(trial, bytes)) {
        RefuseInput();
        return;
    }
    // The name is not part of the text: a name typed but not yet stored stays.
    StoreRiffProperties();
    EditRiff({}, [&] { PasteRiffSettings(Riff(), bytes); });
    FillRiffProperties(RiffIndex());
    emit RiffChanged();
}

bool TRiffPropertiesForm::FormKeyPress(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void TRiffPropertiesForm::FormDeactivate() {
    StoreRiffProperties();
}

bool TRiffPropertiesForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (FormKeyPress(key))
            return true;
        if (watched == m_barsA && eBarsAKeyPress(key))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TRiffPropertiesForm::keyPressEvent(QKeyEvent* event) {
    if (FormKeyPress(*event))
        return;
    QWidget::keyPressEvent(event);
}

void TRiffPropertiesForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        FormDeactivate();
}

// Closing hides the window; its values go into the riff whether or not it was active.
void TRiffPropertiesForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FormDeactivate();
}

} // namespace zel
