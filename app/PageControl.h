#pragma once
#include <QTabBar>
#include <QTabWidget>

namespace ink {

// The window's pages. Their tab bar tells a screen reader that the current
// page's tab has the focus only while the tab bar really has it; Qt's own
// tab bar says so always, so that two objects claimed the focus at once.
class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent);
};

// The tab bar of PageControl, a class of its own so that its accessible
// interface can be chosen by the class name.
class PageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit PageTabBar(QWidget* parent) : QTabBar(parent) {}
};

} // namespace ink
