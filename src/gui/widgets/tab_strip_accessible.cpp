#include "tab_strip_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <map>

#include "tabcontrolsmart.h"

namespace zel {
namespace {

// One tab, by its place in the strip: it always tells what the tab at that place shows now.
class TTabAccessible : public QAccessibleInterface {
public:
    TTabAccessible(TTabControlSmart* strip, int index) : m_strip(strip), m_index(index) {}

    int Index() const { return m_index; }
    bool isValid() const override { return m_strip && m_index < m_strip->TabCount(); }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return m_strip ? QAccessible::queryAccessibleInterface(m_strip.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override {
        return isValid() && kind == QAccessible::Name ? m_strip->TabName(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        QRect tab = m_strip->TabRect(m_index);
        return QRect(m_strip->mapToGlobal(tab.topLeft()), tab.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.selectable = true;
        state.focusable = true;
        state.invisible = !isValid() || !m_strip->isVisible();
        state.selected = isValid() && m_strip->SelectedIndex() == m_index;
        state.focused = state.selected && m_strip->hasFocus();
        return state;
    }

private:
    QPointer<TTabControlSmart> m_strip;
    int m_index;
};

class TTabStripAccessible : public QAccessibleWidget {
public:
    explicit TTabStripAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::PageTabList) {}
    ~TTabStripAccessible() override {
        for (auto& [index, id] : m_tabs)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return Strip()->TabCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto known = m_tabs.find(index);
        if (known != m_tabs.end())
            return QAccessible::accessibleInterface(known->second);
        auto* tab = new TTabAccessible(Strip(), index);
        m_tabs[index] = QAccessible::registerAccessibleInterface(tab);
        return tab;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::PageTab || child->parent() != this)
            return -1;
        int index = static_cast<const TTabAccessible*>(child)->Index();
        return index < childCount() ? index : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(Strip()->TabAt(Strip()->mapFromGlobal(QPoint(x, y))));
    }

private:
    TTabControlSmart* Strip() const { return static_cast<TTabControlSmart*>(widget()); }
    mutable std::map<int, QAccessible::Id> m_tabs;
};

QAccessibleInterface* TabStripFactory(const QString& className, QObject* object) {
    if (auto* strip = qobject_cast<TTabControlSmart*>(object);
        strip && className == QLatin1String(TTabControlSmart::staticMetaObject.className()))
        return new TTabStripAccessible(strip);
    return nullptr;
}

} // namespace

void InstallTabStripAccessibility() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(TabStripFactory);
    installed = true;
}

} // namespace zel
