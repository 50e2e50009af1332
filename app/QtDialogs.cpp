#include "QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "DocumentOptionsDialog.h"
#include "RowVersionDialog.h"
#include "ServerLoginDialog.h"

namespace ink {

namespace {
void messageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}
} // namespace

std::optional<QString> QtDialogs::openFile(const OpenFileRequest& request) {
    QFileDialog dialog(parent_, request.title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(request.filters);
    dialog.setSizeGripEnabled(true);
    if (!request.initialFile.isEmpty()) {
        QFileInfo previous(request.initialFile);
        dialog.setDirectory(previous.absolutePath());
        dialog.selectFile(previous.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtDialogs::inputBox(const QString& caption, const QString& prompt,
                                           const QString& initialText) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initialText);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        field->setMaxLength(255);
        field->selectAll();
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void QtDialogs::warning(const QString& text) {
    messageBox(parent_, QMessageBox::Warning, QStringLiteral("Warning"), text);
}

void QtDialogs::error(const QString& text) {
    messageBox(parent_, QMessageBox::Critical, QStringLiteral("Error"), text);
}

void QtDialogs::information(const QString& caption, const QString& text) {
    messageBox(parent_, QMessageBox::Information, caption, text);
}

void QtDialogs::generalError(const QString& text) {
    messageBox(parent_, QMessageBox::Critical, QStringLiteral("Inkwright"), text);
}

bool QtDialogs::confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

std::optional<Dialogs::ServerLogin>
QtDialogs::serverLogin(const ServerLogin& initial,
                       const std::function<QString(const ServerLogin&)>& test) {
    ServerLoginDialog dialog(parent_, initial, test);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.login();
}

std::optional<QString> QtDialogs::passwordBox(const QString& caption, const QString& prompt) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<Dialogs::RowVersion> QtDialogs::chooseRowVersion(const QString& theirs,
                                                               const QString& mine) {
    RowVersionDialog dialog(parent_, theirs, mine);
    dialog.exec();
    return dialog.choice();
}

std::optional<Dialogs::DocumentOptions>
QtDialogs::documentOptions(const QString& documentName, const DocumentOptions& initial,
                           const QStringList& configurations) {
    DocumentOptionsDialog dialog(parent_, documentName, initial, configurations);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.options();
}

} // namespace ink
