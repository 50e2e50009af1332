#include "RowVersionDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ink {

RowVersionDialog::RowVersionDialog(QWidget* parent, const QString& theirs, const QString& mine)
    : QDialog(parent) {
    setObjectName(QStringLiteral("RowVersionDialog"));
    setWindowTitle(QStringLiteral("Refresh Row"));

    auto version = [this](const QString& name, const QString& text) {
        auto* edit = new QPlainTextEdit(text, this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        edit->setMinimumSize(260, 160);
        return edit;
    };
    theirText = version(QStringLiteral("theirText"), theirs);
    myText = version(QStringLiteral("myText"), mine);

    auto* intro = new QLabel(
        QStringLiteral("Another user changed this row since you opened it. Keep their version, "
                       "or store yours over it."),
        this);
    intro->setWordWrap(true);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Their version (stored now):"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Your version (not stored yet):"), this), 0, 1);
    grid->addWidget(theirText, 1, 0);
    grid->addWidget(myText, 1, 1);

    auto* buttons = new QDialogButtonBox(this);
    keepTheirs = buttons->addButton(QStringLiteral("Keep &Theirs"), QDialogButtonBox::RejectRole);
    keepTheirs->setObjectName(QStringLiteral("keepTheirs"));
    keepMine = buttons->addButton(QStringLiteral("Keep &Mine"), QDialogButtonBox::AcceptRole);
    keepMine->setObjectName(QStringLiteral("keepMine"));
    auto* later = buttons->addButton(QStringLiteral("Decide Later"), QDialogButtonBox::ResetRole);
    later->setObjectName(QStringLiteral("decideLater"));
    connect(keepTheirs, &QPushButton::clicked, this, [this] {
        choice_ = Dialogs::RowVersion::Theirs;
        accept();
    });
    connect(keepMine, &QPushButton::clicked, this, [this] {
        choice_ = Dialogs::RowVersion::Mine;
        accept();
    });
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    keepMine->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

} // namespace ink
