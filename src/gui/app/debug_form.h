// The "Debug" window: diagnostic lines written with DebugAdd, each in its colour, with pause,
// clear, copy, find, a hex-to-text view of the selection, time stamps and a filter button for
// each colour.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/debug_log.h"

class QAction;
class QLineEdit;
class QToolBar;
class QToolButton;

namespace zel {

// True when `arguments` hold `name` as a whole argument, in any letter case.
bool HasSwitch(const QStringList& arguments, const QString& name);

// The selection read as hexadecimal numbers, each turned into a character: `Shown` is the
// message text (Windows-1252 bytes with a new-line code after every 16 characters), `Copied`
// the same characters for the clipboard, one line per 16.
struct THexAsAscii {
    std::string Shown;
    QString Copied;
};
THexAsAscii HexAsAscii(const QString& selection);

// A DebugAdd colour (0x00BBGGRR) as a Qt colour.
QColor DebugColour(uint32_t colour);

class TDebugForm : public QWidget, public TDebugSink {
    Q_OBJECT
public:
    static constexpr int ColourSlots = 16;
    // Slot 15 collects every colour after the first fifteen and has no button.
    static constexpr int FilterButtons = 15;
    static constexpr int DrainIntervalMs = 50;

    explicit TDebugForm(QWidget* parent = nullptr);
    ~TDebugForm() override;

    // Queues the line while the window shows and is not paused; the timer moves it into the
    // text a moment later.
    void DebugLine(std::string_view text, uint32_t colour) override;

    // Moves every queued line into the text now (what the timer does).
    void Drain();
    int PendingLines() const { return int(m_queue.size()); }
    QPlainTextEdit* LogView() const { return m_log; }
    uint16_t FilterMask() const { return m_mask; }
    std::optional<uint32_t> SlotColour(int slot) const { return m_slots.at(size_t(slot)); }

    // The toolbar's commands.
    void bClearClick();
    void bCopyClick();
    void bFindNextClick();
    void bFindPreviousClick();
    void bASCIIClick();

    // Sounds for a search that finds nothing; the system beep unless replaced.
    std::function<void()> Beep;

private:
    struct TEntry {
        uint32_t Colour = 0;
        QString Text;
    };

    QToolButton* AddButton(QToolBar* bar, QAction* action, const char* name, const QString& hint);
    int SlotOf(uint32_t colour);
    void Enqueue(uint32_t colour, QString text);
    // Selects the match starting at `start`; a miss (start < 0) beeps.
    void SelectMatch(qsizetype start);

    QPlainTextEdit* m_log = nullptr;
    QLineEdit* m_find = nullptr;
    QAction* m_pause = nullptr;
    QAction* m_timeStamps = nullptr;
    std::array<QToolButton*, FilterButtons> m_filters{};
    std::array<std::optional<uint32_t>, ColourSlots> m_slots{};
    uint16_t m_mask = 0xFFFF;
    std::vector<TEntry> m_queue;
    QTimer m_drainTimer;
};

} // namespace zel
