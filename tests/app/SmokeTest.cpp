#include <QApplication>
#include <gtest/gtest.h>

TEST(Smoke, ApplicationRunsWithoutDisplay) {
    EXPECT_NE(QApplication::instance(), nullptr);
}
