#pragma once
#include "SpellDecider.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace ink {

// Asks what to do about one misspelled word: shows it in its sentence with
// the dictionary's suggestions and lets the user replace, ignore, add it to
// the dictionary or cancel the check. Closing the dialog cancels.
class SpellCheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit SpellCheckDialog(const Misspelling& misspelling, QWidget* parent = nullptr);

    // The user's answer once the dialog has closed.
    SpellDecision decision() const { return decision_; }

    void reject() override;

private:
    QPushButton* addButton(const QString& text, const QString& name, SpellAction action);
    void finish(SpellAction action);
    void takeSuggestion(QListWidgetItem* item);

    QLabel* sentenceLabel_;
    QLineEdit* replacementEdit_;
    QListWidget* suggestionList_;
    QWidget* buttonColumn_;
    SpellDecision decision_;
};

} // namespace ink
