// The one-line text question (a name for an instrument, ...): a dialog wide enough to show its
// whole title in the title bar and a field that shows the text without scrolling.
#pragma once

#include <QInputDialog>
#include <optional>

namespace zel {

// The dialog, not shown yet.
QInputDialog* MakeTextDialog(QWidget* parent, const QString& title, const QString& label,
                             const QString& text);
// Asks and waits; nothing when cancelled.
std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& label,
                               const QString& text);

} // namespace zel
