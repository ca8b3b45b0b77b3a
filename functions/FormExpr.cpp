#include "functions/FormExpr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/base/AsciiText.h"

using namespace expr;

namespace {

constexpr size_t kMaxDisplayText = 64 * 1024;

std::string& Display() {
    static std::string text;
    return text;
}

void FuncStop(TExprRec& rec) {
    rec.Res = 999999;
}

void FuncGoto(TExprRec& rec) {
    rec.Res = std::trunc(*rec.Args[0]);
}

void FuncIfGoto(TExprRec& rec) {
    const float test = *rec.Args[0];
    if (test < 0) {
        rec.Res = *rec.Args[1];
    } else if (test == 0) {
        rec.Res = *rec.Args[2];
    } else if (test > 0) {
        rec.Res = *rec.Args[3];
    }
    // NaN: the result stays what it was.
}

void FuncDisplay(TExprRec& rec) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, *rec.Args[0]);
    std::string& text = Display();
    const size_t added = static_cast<size_t>(result.ptr - buffer) + 1;
    if (text.size() + added > kMaxDisplayText) {
        text.erase(0, std::min(text.size(), text.size() + added - kMaxDisplayText));
    }
    text.append(buffer, result.ptr);
    text += '\n';
    rec.Res = 0;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsControlLine(std::string_view line) {
    return StartsWithIgnoringCase(line, "goto(") || StartsWithIgnoringCase(line, "ifgoto(") ||
           StartsWithIgnoringCase(line, "display(") || StartsWithIgnoringCase(line, "stop");
}

}  // namespace

const std::string& DisplayText() {
    return Display();
}

void ClearDisplayText() {
    Display().clear();
}

TFormulaParser::TFormulaParser() : TExpressionParser(TNoFill{}) {
    FillExpressList();
    DefineVariable("#", &lineValue_);
}

TFormulaParser::~TFormulaParser() = default;

void TFormulaParser::FillExpressList() {
    TExpressionParser::FillExpressList();
    AddWord(std::make_unique<TFunction>("stop", "stop execution formula", &FuncStop, 0));
    AddWord(std::make_unique<TFunction>("goto", "goto line number", &FuncGoto, 1));
    AddWord(std::make_unique<TFunction>("ifgoto", "conditional goto", &FuncIfGoto, 4));
    // Varying, so that constant folding does not write at compile time
    // instead of at every evaluation.
    AddWord(std::make_unique<TVaryingFunction>("display", "display result", &FuncDisplay, 1));
}

void TFormulaParser::ClearExpressions() {
    TExpressionParser::ClearExpressions();
    formulas_.clear();
}

void TFormulaParser::DropExpressionsFrom(int32_t first) {
    for (int32_t i = GetExpressionCount() - 1; i >= first; --i) RemoveExpression(i);
}

void TFormulaParser::DropFormula(int32_t index, std::vector<int32_t>* pending) {
    std::vector<int32_t> removed;
    for (int32_t entry : formulas_[index].entries) removed.push_back(std::abs(entry) - 1);
    std::sort(removed.begin(), removed.end());
    removed.erase(std::unique(removed.begin(), removed.end()), removed.end());
    for (auto it = removed.rbegin(); it != removed.rend(); ++it) RemoveExpression(*it);
    formulas_.erase(formulas_.begin() + index);

    auto remap = [&removed](std::vector<int32_t>& entries) {
        for (int32_t& entry : entries) {
            int32_t k = std::abs(entry) - 1;
            k -= static_cast<int32_t>(std::lower_bound(removed.begin(), removed.end(), k) -
                                      removed.begin());
            entry = entry < 0 ? -(k + 1) : k + 1;
        }
    };
    for (TFormula& formula : formulas_) remap(formula.entries);
    if (pending) remap(*pending);
}

int32_t TFormulaParser::AddFormula(std::string_view name, std::string_view text) {
    const int32_t firstNew = GetExpressionCount();
    std::vector<int32_t> entries;
    try {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = Trim(text.substr(start, end - start));
            if (!line.empty() && line.substr(0, 2) != "//") {
                int32_t index = CompileExpression(line);
                if (index < 0) break;
                entries.push_back(IsControlLine(line) ? -(index + 1) : index + 1);
            }
            start = end + 1;
        }
    } catch (...) {
        DropExpressionsFrom(firstNew);
        throw;
    }
    int32_t old = IndexOfFormula(name);
    if (old >= 0) DropFormula(old, &entries);
    if (entries.empty()) return -1;
    formulas_.push_back(TFormula{std::string(name), std::move(entries)});
    return FormulaCount() - 1;
}

float TFormulaParser::EvaluateFormula(std::string_view name) {
    int32_t index = IndexOfFormula(name);
    return index < 0 ? 0.0f : EvaluateFormula(index);
}

float TFormulaParser::EvaluateFormula(int32_t index) {
    if (index < 0 || index >= FormulaCount()) return 0;
    lineValue_ = 0;
    float value = 0;
    for (int32_t entry : formulas_[index].entries) {
        value = ExpressionAt(std::abs(entry) - 1)->Run();
    }
    return value;
}

int32_t TFormulaParser::IndexOfFormula(std::string_view name) const {
    for (size_t i = 0; i < formulas_.size(); ++i) {
        if (EqualIgnoringAsciiCase(formulas_[i].name, name)) return static_cast<int32_t>(i);
    }
    return -1;
}

std::string TFormulaParser::FormulaName(int32_t index) const {
    return index >= 0 && index < FormulaCount() ? formulas_[index].name : std::string();
}

void TFormulaParser::GetFormulaLines(std::vector<std::string>& strings,
                                     std::string_view name) const {
    strings.clear();
    int32_t index = IndexOfFormula(name);
    if (index < 0) return;
    for (int32_t entry : formulas_[index].entries) {
        strings.push_back(GetExpression(std::abs(entry) - 1));
    }
}
