// The expression parser: lines of arithmetic text such as "y := 2*sin(t) + 1"
// compiled once into a list of operations over single-precision cells, then
// evaluated as often as needed.
//
// TCustomExpressionParser is the engine (dictionary, tokeniser, compiler and
// the evaluation of its current expression); TExpressionParser keeps many
// compiled expressions and knows the built-in vocabulary; TCStyleParser can
// switch to C-style operator spellings ("==", "!=", "&&", "||", "=" for
// assignment, "%" for the remainder, "!" for not).
//
// Compiling lower-cases the text, reads it into words, checks it, folds
// constant parts (when Optimize is on) and links the operations in
// evaluation order. Every compile error raises EParserException (a number
// literal that cannot be read raises EConvertError) and adds nothing: the
// expressions compiled before stay as they were. Evaluation allocates
// nothing; it raises only for "div" and "mod" by zero (EParserException);
// other faults give infinities or NaN.
//
// Names the parser does not know become generated variables: NaN until an
// expression assigns them, shared by every later expression of the parser.
// Numbers are read and written without the process locale.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "functions/OObjects.h"
#include "functions/ParseClass.h"

// One compiled expression: its text, its operations in evaluation order
// (linked by Next, stored together), and the words made while compiling it
// (literals, folded constants, string words), which go with it.
struct TCompiledExpression {
    std::string Text;
    std::unique_ptr<TExprRec[]> Records;
    int32_t RecordCount = 0;
    TOCollection<expr::TExprWord> Constants{10};

    // Runs every operation; the value is the last one's result.
    float Run() {
        TExprRec* records = Records.get();
        for (int32_t i = 0; i < RecordCount; ++i) records[i].Oper(records[i]);
        return records[RecordCount - 1].Res;
    }
    const TExprRec& Tail() const { return Records[RecordCount - 1]; }
};

class TCustomExpressionParser {
public:
    virtual ~TCustomExpressionParser();
    TCustomExpressionParser(const TCustomExpressionParser&) = delete;
    TCustomExpressionParser& operator=(const TCustomExpressionParser&) = delete;

    // The prefix of hexadecimal literals ("$ff" is 255).
    char HexChar() const { return hexChar_; }
    char DecimalSeparator() const { return decimalSeparator_; }
    char ArgSeparator() const { return argSeparator_; }
    // Constant folding on compile; on after construction.
    bool Optimize() const { return optimize_; }
    void SetOptimize(bool on) { optimize_ = on; }

    // Sets the separator of number literals. When it equals the argument
    // separator, that one becomes ";" (for ",") or "," (otherwise).
    void SetDecimalSeparator(char separator);
    // Sets the separator of function arguments (the dictionary's comma word
    // is replaced). When the decimal separator equals it, that one becomes
    // "." (when it was ",") or ",".
    void SetArgSeparator(char separator);

    // Adds or replaces a variable bound to the caller's cell, which must stay
    // alive while the parser may run. Expressions already compiled with a
    // word of that name use the new cell. Raises Exception "...Cannot replace
    // variable/function NFuntionArg doesn't match" when the name is taken by
    // a word with arguments.
    void DefineVariable(std::string_view name, float* cell);
    // Adds or replaces a function word (not an operator, priority 0).
    // Raises EParserException "Too many arguments" above six arguments.
    void DefineFunction(std::string_view name, std::string_view description, TExprFunc routine,
                        int argCount);
    // Adds a function of one or two quoted texts.
    void DefineStringFunction(std::string_view name, std::string_view description,
                              expr::TStringFunc routine);
    // Inserts the word; a word of the same name is replaced in every compiled
    // expression (argument counts must match, else Exception as above; a
    // generated variable no expression uses gives way to any word) and
    // freed.
    void AddWord(std::unique_ptr<expr::TExprWord> word);
    // Replaces the word called `name` (when present) by `newWord` in every
    // compiled expression and frees it, then inserts `newWord` (when given).
    // Raises as AddWord does, before changing anything.
    void ReplaceWord(std::string_view name, std::unique_ptr<expr::TExprWord> newWord);

    // Compiles the text as the current expression: -1 for an empty text,
    // otherwise 0 (a derived parser answers the new expression's index).
    virtual int32_t CompileExpression(std::string_view text);
    // Frees the compiled expressions and the words made for them.
    virtual void ClearExpressions();
    // Compiles and evaluates; NaN for an empty text.
    float Evaluate(std::string_view text);
    // The value of the current expression; NaN when there is none.
    float CurrentValue();
    // The text of the current expression (used in messages).
    virtual std::string GetCurrentExpression() const = 0;

