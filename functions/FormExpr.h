// Named formulas: multi-line texts whose lines are compiled one by one and
// run in order, with the line-program words "stop", "goto", "ifgoto" and
// "display", "//" comment lines, and the variable "#" (0 at the start of
// every formula evaluation).
//
// "goto", "ifgoto" and "stop" only yield their target line or stop marker as
// values: formula evaluation runs the formula's lines in order and never
// jumps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "functions/ParseExpr.h"

class TFormulaParser : public TExpressionParser {
public:
    TFormulaParser();
    ~TFormulaParser() override;

    // Compiles the text's lines (trimmed; blank and "//" lines skipped) as
    // the formula `name`, replacing a formula of that name (its lines are
    // freed) and answering the new formula's index. A text with no line to
    // compile removes the old formula and answers -1. A compile error raises
    // and leaves the formulas and expressions as they were.
    int32_t AddFormula(std::string_view name, std::string_view text);
    // Runs the formula's lines in order: the last line's value, 0 when there
    // is no such formula.
    float EvaluateFormula(std::string_view name);
    float EvaluateFormula(int32_t index);
    // Formula names compare ignoring ASCII case; -1 when absent.
    int32_t IndexOfFormula(std::string_view name) const;
    // Empty outside the list.
    std::string FormulaName(int32_t index) const;
    int32_t FormulaCount() const { return static_cast<int32_t>(formulas_.size()); }
    // Replaces `strings` by the texts of the formula's lines (empty when
    // there is no such formula).
    void GetFormulaLines(std::vector<std::string>& strings, std::string_view name) const;

    // Also forgets every formula.
    void ClearExpressions() override;

protected:
    void FillExpressList() override;

private:
    struct TFormula {
        std::string name;
        // k + 1 for a line compiled as expression k; -(k + 1) for a control
        // line ("goto(", "ifgoto(", "display(", "stop").
        std::vector<int32_t> entries;
    };
    // Frees the formula's lines and the formula; the other formulas' entries
    // (and `pending`, when given) follow the expressions that move down.
    void DropFormula(int32_t index, std::vector<int32_t>* pending);
    // Frees the expressions from `first` to the end.
    void DropExpressionsFrom(int32_t first);

    std::vector<TFormula> formulas_;
    float lineValue_ = 0;
};

// What "display" has written, each value followed by a line feed. Shared by
// every formula parser of the process and bounded: past 64 KiB the oldest
// text is dropped.
const std::string& DisplayText();
void ClearDisplayText();
