// The real dialogs behind "Connect to Shared Database" and "Refresh Row".
#include <gtest/gtest.h>
#include <QApplication>
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

// A failed "Test" says why in several long lines: the dialog grows to show
// all of it, and the four fields keep their height.
TEST(ServerLoginDialog, ALongAnswerFromTestKeepsTheFieldsAndShowsInFull) {
    const QString refusal =
        "No database server answers at db.example.org port 5432: connection to server at "
        "\"db.example.org\" (192.0.2.10), port 5432 failed: Connection refused\n\tIs the "
        "server running on that host and accepting TCP/IP connections?\nconnection to server "
        "at \"db.example.org\" (2001:db8::10), port 5432 failed: Network is unreachable\n\tIs "
        "the server running on that host and accepting TCP/IP connections?";
    QString answer = refusal;
    ink::ServerLoginDialog dialog(nullptr, {"db.example.org", 5432, "inkwright", "ann"},
                                  [&](const Dialogs::ServerLogin&) { return answer; });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const int before = dialog.height();
    QTest::mouseClick(dialog.testButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(dialog.testResult->text(), refusal);
    for (QWidget* field : std::initializer_list<QWidget*>{dialog.serverEdit, dialog.portEdit,
                                                          dialog.databaseEdit, dialog.userEdit})
        EXPECT_GE(field->height(), field->minimumSizeHint().height())
            << field->objectName().toStdString();
    QLabel* result = dialog.testResult;
    EXPECT_GE(result->height(), result->heightForWidth(result->width()));
    EXPECT_TRUE(dialog.rect().contains(QRect(result->mapTo(&dialog, QPoint()), result->size())));
    // The fields, the answer and the buttons stand one below the other.
    EXPECT_LE(dialog.userEdit->geometry().bottom(), result->geometry().top());
    EXPECT_LE(result->geometry().bottom(), dialog.testButton->mapTo(&dialog, QPoint()).y());

    // A short answer after it takes the room back.
    answer = "Connected.";
    QTest::mouseClick(dialog.testButton, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_LE(dialog.height(), before);
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
