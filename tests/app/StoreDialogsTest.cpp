// The real dialogs behind "Connect to Shared Database" and "Refresh Row".
#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/RowVersionDialog.h"
#include "app/ServerLoginDialog.h"

using ink::Dialogs;

TEST(ServerLoginDialog, TestRunsOnWhatIsTypedAndShowsWhatItSays) {
    QList<Dialogs::ServerLogin> tried;
    ink::ServerLoginDialog dialog(nullptr, {"localhost", 5432, "inkwright", "ann"},
                                  [&](const Dialogs::ServerLogin& login) {
                                      tried.append(login);
                                      return QStringLiteral("No database server answers.");
                                  });
    EXPECT_EQ(dialog.portEdit->value(), 5432);
    dialog.serverEdit->setText("db.example");
    dialog.portEdit->setValue(6543);
    dialog.userEdit->setText("bob");
    QTest::mouseClick(dialog.testButton, Qt::LeftButton);
    ASSERT_EQ(tried.size(), 1);
    EXPECT_EQ(tried[0].server, "db.example");
    EXPECT_EQ(tried[0].port, 6543);
    EXPECT_EQ(tried[0].database, "inkwright");
    EXPECT_EQ(tried[0].user, "bob");
    EXPECT_EQ(dialog.testResult->text(), "No database server answers.");
    EXPECT_EQ(dialog.login().server, "db.example");
}

TEST(RowVersionDialog, ShowsBothVersionsAndReturnsTheOneKept) {
    for (bool mine : {true, false}) {
        ink::RowVersionDialog dialog(nullptr, "Description:\ntheirs", "Description:\nmine");
        EXPECT_EQ(dialog.theirText->toPlainText(), "Description:\ntheirs");
        EXPECT_EQ(dialog.myText->toPlainText(), "Description:\nmine");
        EXPECT_TRUE(dialog.theirText->isReadOnly());
        dialog.show();
        QTest::mouseClick(mine ? dialog.keepMine : dialog.keepTheirs, Qt::LeftButton);
        ASSERT_TRUE(dialog.choice().has_value());
        EXPECT_EQ(*dialog.choice(), mine ? Dialogs::RowVersion::Mine : Dialogs::RowVersion::Theirs);
    }
    ink::RowVersionDialog closed(nullptr, "a", "b");
    closed.reject();
    EXPECT_FALSE(closed.choice().has_value());
}
