#pragma once
#include <QDialog>

#include "components/Dialogs.h"

class QPlainTextEdit;
class QPushButton;

namespace ink {

// Another user's version of a row beside the user's own, and which to keep.
class RowVersionDialog : public QDialog {
    Q_OBJECT
public:
    RowVersionDialog(QWidget* parent, const QString& theirs, const QString& mine);
    // The version chosen; nothing when the dialog was closed without a choice.
    std::optional<Dialogs::RowVersion> choice() const { return choice_; }

    QPlainTextEdit* theirText;
    QPlainTextEdit* myText;
    QPushButton* keepTheirs;
    QPushButton* keepMine;

private:
    std::optional<Dialogs::RowVersion> choice_;
};

} // namespace ink
