#include <gtest/gtest.h>

#include "store/DisplayFormat.h"
#include "store/FieldText.h"
#include "support/StoreFixture.h"

using namespace ink;

TEST(DisplayFormat, SizesAreGroupedWithTheLocaleSeparator) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(formatNumber(1536, "#,0 KB", english), "1,536 KB");
    EXPECT_EQ(formatNumber(1536, "#,0 KB", german), "1.536 KB");
    EXPECT_EQ(formatNumber(0, "#,0 KB", english), "0 KB");
    EXPECT_EQ(formatNumber(1234567, "#,0 KB", english), "1,234,567 KB");
    EXPECT_EQ(formatNumber(1536, "0", english), "1536");
    // The C locale, too, groups when the format asks for it.
    EXPECT_EQ(formatNumber(1536, "#,0 KB", QLocale::c()), "1,536 KB");
}

TEST(DisplayFormat, DatesLeaveOutMidnightAndTheTimeZone) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDate day(2024, 3, 9);
    const QString date = english.toString(day, QLocale::ShortFormat);
    EXPECT_EQ(formatDateTime(QDateTime(day, QTime(0, 0)), english), date);
    const QString shown = formatDateTime(QDateTime(day, QTime(14, 5, 7)), english);
    EXPECT_TRUE(shown.startsWith(date + " ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("2:05:07")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("PM")) << shown.toStdString();
}

TEST_F(StoreFixture, GridTextOfSizeAndDate) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    addDoc("A");
    EXPECT_EQ(dm->tblDocsDocSize->displayText(), "");
    dm->tblDocs->edit();
    dm->tblDocsDocSize->setValue(1536);
    dm->tblDocsDocDate->setValue(QDateTime(QDate(2024, 3, 9), QTime(0, 0)));
    dm->tblDocs->post();
    EXPECT_EQ(dm->tblDocsDocSize->displayText(), "1,536 KB");
    EXPECT_EQ(dm->tblDocsDocSize->displayTextOf(0), "0 KB");
    EXPECT_EQ(dm->tblDocsDocSize->asString(), "1536");
    EXPECT_EQ(dm->tblDocsDocDate->displayText(), "3/9/24");
    EXPECT_EQ(dm->tblDocsisVerInfo->displayText(), "");
    QLocale::setDefault(saved);
}

TEST(FieldText, CutsCountCharactersNotUnits) {
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // two UTF-16 units
    EXPECT_EQ(cutToWidth("abcdef", 3), "abc");
    EXPECT_EQ(cutToWidth("abc", 3), "abc");
    EXPECT_EQ(cutToWidth("ab" + clef + "cd", 3), "ab" + clef);
    EXPECT_EQ(cutToWidth(clef + clef + clef, 2), clef + clef);
}

TEST(FieldText, MemoLineBreaksBothWays) {
    EXPECT_EQ(withStoredLineBreaks("a\nb\rc\r\nd\n\ne"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(withStoredLineBreaks("a\r\n"), "a\r\n");
    EXPECT_EQ(withEditorLineBreaks("a\r\nb\rc\nd"), "a\nb\nc\nd");
}
