#include "DocumentOptionsDialog.h"

#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/ReportVisibility.h"

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

    // What the preview, print, PDF and both HTML outputs of the document show.
    auto* reports = new QGroupBox(QStringLiteral("Reports show"), this);
    reports->setObjectName(QStringLiteral("reportsGroup"));
    auto* reportsLayout = new QVBoxLayout(reports);
    auto* members = new QHBoxLayout;
    members->addWidget(new QLabel(QStringLiteral("Members:"), reports));
    const QStringList captions{QStringLiteral("P&ublic"), QStringLiteral("Pu&blished"),
                               QStringLiteral("P&rotected"), QStringLiteral("Pri&vate")};
    for (int i = 0; i < captions.size(); ++i) {
        const QString word = ReportVisibilityWords().value(i);
        auto* box = new QCheckBox(captions[i], reports);
        box->setObjectName(word + QStringLiteral("Box"));
        box->setAccessibleName(QStringLiteral("Show %1 members").arg(word));
        box->setChecked(initial.visibilities.contains(word, Qt::CaseInsensitive));
        visibilityBoxes.append(box);
        members->addWidget(box);
    }
    members->addStretch();
    reportsLayout->addLayout(members);
    eventHandlersBox =
        new QCheckBox(QStringLiteral("List the &event handlers of form units"), reports);
    eventHandlersBox->setObjectName(QStringLiteral("eventHandlersBox"));
    eventHandlersBox->setChecked(initial.eventHandlers);
    reportsLayout->addWidget(eventHandlersBox);
    auto* reportsNote = new QLabel(
        QStringLiteral("Protected and private take their strict forms along. Declarations at "
                       "unit level are always shown. An event handler is a published method "
                       "of a form's class whose first parameter is Sender: TObject."),
        reports);
    reportsNote->setWordWrap(true);
    reportsLayout->addWidget(reportsNote);
    form->addRow(reports);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton = buttons->button(QDialogButtonBox::Ok);
    okButton->setText(QStringLiteral("OK"));
    const auto requireOne = [this] {
        okButton->setEnabled(std::any_of(visibilityBoxes.cbegin(), visibilityBoxes.cend(),
                                         [](const QCheckBox* box) { return box->isChecked(); }));
    };
    for (QCheckBox* box : std::as_const(visibilityBoxes))
        connect(box, &QCheckBox::toggled, this, requireOne);
    requireOne();
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setLayout(form);
}

Dialogs::DocumentOptions DocumentOptionsDialog::options() const {
    const QString text = configurationBox->currentText().trimmed();
    QStringList visibilities;
    for (int i = 0; i < visibilityBoxes.size(); ++i)
        if (visibilityBoxes[i]->isChecked())
            visibilities.append(ReportVisibilityWords().value(i));
    return {text == everyBranch ? QString() : text, visibilities, eventHandlersBox->isChecked()};
}

} // namespace ink
