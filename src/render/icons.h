// The program's own icons for the toolbar, menus and tabs, drawn as vector shapes so they are
// crisp at every scale (16 pixels at 1x, 32 at 2x).
#pragma once

#include <QIcon>
#include <QImage>

namespace zel {

enum class TToolIcon {
    New,
    Open,
    Save,
    Print,
    Cut,
    Copy,
    Paste,
    Delete,
    Undo,
    Redo,
    Note0,
    Note1,
    Note2,
    Note4,
    Note8,
    Note16,
    Note32,
    Note64,
    Dot,
    DotDot,
    Tie,
    Longer,
    Shorter,
    Sharp,
    Flat,
    StringUp,
    StringDown,
    StringReallocate,
    Midi,
    PlayRiff,
    PlayRiffAll,
    PlayAllRiffs,
    PlayScript,
    PlayScriptAll,
    PlayScriptIntro,
    Pause,
    Stop,
    Instruments,
    NotesText,
    RiffProperties,
    Riff,
    AddTab,
    Follow,
    Loop,
    Application,
};

// The icon at 16 and 32 pixels.
QIcon ToolIcon(TToolIcon icon);
// One picture of the icon, `size` pixels square, on a transparent background.
QImage ToolIconImage(TToolIcon icon, int size);

} // namespace zel
