#include "PageControl.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace ink {

namespace {

// One tab: a page's name, selected when its page is in sight, focused when
// it is and the tab bar has the keyboard focus.
class PageTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PageTabAccessible(QTabBar* bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return bar_ && index_ < bar_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        QAccessibleInterface* bar = parent();
        return bar ? bar->window() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(bar_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    int index() const { return index_; }

    QString text(QAccessible::Text kind) const override {
        if (!isValid())
            return {};
        switch (kind) {
        case QAccessible::Name: {
            const QString name = bar_->accessibleTabName(index_);
            return name.isEmpty() ? withoutAccessKey(bar_->tabText(index_)) : name;
        }
        case QAccessible::Description:
            return bar_->tabToolTip(index_);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect tab = bar_->tabRect(index_);
        return QRect(bar_->mapToGlobal(tab.topLeft()), tab.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const bool current = bar_->currentIndex() == index_;
        state.selectable = state.focusable = true;
        state.selected = current;
        state.focused = current && bar_->hasFocus();
        state.disabled = !bar_->isTabEnabled(index_);
        state.invisible = !bar_->isVisible() || !bar_->isTabVisible(index_);
        state.offscreen = !bar_->rect().intersects(bar_->tabRect(index_));
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction())
            bar_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    static QString withoutAccessKey(QString text) {
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < text.size())
            text.remove(amp, 1);
        return text;
    }

    QPointer<QTabBar> bar_;
    int index_;
};

// The tab list: its children are the tabs, made when first asked for and
// kept in the accessibility cache until the tab bar goes.
class PageTabBarAccessible : public QAccessibleWidget {
public:
    explicit PageTabBarAccessible(QTabBar* bar)
        : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~PageTabBarAccessible() override {
        for (QAccessible::Id id : std::as_const(tabs_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= bar()->count())
            return nullptr;
        if (const auto known = tabs_.constFind(index); known != tabs_.cend())
            return QAccessible::accessibleInterface(*known);
        auto* tab = new PageTabAccessible(bar(), index);
        tabs_.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::PageTab || child->parent() != this)
            return -1;
        return static_cast<const PageTabAccessible*>(child)->index();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const int index = bar()->tabAt(bar()->mapFromGlobal(QPoint(x, y)));
        return index >= 0 ? child(index) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        return bar()->hasFocus() ? child(bar()->currentIndex()) : nullptr;
    }

private:
    QTabBar* bar() const { return static_cast<QTabBar*>(widget()); }

    mutable QHash<int, QAccessible::Id> tabs_;
};

QAccessibleInterface* pageTabBarInterface(const QString& className, QObject* object) {
    if (className == QLatin1String(PageTabBar::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new PageTabBarAccessible(static_cast<QTabBar*>(object));
    return nullptr;
}

} // namespace

PageControl::PageControl(QWidget* parent) : QTabWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(pageTabBarInterface);
        return true;
    }();
    Q_UNUSED(installed);
    setTabBar(new PageTabBar(this));
}

} // namespace ink
