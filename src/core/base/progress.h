// The progress service of long operations: nested levels, each with a range and a position,
// a cancelled flag set from the window's close box, and the cadence at which the window is
// repainted and pending events run (at most every 251 ms). The window itself only draws
// what this holds; the clock and the event pump are supplied, so this is tested without one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zel {

// The progress display of a long operation (a render, an import).
class TProgress {
public:
    virtual ~TProgress() = default;
    virtual void Start(const std::string& caption, int range) = 0;
    virtual void Position(int value) = 0; // may let the window system run pending events
    virtual bool Cancelled() const = 0;
    virtual void Stop() = 0;
};

class TProgressService : public TProgress {
public:
    static constexpr int MaxLevels = 100;
    static constexpr int64_t EventIntervalMs = 251;
    // Steps of the moving indicator of a level whose range is 0.
    static constexpr int IndicatorSteps = 32;

    struct TLevel {
        std::string Caption;
        int Range = 0;
        int Value = 0;
    };

    // `nowMs`: a millisecond clock; `runEvents`: repaints the window and lets the window system
    // process pending events; `shown`: the window opens (true) or closes (false).
    TProgressService(std::function<int64_t()> nowMs, std::function<void()> runEvents,
                     std::function<void(bool)> shown = {});

    // A new level (up to 100); pending events run once.
    void Start(const std::string& caption, int range) override;
    // Sets the innermost level's value (a negative value advances it by one); runs pending
    // events when at least 251 ms have passed since they last ran.
    void Position(int value) override;
    bool Cancelled() const override { return m_cancelled; }
    // Ends the innermost level; the window closes with the outermost.
    void Stop() override;
    // The window's close box: the running operation sees the flag and stops.
    void Cancel() { m_cancelled = true; }

    const std::vector<TLevel>& Levels() const { return m_levels; }

private:
    std::function<int64_t()> m_nowMs;
    std::function<void()> m_runEvents;
    std::function<void(bool)> m_shown;
    std::vector<TLevel> m_levels;
    int64_t m_lastEvents = 0;
    bool m_cancelled = false;
};

} // namespace zel
