#include "DocumentOptionsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ink {

namespace {
const QString everyBranch = QStringLiteral("(none: read every branch)");
}

DocumentOptionsDialog::DocumentOptionsDialog(QWidget* parent, const QString& documentName,
                                             const Dialogs::DocumentOptions& initial,
                                             const QStringList& configurations)
    : QDialog(parent) {
    setObjectName(QStringLiteral("DocumentOptionsDialog"));
    setWindowTitle(QStringLiteral("Document Options"));
    auto* form = new QFormLayout;
    form->addRow(new QLabel(QStringLiteral("Options of %1").arg(documentName), this));

    configurationBox = new QComboBox(this);
    configurationBox->setObjectName(QStringLiteral("configurationBox"));
    configurationBox->setEditable(true);
    configurationBox->addItem(everyBranch);
    configurationBox->addItems(configurations);
    configurationBox->lineEdit()->setMaxLength(100); // the width of DocsLib.Configuration
    configurationBox->setCurrentText(initial.configuration.isEmpty() ? everyBranch
                                                                     : initial.configuration);
    auto* label = new QLabel(QStringLiteral("&Configuration:"), this);
    label->setBuddy(configurationBox);
    form->addRow(label, configurationBox);
    auto* note = new QLabel(
        QStringLiteral("Conditional code is read as this configuration compiles it: its "
                       "defines, the compiler's own and the target's. Without one, every "
                       "branch is read and the first of two declarations kept. A change "
                       "reads the whole document again."),
        this);
    note->setWordWrap(true);
    form->addRow(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setLayout(form);
}

Dialogs::DocumentOptions DocumentOptionsDialog::options() const {
    const QString text = configurationBox->currentText().trimmed();
    return {text == everyBranch ? QString() : text};
}

} // namespace ink
