#include "functions/FormExpr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Errors.h"

namespace {

TEST(FormulaParserTest, AddingFormulas) {
    TFormulaParser parser;
    EXPECT_EQ(parser.AddFormula("empty", "// nothing\n\n   \n"), -1);
    EXPECT_EQ(parser.FormulaCount(), 0);
    EXPECT_EQ(parser.IndexOfFormula("empty"), -1);

    EXPECT_EQ(parser.AddFormula("f", "1 + 1\n// skipped\n2 * 3"), 0);
    EXPECT_EQ(parser.AddFormula("g", "10"), 1);
    EXPECT_EQ(parser.IndexOfFormula("G"), 1);
    EXPECT_EQ(parser.FormulaName(0), "f");
    EXPECT_EQ(parser.FormulaName(2), "");
    EXPECT_EQ(parser.FormulaName(-1), "");

    std::vector<std::string> lines{"stale"};
    parser.GetFormulaLines(lines, "f");
    EXPECT_EQ(lines, (std::vector<std::string>{"1 + 1", "2 * 3"}));
    parser.GetFormulaLines(lines, "none");
    EXPECT_TRUE(lines.empty());

    // Replacing "f" frees its old lines; "g" keeps its own.
    EXPECT_EQ(parser.AddFormula("F", "7"), 1);
    EXPECT_EQ(parser.GetExpressionCount(), 2);
    EXPECT_EQ(parser.EvaluateFormula("g"), 10);
    EXPECT_EQ(parser.EvaluateFormula("f"), 7);
    parser.GetFormulaLines(lines, "g");
    EXPECT_EQ(lines, (std::vector<std::string>{"10"}));
    // A text with nothing to compile removes the old formula.
    EXPECT_EQ(parser.AddFormula("g", "// gone"), -1);
    EXPECT_EQ(parser.IndexOfFormula("g"), -1);
    EXPECT_EQ(parser.EvaluateFormula("f"), 7);
}

TEST(FormulaParserTest, ControlWords) {
    struct Case {
        const char* text;
        float value;
    };
    const Case cases[] = {
        {"ifgoto(-1, 10, 20, 30)", 10},
        {"ifgoto(0, 10, 20, 30)", 20},
        {"ifgoto(5, 10, 20, 30)", 30},
        {"goto(3.7)", 3},
        {"goto(-3.7)", -3},
        {"stop", 999999},
        {"display(2.5)", 0},
    };
    for (const Case& c : cases) {
        TFormulaParser parser;
        ASSERT_EQ(parser.AddFormula("f", c.text), 0) << c.text;
        EXPECT_EQ(parser.EvaluateFormula("f"), c.value) << c.text;
    }
}

TEST(FormulaParserTest, IfGotoKeepsItsResultForNaN) {
    TFormulaParser parser;
    float v = -1;
    parser.DefineVariable("v", &v);
    parser.AddFormula("f", "ifgoto(v, 10, 20, 30)");
    EXPECT_EQ(parser.EvaluateFormula("f"), 10);
    v = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(parser.EvaluateFormula("f"), 10);
    v = 1;
    EXPECT_EQ(parser.EvaluateFormula("f"), 30);
    v = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(parser.EvaluateFormula("f"), 30);
}

TEST(FormulaParserTest, DisplayWritesAtEveryEvaluationAndStaysBounded) {
    ClearDisplayText();
    TFormulaParser parser;
    float v = 2.5f;
    parser.DefineVariable("v", &v);
    parser.AddFormula("f", "display(v)\ndisplay(0.1)");
    EXPECT_EQ(DisplayText(), "");
    parser.EvaluateFormula("f");
    v = -3;
    parser.EvaluateFormula("f");
    EXPECT_EQ(DisplayText(), "2.5\n0.1\n-3\n0.1\n");

    for (int i = 0; i < 20000; ++i) parser.EvaluateFormula(0);
    EXPECT_LE(DisplayText().size(), 64u * 1024u);
    EXPECT_EQ(DisplayText().substr(DisplayText().size() - 7), "-3\n0.1\n");
    ClearDisplayText();
    EXPECT_EQ(DisplayText(), "");
}

TEST(FormulaParserTest, LineValueStartsAtZeroAndCanBeAssigned) {
    TFormulaParser parser;
    float seen = -1;
    parser.DefineVariable("seen", &seen);
    parser.AddFormula("f", "seen := #\n# := # + 5\n# * 2");
    EXPECT_EQ(parser.EvaluateFormula("f"), 10);
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(parser.EvaluateFormula("f"), 10);
    EXPECT_EQ(seen, 0);
}

TEST(FormulaParserTest, AFormulaRunsOnlyItsOwnLines) {
    TFormulaParser parser;
    float x = 0, y = 0;
    parser.DefineVariable("x", &x);
    parser.DefineVariable("y", &y);
    parser.AddFormula("f", "x := x + 1");
    parser.AddFormula("g", "y := y + 1\ny * 10");
    parser.AddFormula("f", "x := x + 100");  // replaces the first "f"
    EXPECT_EQ(parser.EvaluateFormula("f"), 100);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(parser.EvaluateFormula("g"), 10);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 1);
    // The replaced lines are gone from the parser too.
    EXPECT_EQ(parser.GetExpressionCount(), 3);
    parser.Execute();
    EXPECT_EQ(x, 200);
    EXPECT_EQ(parser.EvaluateFormula("nothing"), 0);
    EXPECT_EQ(parser.EvaluateFormula(5), 0);
}

TEST(FormulaParserTest, ACompileErrorLeavesTheFormulasAsTheyWere) {
    TFormulaParser parser;
    float x = 0;
    parser.DefineVariable("x", &x);
    parser.AddFormula("f", "x := x + 1");
    EXPECT_EQ(ErrorOf<EParserException>([&] { parser.AddFormula("f", "x := 5\nx y"); }),
              "Error in math expression: x two space limited variables/constants");
    EXPECT_EQ(parser.GetExpressionCount(), 1);
    EXPECT_EQ(parser.FormulaCount(), 1);
    EXPECT_EQ(parser.EvaluateFormula("f"), 1);

    parser.ClearExpressions();
    EXPECT_EQ(parser.FormulaCount(), 0);
    EXPECT_EQ(parser.EvaluateFormula("f"), 0);
}

}  // namespace
