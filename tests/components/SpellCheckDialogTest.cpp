#include "components/SpellCheckDialog.h"

#include "support/PrintQt.h"
#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace ink;

// The dialog is never run modally here: its buttons are pressed while it is
// merely constructed, which is enough to see what they answer.
namespace {

Misspelling sample() {
    return {"recieve", "We <never> recieve mail.", 11, {"receive", "relieve"}};
}

template <typename T> T* child(const QDialog& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

} // namespace

TEST(SpellCheckDialog, ShowsWordInSentenceAndOffersTheBestSuggestion) {
    SpellCheckDialog dialog(sample());
    const QString shown = child<QLabel>(dialog, "sentenceLabel")->text();
    EXPECT_TRUE(shown.contains("&lt;never&gt;"));
    EXPECT_TRUE(shown.contains(QRegularExpression("<font[^>]*>recieve</font>")));
    EXPECT_EQ(child<QLineEdit>(dialog, "replacementEdit")->text(), "receive");
    EXPECT_EQ(child<QListWidget>(dialog, "suggestionList")->count(), 2);
}

TEST(SpellCheckDialog, ButtonsAnswerWithTheChosenReplacement) {
    SpellCheckDialog dialog(sample());
    child<QListWidget>(dialog, "suggestionList")->setCurrentRow(1);
    QTest::mouseClick(child<QPushButton>(dialog, "replaceAllButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.decision().action, SpellAction::ReplaceAll);
    EXPECT_EQ(dialog.decision().replacement, "relieve");

    SpellCheckDialog adding(sample());
    QTest::mouseClick(child<QPushButton>(adding, "addButton"), Qt::LeftButton);
    EXPECT_EQ(adding.decision().action, SpellAction::AddToDictionary);
}

TEST(SpellCheckDialog, ClosingTheDialogCancels) {
    SpellCheckDialog dialog(sample());
    QTest::mouseClick(child<QPushButton>(dialog, "ignoreButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.decision().action, SpellAction::Ignore);
    dialog.reject();
    EXPECT_EQ(dialog.decision().action, SpellAction::Cancel);
}

TEST(SpellCheckDialog, WithoutSuggestionsTheWordItselfIsOffered) {
    SpellCheckDialog dialog({"Zyxw", "Zyxw.", 0, {}});
    EXPECT_EQ(child<QLineEdit>(dialog, "replacementEdit")->text(), "Zyxw");
}
