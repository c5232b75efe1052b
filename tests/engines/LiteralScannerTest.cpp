#include <gtest/gtest.h>
#include "LiteralScanner.h"
TEST(X, Y) { EXPECT_TRUE(true); }
