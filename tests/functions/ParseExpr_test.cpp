#include <gtest/gtest.h>

#include "functions/ParseExpr.h"

TEST(Smoke, Basic) {
    TExpressionParser p;
    EXPECT_FLOAT_EQ(p.Evaluate("2+3*4"), 14);
}