    // Clears the list, then lists every generated variable.
    void GetGeneratedVars(std::vector<expr::TGeneratedVariable*>& list) const;
    // The help text of the word named by the text before the first "(";
    // empty when there is none.
    std::string GetFunctionDescription(std::string_view name) const;
    // Appends each word that has a help text, with its argument slots:
    // "max(,)", "if(,,)", "random".
    void GetFunctionNames(std::vector<std::string>& names) const;
    const expr::TExpressList& WordsList() const { return wordsList_; }

protected:
    TCustomExpressionParser();

    // Registers the vocabulary; each concrete class's constructor calls it.
    virtual void FillExpressList() = 0;
    // Points every compiled operation that uses `oldWord` at `newWord`
    // (null: the word is only removed, which raises when it is in use).
    // Raises Exception "...Cannot replace variable/function NFuntionArg
    // doesn't match" when the argument counts differ.
    virtual void ReplaceExprWord(expr::TExprWord* oldWord, expr::TExprWord* newWord);
    // Calls `visit` for every compiled expression the parser keeps.
    virtual void ForEachExpression(const std::function<void(TCompiledExpression&)>& visit);

    // Whether a compiled expression reads or runs the word.
    bool InUse(expr::TExprWord* word);

    // Compiles one text; raises on any error.
    std::unique_ptr<TCompiledExpression> Compile(std::string_view text);

    TCompiledExpression* currentRec_ = nullptr;

private:
    class TCompiler;
    void CheckReplace(expr::TExprWord* oldWord, const expr::TExprWord* newWord);

    char hexChar_ = '$';
    char decimalSeparator_;
    char argSeparator_;
    bool optimize_ = true;
    std::unique_ptr<TCompiledExpression> ownCurrent_;
    expr::TExpressList wordsList_{30};
};

class TExpressionParser : public TCustomExpressionParser {
public:
    TExpressionParser();
    ~TExpressionParser() override;

    // Compiles and appends the expression; answers its index (then the
    // current one), or -1 for an empty text.
    int32_t CompileExpression(std::string_view text) override;
    // Frees every compiled expression and the words made for them.
    void ClearExpressions() override;
    // Compiles each line (trimmed; blank lines and lines beginning with "//"
    // skipped) after those already compiled. Compile errors raise; the lines
    // compiled before the failing one stay.
    bool SetExpressionLines(std::string_view text);
    // Evaluates every expression in order: the last one's value, 0 when
    // there is none. Allocates nothing.
    float Execute();
    // Makes expression `index` current and evaluates it; NaN for an index
    // outside the list.
    float EvaluateExpression(int32_t index);
    // Whether expression `index` is true (|value| >= 0.1). Raises
    // EParserException "Error in math expression: Expression is not boolean"
    // when its last operation is no comparison or logical operator, or the
    // index is outside the list.
    bool AsBoolean(int32_t index);
    // The value as text: "True"/"False" for boolean expressions near 1 or 0,
    // otherwise as printf's "%.10g" writes it (always with ".").
    std::string AsString(int32_t index);
    // The value rounded to an integer, as "$" and lower-case hex digits.
    std::string AsHexadecimal(int32_t index);
    // The text of expression `index`; empty outside the list.
    std::string GetExpression(int32_t index) const;
    int32_t GetExpressionCount() const { return static_cast<int32_t>(expressions_.size()); }
    std::string GetCurrentExpression() const override { return GetExpression(currentIndex_); }
    int32_t CurrentIndex() const { return currentIndex_; }
    // Operations of expression `index` other than fetching an operand; 0
    // outside the list.
    int32_t NumberOfOperations(int32_t index) const;

protected:
    struct TNoFill {};
    // For derived parsers, which fill the dictionary themselves.
    explicit TExpressionParser(TNoFill) {}

    void FillExpressList() override;
    void ForEachExpression(const std::function<void(TCompiledExpression&)>& visit) override;
    // Frees expression `index`; the later ones move down by one.
    void RemoveExpression(int32_t index);
    // The compiled expression at `index`, or null.
    TCompiledExpression* ExpressionAt(int32_t index) const;

private:
    std::vector<std::unique_ptr<TCompiledExpression>> expressions_;
    int32_t currentIndex_ = -1;
};

class TCStyleParser : public TExpressionParser {
public:
    // Starts with the C-style operators installed.
    TCStyleParser();

    // Installs the C-style (true) or the default (false) operator words;
    // compiled expressions keep their meaning. Nothing happens when that set
    // is already installed. Raises Exception "...Cannot replace ..." and
    // changes nothing when a compiled expression uses a generated variable
    // under a name the set needs (such as "fact").
    void SetCStyle(bool on);
    bool CStyle() const { return cStyle_; }

protected:
    void FillExpressList() override;

private:
    bool cStyle_ = false;
};
