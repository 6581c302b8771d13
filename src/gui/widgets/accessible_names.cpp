#include "widgets/accessible_names.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

namespace zel {

QString AccessibleNameFromHint(const QString& hint) {
    return hint.section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString AccessibleNameFromCaption(const QString& caption) {
    QString name;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&'))
                name += caption[++i];
            continue;
        }
        name += caption[i];
    }
    name = name.trimmed();
    if (name.endsWith(QStringLiteral("...")))
        name.chop(3);
    return name.trimmed();
}

void NameToolButtons(QWidget* root) {
    for (QToolButton* button : root->findChildren<QToolButton*>()) {
        if (!button->accessibleName().isEmpty())
            continue;
        QString name = AccessibleNameFromHint(button->toolTip());
        if (name.isEmpty() && button->defaultAction())
            name = AccessibleNameFromCaption(button->defaultAction()->text());
        // The toolbar's own button for the commands that do not fit.
        if (name.isEmpty() && button->objectName() == QStringLiteral("qt_toolbar_ext_button"))
            name = QStringLiteral("More commands");
        if (!name.isEmpty())
            button->setAccessibleName(name);
    }
}

void SetAccessibleNames(QWidget* root,
                        std::initializer_list<std::pair<const char*, const char*>> names) {
    for (const auto& [objectName, name] : names) {
        QWidget* widget = root->findChild<QWidget*>(QString::fromLatin1(objectName));
        if (!widget)
            continue;
        widget->setAccessibleName(QString::fromLatin1(name));
        if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(widget))
            if (auto* field = spinBox->findChild<QLineEdit*>())
                field->setAccessibleName(QString::fromLatin1(name));
    }
}

} // namespace zel
