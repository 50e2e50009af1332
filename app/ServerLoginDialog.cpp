#include "ServerLoginDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ink {

ServerLoginDialog::ServerLoginDialog(QWidget* parent, const Dialogs::ServerLogin& initial,
                                     std::function<QString(const Dialogs::ServerLogin&)> test)
    : QDialog(parent), test_(std::move(test)) {
    setObjectName(QStringLiteral("ServerLoginDialog"));
    setWindowTitle(QStringLiteral("Connect to Shared Database"));

    auto field = [this](const QString& name, const QString& text) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        edit->setMaxLength(255);
        return edit;
    };
    serverEdit = field(QStringLiteral("serverEdit"), initial.server);
    serverEdit->setToolTip(QStringLiteral("Host name or address of the PostgreSQL server, or "
                                          "the folder of its Unix socket"));
    portEdit = new QSpinBox(this);
    portEdit->setObjectName(QStringLiteral("portEdit"));
    portEdit->setRange(1, 65535);
    portEdit->setValue(initial.port);
    databaseEdit = field(QStringLiteral("databaseEdit"), initial.database);
    userEdit = field(QStringLiteral("userEdit"), initial.user);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Server:"), serverEdit);
    form->addRow(QStringLiteral("&Port:"), portEdit);
    form->addRow(QStringLiteral("&Database:"), databaseEdit);
    form->addRow(QStringLiteral("&User:"), userEdit);

    testResult = new QLabel(this);
    testResult->setObjectName(QStringLiteral("testResult"));
    testResult->setWordWrap(true);
    testResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    testResult->setMinimumWidth(360);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    testButton = buttons->addButton(QStringLiteral("&Test"), QDialogButtonBox::ActionRole);
    testButton->setObjectName(QStringLiteral("testButton"));
    connect(testButton, &QPushButton::clicked, this, &ServerLoginDialog::runTest);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(testResult);
    layout->addWidget(buttons);
}

Dialogs::ServerLogin ServerLoginDialog::login() const {
    return {serverEdit->text(), portEdit->value(), databaseEdit->text(), userEdit->text()};
}

void ServerLoginDialog::runTest() {
    testResult->setText(QStringLiteral("Connecting..."));
    testResult->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    testResult->setText(test_(login()));
    fitToAnswer();
}

// A window's layout does not grow it for a label that wraps: left alone, a
// long answer takes its lines from the fields above it. The dialog takes the
// height the answer needs at its width, and gives it back for a short one.
void ServerLoginDialog::fitToAnswer() {
    layout()->activate();
    int needed = layout()->totalHeightForWidth(width());
    if (const QScreen* screen = this->screen())
        needed = qMin(needed, screen->availableGeometry().height() * 9 / 10);
    setMinimumHeight(needed);
    resize(width(), needed);
}

} // namespace ink
