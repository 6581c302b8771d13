#include "text_dialog.h"

#include <QApplication>
#include <QLayout>
#include <QLineEdit>
#include <algorithm>
#include <memory>

namespace zel {
namespace {

// Room a title bar keeps for its icon and buttons beside the title.
constexpr int TitleBarExtras = 140;
// The field shows at least this many average characters.
constexpr int FieldCharacters = 32;

} // namespace

QInputDialog* MakeTextDialog(QWidget* parent, const QString& title, const QString& label,
                             const QString& text) {
    auto* dialog = new QInputDialog(parent);
    dialog->setWindowTitle(title);
    dialog->setLabelText(label);
    dialog->setTextValue(text);
    // Window managers draw the title in a bold face of about the program's font.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    int titleWidth = QFontMetrics(titleFont).horizontalAdvance(title) + TitleBarExtras;
    QFontMetrics metrics(dialog->font());
    int fieldWidth = std::max(metrics.averageCharWidth() * FieldCharacters,
                              metrics.horizontalAdvance(text) + 4 * metrics.averageCharWidth());
    // The dialog's size follows its layout, which it makes when first asked for its size; the
    // field is made wide enough for both.
    dialog->sizeHint();
    if (auto* field = dialog->findChild<QLineEdit*>()) {
        int margins = dialog->layout() ? dialog->layout()->contentsMargins().left() +
                                             dialog->layout()->contentsMargins().right()
                                       : 0;
        field->setMinimumWidth(std::max(fieldWidth, titleWidth - margins));
    }
    return dialog;
}

std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& label,
                               const QString& text) {
    std::unique_ptr<QInputDialog> dialog(MakeTextDialog(parent, title, label, text));
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog->textValue();
}

} // namespace zel
