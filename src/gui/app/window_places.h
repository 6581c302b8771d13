// Window places kept in the settings: the outer corner of a window's frame and the size of its
// inside, saved and restored as the same quantities (QWidget::pos and QWidget::size), so that a
// window opens exactly where it was left, with its title bar on the screen.
#pragma once

#include <QRect>
#include <string_view>

#include "app/settings.h"

class QWidget;

namespace zel {

// All screens together.
QRect VirtualScreen();

// Places `window` as the settings say; call it before the window first shows. Only then can the
// window manager be told that the position is the frame's corner: once the native window exists
// and before the window manager has framed it, the frame is unknown and a position would be
// taken for the inside's, one title bar lower. The size is applied when the window shows, when
// its layout knows its least size. A window without a saved place is left to the window
// manager, or, with an `owner`, opens beside the owner the first time it shows.
void RestoreWindowPlace(TSettingsStore& store, QWidget& window, std::string_view name,
                        bool sizeable, QWidget* owner = nullptr);
// Saves the place of a window that has shown during the run and is in its normal state (or,
// closed by now, the place it last showed at); the
// place of any other window stays as it was saved.
void SaveWindowPlace(TSettingsStore& store, const QWidget& window, std::string_view name);

} // namespace zel
