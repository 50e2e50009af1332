#include "SpellCheckDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ink {

namespace {

// The sentence as rich text with the misspelled word picked out in red.
QString highlightedSentence(const Misspelling& misspelling) {
    const QString& sentence = misspelling.sentence;
    const qsizetype start = misspelling.wordInSentence;
    const qsizetype length = misspelling.word.size();
    return sentence.left(start).toHtmlEscaped() + QStringLiteral("<b><font color=\"#c00000\">") +
           sentence.mid(start, length).toHtmlEscaped() + QStringLiteral("</font></b>") +
           sentence.mid(start + length).toHtmlEscaped();
}

} // namespace

SpellCheckDialog::SpellCheckDialog(const Misspelling& misspelling, QWidget* parent)
    : QDialog(parent), sentenceLabel_(new QLabel(this)), replacementEdit_(new QLineEdit(this)),
      suggestionList_(new QListWidget(this)), buttonColumn_(new QWidget(this)) {
    setObjectName(QStringLiteral("SpellCheckDialog"));
    setWindowTitle(tr("Spelling"));
    setModal(true);

    sentenceLabel_->setObjectName(QStringLiteral("sentenceLabel"));
    sentenceLabel_->setTextFormat(Qt::RichText);
    sentenceLabel_->setWordWrap(true);
    sentenceLabel_->setFrameShape(QFrame::StyledPanel);
    sentenceLabel_->setMinimumWidth(320);
    sentenceLabel_->setText(highlightedSentence(misspelling));

    replacementEdit_->setObjectName(QStringLiteral("replacementEdit"));
    replacementEdit_->setText(misspelling.suggestions.value(0, misspelling.word));

    suggestionList_->setObjectName(QStringLiteral("suggestionList"));
    suggestionList_->addItems(misspelling.suggestions);
    suggestionList_->setCurrentRow(0);
    connect(suggestionList_, &QListWidget::currentItemChanged, this,
            &SpellCheckDialog::takeSuggestion);
    connect(suggestionList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        takeSuggestion(item);
        finish(SpellAction::Replace);
    });

    auto* buttons = new QVBoxLayout(buttonColumn_);
    buttons->setContentsMargins(0, 0, 0, 0);
    addButton(tr("Replace"), QStringLiteral("replaceButton"), SpellAction::Replace)
        ->setDefault(true);
    addButton(tr("Replace All"), QStringLiteral("replaceAllButton"), SpellAction::ReplaceAll);
    addButton(tr("Ignore"), QStringLiteral("ignoreButton"), SpellAction::Ignore);
    addButton(tr("Ignore All"), QStringLiteral("ignoreAllButton"), SpellAction::IgnoreAll);
    addButton(tr("Add to Dictionary"), QStringLiteral("addButton"), SpellAction::AddToDictionary);
    addButton(tr("Cancel"), QStringLiteral("cancelButton"), SpellAction::Cancel);
    buttons->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Not in dictionary:"), this), 0, 0);
    grid->addWidget(sentenceLabel_, 1, 0);
    grid->addWidget(new QLabel(tr("Change to:"), this), 2, 0);
    grid->addWidget(replacementEdit_, 3, 0);
    grid->addWidget(new QLabel(tr("Suggestions:"), this), 4, 0);
    grid->addWidget(suggestionList_, 5, 0);
    grid->addWidget(buttonColumn_, 1, 1, 5, 1);
    grid->setRowStretch(5, 1);
}

void SpellCheckDialog::reject() {
    decision_ = {SpellAction::Cancel, {}};
    QDialog::reject();
}

QPushButton* SpellCheckDialog::addButton(const QString& text, const QString& name,
                                         SpellAction action) {
    auto* button = new QPushButton(text, buttonColumn_);
    button->setObjectName(name);
    button->setAutoDefault(false);
    buttonColumn_->layout()->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, action] { finish(action); });
    return button;
}

void SpellCheckDialog::finish(SpellAction action) {
    if (action == SpellAction::Cancel) {
        reject();
        return;
    }
    decision_ = {action, replacementEdit_->text()};
    accept();
}

void SpellCheckDialog::takeSuggestion(QListWidgetItem* item) {
    if (item)
        replacementEdit_->setText(item->text());
}

} // namespace ink
