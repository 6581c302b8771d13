// Names for screen readers and UI automation, taken from what sighted users read: the hint of a
// tool button, the caption of its command, the label beside a field.
#pragma once

#include <QString>
#include <initializer_list>
#include <utility>

class QWidget;

namespace zel {

// The first line of a hint, without the spaces around it.
QString AccessibleNameFromHint(const QString& hint);
// A command's caption without its mnemonic marker and the dots of a command that asks for more
// ("&Print..." -> "Print", "Tom && Jerry" -> "Tom & Jerry").
QString AccessibleNameFromCaption(const QString& caption);

// Every tool button under `root` that has no accessible name gets the first line of its hint,
// or, without a hint, its command's caption.
void NameToolButtons(QWidget* root);

// Gives the children of `root` with these object names their accessible names; the text field
// inside a spin box gets the spin box's name too.
void SetAccessibleNames(QWidget* root,
                        std::initializer_list<std::pair<const char*, const char*>> names);

} // namespace zel
