// The "Riff Properties" tool window: name, strings and tuning, tempo, time signature and key of
// the riff being edited, with copy and paste of the riff settings as text.
#pragma once

#include <QSpinBox>
#include <QWidget>
#include <array>
#include <functional>

#include "document/document.h"
#include "model/song.h"
#include "widgets/knob_slider.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QKeyEvent;
class QToolButton;

namespace zel {

// The denominator field: it holds an exponent 0..4 and shows 2 to that power (1, 2, 4, 8, 16).
class TPowerOfTwoSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit TPowerOfTwoSpinBox(QWidget* parent = nullptr);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;
};

// The window mirrors one riff, normally CurrentRiff. The main window fills it whenever it loads
// a riff into the editor and stores it when it leaves a riff; the window stores by itself when
// it is deactivated or hidden, and before Copy.
class TRiffPropertiesForm : public QWidget {
    Q_OBJECT
public:
    explicit TRiffPropertiesForm(TDocument& document, QWidget* parent = nullptr);
    ~TRiffPropertiesForm() override;

    // Shows the riff CurrentRiff (or `index`) without marking the project changed.
    void FillRiffProperties();
    void FillRiffProperties(int index);
    // Writes name, tempo, time signature and key into the shown riff, as one undoable step
    // (stores of the same field in a row make one step). The tuning is written as the string
    // controls change, not here.
    void StoreRiffProperties(std::string_view field = {});
    // Where the riff the window shows and stores into is now: the window holds the riff, not
    // its place, so a tab moved meanwhile changes nothing about what it edits.
    int RiffIndex() const;

    // Sounds for a refused key or paste; the system beep unless replaced.
    std::function<void()> Beep;

signals:
    // The window changed the shown riff (tuning, name, tempo, time signature, key) or, through
    // All Riffs, the tempo of others: the riff view and the riff tab captions should follow.
    void RiffChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TRiff& Riff();
    void BuildControls();
    void NameControls();
    void UpdateSliders();
    void RefuseInput();

    void bStringsClick(int strings);
    void sStringChange(int slot, int value);
    void eAllStringsChangingEx(int delta);
    bool eBarsAKeyPress(const QKeyEvent& event);
    void Change(const char* field);
    // Runs a change of the shown riff as one undoable step.
    void EditRiff(std::string_view field, const std::function<void()>& edit);
    // The fields into the riff; whether anything changed.
    bool StoreInto();
    void bAllRiffsClick();
    void bCopyClick();
    void bPasteClick();
    bool FormKeyPress(const QKeyEvent& event);
    void FormDeactivate();
    void FollowChanges(const TChangeSet& changes);

    TDocument& m_document;
    TProject& m_project;
    TEditorState& m_editor;
    uint32_t m_riffId = 0;
    int m_subscription = 0;
    bool m_storing = false; // the window's own step is running
    bool m_loading = false;
    // True while the window itself moves the sliders: the tuning is already in the riff, and
    // a pitch beyond the sliders' range must not be cut to it.
    bool m_updatingSliders = false;
    // Whether the user changed tempo or denominator since the last fill: a riff value the field
    // cannot show (a tempo beyond 20..1000, a denominator that is no power of two) is kept
    // until then.
    bool m_tempoEdited = false;
    bool m_barsBEdited = false;

    QLineEdit* m_riffName = nullptr;
    QButtonGroup* m_stringButtons = nullptr;
    // Slider of each string slot 0..6, bottom (sStringG) to top (sStringA).
    std::array<TKnobSlider*, StringSlots - 1> m_sliders{};
    QSpinBox* m_tempo = nullptr;
    QLineEdit* m_barsA = nullptr;
    TPowerOfTwoSpinBox* m_barsB = nullptr;
    QComboBox* m_key = nullptr;
};

} // namespace zel
