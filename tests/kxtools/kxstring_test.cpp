#include <kxtools/inc/kxstring.h>

#include <gtest/gtest.h>

TEST(KxStringSmoke, Builds) { EXPECT_EQ(KxString("abc").length(), 3); }
