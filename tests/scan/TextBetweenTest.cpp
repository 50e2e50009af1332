#include "scan/TextBetween.h"
#include "support/PrintQt.h"

#include <gtest/gtest.h>

using namespace ink;

TEST(TextBetween, TakesTheTextBetweenTheFirstStartAndTheNextEnd) {
    EXPECT_EQ(TextBetween("a(b)c", "(", ")"), "b");
    EXPECT_EQ(TextBetween("a(b)c(d)", "(", ")"), "b");
    EXPECT_EQ(TextBetween("a()c", "(", ")"), "");
    EXPECT_EQ(TextBetween("x ( y", " ", " "), "{STDCALL}");
}

TEST(TextBetween, IsEmptyWhenADelimiterIsMissing) {
    EXPECT_EQ(TextBetween("abc", "(", ")"), "");
    EXPECT_EQ(TextBetween("a(bc", "(", ")"), "");
    EXPECT_EQ(TextBetween("a)b(c", "(", ")"), ""); // the end must follow the start
}
