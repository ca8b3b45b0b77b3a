// The words of the expression language: everything an expression can name
// (operators, functions, constants, variables, brackets and the argument
// separator), the operation record they run in, the dictionary that holds
// them, and the routines of the built-in vocabulary.
//
// Values are single-precision floats; booleans are 0 and 1; texts exist only
// while compiling and are reduced to numbers before evaluation. Logical and
// integer operators work on their operands rounded (halves to even) into
// 64-bit integers, with the saturating conversion of core/base/SafeConvert.h.
//
// The words live in namespace `expr`: the function objects have a class of
// their own called TFunction.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/base/Exception.h"
#include "functions/OObjects.h"

// Raised by the expression parser and its words: every compile error, a word
// declared with more than six arguments, a string comparison with an unknown
// operator, and "div" or "mod" by zero.
class EParserException : public Exception {
public:
    using Exception::Exception;
};

// Raised when a number literal cannot be read as a float (such as "2e").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

namespace expr {
class TExprWord;
}  // namespace expr

struct TExprRec;
// A routine reads its arguments through rec.Args and writes rec.Res.
using TExprFunc = void (*)(TExprRec& rec);

inline constexpr int kMaxExprArgs = 6;

// One operation of a compiled expression. Args point to single cells: a
// constant's value, a variable's bound cell, or the Res of an earlier record.
struct TExprRec {
    TExprFunc Oper = nullptr;
    TExprRec* Next = nullptr;
    float Res = 0;
    expr::TExprWord* Word = nullptr;
    float* Args[kMaxExprArgs] = {};
};

namespace expr {

enum TResultType : int {
    kFloatResult = 0,
    kBooleanResult = 1,
    kStringResult = 2,
    kLeftBracketResult = 3,
    kRightBracketResult = 4,
    kCommaResult = 5,
};

// The fetch routine, Res := *Args[0]: the routine of every operand (constant
// or variable). A word is an operand exactly when this is its routine.
void FetchValue(TExprRec& rec);

class TExprWord {
public:
    TExprWord(std::string name, TExprFunc exprFunc) : name_(std::move(name)), exprFunc_(exprFunc) {}
    virtual ~TExprWord() = default;
    TExprWord(const TExprWord&) = delete;
    TExprWord& operator=(const TExprWord&) = delete;

    const std::string& Name() const { return name_; }
    TExprFunc ExprFunc() const { return exprFunc_; }
    bool IsOperand() const { return exprFunc_ == &FetchValue; }

    // An operator (infix, prefix or postfix) rather than a function.
    virtual bool IsOper() const { return false; }
    virtual std::string_view AsString() const { return {}; }
    // The value may change between evaluations (blocks constant folding).
    virtual bool CanVary() const { return false; }
    virtual int ResultType() const { return kFloatResult; }
    virtual int NFunctionArg() const { return 0; }
    virtual std::string_view Description() const { return {}; }
    // The single cell holding an operand's value; null for other words.
    virtual float* AsPointer() { return nullptr; }
    // A lower number binds tighter; 0 for every word but operators.
    virtual int Priority() const { return 0; }

private:
    std::string name_;
    TExprFunc exprFunc_;
};

// Reads a number literal written with `decimalSeparator` ("1.5", ".5", "2e3",
// "1e-2"), whatever the process locale. A value beyond the float range reads
// as an infinity or 0. False (value untouched) for a text that is not such a
// number, including "2e" and "".
bool ReadFloatLiteral(std::string_view text, char decimalSeparator, float& value);

class TFloatTypeConstant : public TExprWord {
public:
    TFloatTypeConstant(std::string name, float value)
        : TExprWord(std::move(name), &FetchValue), value_(value) {}
    // A literal read with the separator; NaN for an empty text. Raises
    // EConvertError "'<text>' is not a valid floating point value" when the
    // text is no number.
    TFloatTypeConstant(std::string_view text, char decimalSeparator);

    float Value() const { return value_; }
    void SetValue(float value) { value_ = value; }
    float* AsPointer() override { return &value_; }

private:
    float value_;
};

// A named constant with a help text.
class TConstant : public TFloatTypeConstant {
public:
    TConstant(std::string name, float value, std::string help)
        : TFloatTypeConstant(std::move(name), value), help_(std::move(help)) {}
    std::string_view Description() const override { return help_; }

private:
    std::string help_;
};

// The folded value of a boolean sub-expression.
class TBooleanConstant : public TFloatTypeConstant {
public:
    using TFloatTypeConstant::TFloatTypeConstant;
    int ResultType() const override { return kBooleanResult; }
};

// The word made for a name the dictionary does not know: a cell of its own,
// NaN until something assigns it, shared by every expression that names it.
class TGeneratedVariable : public TFloatTypeConstant {
public:
    explicit TGeneratedVariable(std::string name);

    bool CanVary() const override { return true; }
    std::string_view AsString() const override { return strValue_; }
    int ResultType() const override { return varType_; }

    void SetStrValue(std::string text) { strValue_ = std::move(text); }
    void SetVarType(uint8_t type) { varType_ = type; }

private:
    std::string strValue_;
    uint8_t varType_ = kFloatResult;
};

// A variable bound to a cell that the caller owns and keeps alive while the
// parser may run; read at every evaluation and written by assignment.
class TFloatTypeVariable : public TExprWord {
public:
    TFloatTypeVariable(std::string name, float* cell)
        : TExprWord(std::move(name), &FetchValue), cell_(cell) {}
    bool CanVary() const override { return true; }
    float* AsPointer() override { return cell_; }

private:
    float* cell_;
};

// A quoted literal; its name is the literal as written. It has no numeric
// cell: only string functions and string comparisons consume it.
class TStringConstant : public TExprWord {
public:
    explicit TStringConstant(std::string literal);
    std::string_view AsString() const override { return strValue_; }
    int ResultType() const override { return kStringResult; }

private:
    std::string strValue_;
};

// A text cell owned by the caller, read at every evaluation (enclosing quotes
// dropped). The parser itself never makes one.
class TStringVariable : public TExprWord {
public:
    TStringVariable(std::string name, const std::string* text)
        : TExprWord(std::move(name), &FetchValue), text_(text) {}
    std::string_view AsString() const override;
    bool CanVary() const override { return true; }
    int ResultType() const override { return kStringResult; }

private:
    const std::string* text_;
};

class TLeftBracket : public TExprWord {
public:
    TLeftBracket() : TExprWord("(", nullptr) {}
    int ResultType() const override { return kLeftBracketResult; }
};

class TRightBracket : public TExprWord {
public:
    TRightBracket() : TExprWord(")", nullptr) {}
    int ResultType() const override { return kRightBracketResult; }
};

// The argument separator, named by the character in use.
class TComma : public TExprWord {
public:
    explicit TComma(char separator) : TExprWord(std::string(1, separator), nullptr) {}
    int ResultType() const override { return kCommaResult; }
};

// A function or operator. Raises EParserException "Too many arguments" when
// declared with more than six arguments.
class TFunction : public TExprWord {
public:
    // A function: not an operator, priority 0.
    TFunction(std::string name, std::string description, TExprFunc exprFunc, int argCount);
    // An operator: no description.
    TFunction(std::string name, TExprFunc exprFunc, int argCount, bool isOperator, int priority);

    bool IsOper() const override { return isOperator_; }
    int NFunctionArg() const override { return argCount_; }
    std::string_view Description() const override { return help_; }
    int Priority() const override { return priority_; }

private:
    bool isOperator_;
    int priority_;
    int argCount_;
    std::string help_;
};

// A function whose value changes from one evaluation to the next.
class TVaryingFunction : public TFunction {
public:
    using TFunction::TFunction;
    bool CanVary() const override { return true; }
};

// Comparisons and logical operators.
class TBooleanFunction : public TFunction {
public:
    using TFunction::TFunction;
    int ResultType() const override { return kBooleanResult; }
};

// A routine over one or two texts.
using TStringFunc = float (*)(std::string_view s1, std::string_view s2);

// A function of string words. The dictionary entry has no argument words and
// cannot run; compiling makes an instance bound to the actual words, which
// then acts as a value (no numeric arguments).
class TSimpleStringFunction : public TFunction {
public:
    TSimpleStringFunction(std::string name, std::string description, TStringFunc stringRoutine,
                          TExprWord* arg1 = nullptr, TExprWord* arg2 = nullptr);

    bool CanVary() const override;
    TStringFunc StringRoutine() const { return stringRoutine_; }
    TExprWord* Arg1() const { return arg1_; }
    TExprWord* Arg2() const { return arg2_; }
    bool IsBound() const { return arg1_ != nullptr; }
    // Points an argument that is `oldWord` at `newWord`.
    void ReplaceArgument(const TExprWord* oldWord, TExprWord* newWord);
    float Evaluate() const;

private:
    TStringFunc stringRoutine_;
    TExprWord* arg1_;
    TExprWord* arg2_;
};

class TVaryingStringFunction : public TSimpleStringFunction {
public:
    using TSimpleStringFunction::TSimpleStringFunction;
    bool CanVary() const override { return true; }
};

// A comparison of two string words by an operator's name: "=", "<>", ">",
// "<", ">=", "<=" or "in". Any other name raises EParserException
// "<name> is not a valid string operand".
class TLogicalStringOper : public TSimpleStringFunction {
public:
    TLogicalStringOper(std::string_view operName, TExprWord* arg1, TExprWord* arg2);
    int ResultType() const override { return kBooleanResult; }
};

// The dictionary: words by name, compared ignoring ASCII case, no two of one
// name. It owns its words. A lookup, an insertion and a removal take a
// constant time on average whatever the number of words (an expression may
// name a great many variables, each added as it is met), so words are hashed;
// the ordered view that listing needs is sorted when asked for after a
// change.
class TExpressList {
public:
    explicit TExpressList(int32_t capacity = 0);
    ~TExpressList() = default;
    TExpressList(const TExpressList&) = delete;
    TExpressList& operator=(const TExpressList&) = delete;

    // Negative, zero or positive as key1 orders before, with or after key2:
    // byte order after upper-casing ASCII letters.
    static int Compare(std::string_view key1, std::string_view key2);

    // The word of that name (any case), or null.
    TExprWord* Find(std::string_view name) const;
    // Takes the word, unless one of its name (any case) is present: then
    // answers false and the caller keeps it.
    bool Insert(TExprWord* word);
    // Deletes the word, which must be in the dictionary.
    void Free(TExprWord* word);
    int32_t Count() const { return static_cast<int32_t>(words_.size()); }

    // The words in the order of Compare.
    TExprWord* Items(int32_t index) const;
    std::vector<TExprWord*>::const_iterator begin() const { return Ordered().begin(); }
    std::vector<TExprWord*>::const_iterator end() const { return Ordered().end(); }

    // How many times two names have been compared for equality by lookups
    // and insertions so far: the dictionary's work, for tests and benches.
    int64_t NameComparisons() const { return comparisons_; }

private:
    struct THash {
        size_t operator()(std::string_view name) const;
    };
    struct TEqual {
        int64_t* count;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    const std::vector<TExprWord*>& Ordered() const;

    mutable int64_t comparisons_ = 0;
    // Keyed by each word's own name, which lives as long as the word.
    std::unordered_map<std::string_view, std::unique_ptr<TExprWord>, THash, TEqual> words_;
    mutable std::vector<TExprWord*> ordered_;
    mutable bool orderedValid_ = true;
};

// The words of one expression in order; it owns none of them.
using TExprCollection = TNoOwnerCollection<TExprWord>;

// pi rounded to a single.
inline constexpr float kPi = 3.14159265358979323846f;

// Routines of the built-in vocabulary (a, b, c: arguments 0, 1, 2).
void FuncAdd(TExprRec& rec);       // a + b
void FuncSubtract(TExprRec& rec);  // a - b
void FuncMultiply(TExprRec& rec);  // a * b
void FuncDivide(TExprRec& rec);    // a / b, IEEE (x / 0 is an infinity or NaN)
void FuncNegate(TExprRec& rec);    // -a
void FuncPlus(TExprRec& rec);      // 0 + a
void FuncPower(TExprRec& rec);     // a raised to the real b
void FuncIntPower(TExprRec& rec);  // a raised to round(b)
void FuncSquare(TExprRec& rec);    // a * a in double: a raised to the literal 2
void FuncIntDiv(TExprRec& rec);    // round(a) div round(b), toward zero
void FuncMod(TExprRec& rec);       // remainder of round(a) by round(b), sign of a
void FuncAnd(TExprRec& rec);       // bitwise on round(a), round(b)
void FuncOr(TExprRec& rec);
void FuncXor(TExprRec& rec);
void FuncNot(TExprRec& rec);           // 1 when the low 8 bits of round(a) are 0
void FuncIf(TExprRec& rec);            // b when the low 8 bits of round(a) are not 0, else c
void FuncEqual(TExprRec& rec);         // |a - b| < 1e-30
void FuncNotEqual(TExprRec& rec);      // |a - b| > 1e-30
void FuncGreaterEqual(TExprRec& rec);  // not (a + 1e-30 < b)
void FuncLessEqual(TExprRec& rec);     // not (a > b + 1e-30)
void FuncGreater(TExprRec& rec);
void FuncLess(TExprRec& rec);
void FuncFactorial(TExprRec& rec);  // round(a)!; 1 below 2, +inf past the float range
void FuncPercent(TExprRec& rec);    // a * 0.01
void FuncIncrement(TExprRec& rec);  // the operand's cell += 1, result the new value
void FuncDecrement(TExprRec& rec);  // the operand's cell -= 1
void FuncAssign(TExprRec& rec);     // the first operand's cell := b, result b
void FuncSqr(TExprRec& rec);
void FuncSqrt(TExprRec& rec);
void FuncAbs(TExprRec& rec);
void FuncRound(TExprRec& rec);  // halves to even
void FuncTrunc(TExprRec& rec);
void FuncMax(TExprRec& rec);  // b when a < b, else a
void FuncMin(TExprRec& rec);  // b when a > b, else a
void FuncExp(TExprRec& rec);
void FuncLn(TExprRec& rec);
void FuncLog10(TExprRec& rec);
void FuncLogN(TExprRec& rec);  // ln(b) / ln(a)
void FuncSin(TExprRec& rec);
void FuncCos(TExprRec& rec);
void FuncTan(TExprRec& rec);
void FuncArcSin(TExprRec& rec);
void FuncArcCos(TExprRec& rec);
void FuncArcTan(TExprRec& rec);
void FuncArcTan2(TExprRec& rec);  // the angle of the point (b, a)
void FuncSinh(TExprRec& rec);
void FuncCosh(TExprRec& rec);
void FuncTanh(TExprRec& rec);
void FuncArcSinh(TExprRec& rec);
void FuncArcCosh(TExprRec& rec);
void FuncArcTanh(TExprRec& rec);
void FuncDegToRad(TExprRec& rec);
void FuncRadToDeg(TExprRec& rec);
void FuncRandom(TExprRec& rec);     // uniform in [0, 1), from the process generator
void FuncRandomInt(TExprRec& rec);  // uniform integer in [0, trunc(a)); 0 when that is empty
void FuncRandG(TExprRec& rec);      // normal, mean a, standard deviation b

// The routines that write through their first argument.
bool WritesFirstOperand(TExprFunc routine);

// String routines: 1 or 0 unless stated.
float StrPos(std::string_view s1,
             std::string_view s2);  // 1-based position of s1 in s2, 0 if absent
float StrEqual(std::string_view s1, std::string_view s2);
float StrNotEqual(std::string_view s1, std::string_view s2);
float StrGreater(std::string_view s1, std::string_view s2);
float StrLess(std::string_view s1, std::string_view s2);
float StrGreaterEqual(std::string_view s1, std::string_view s2);
float StrLessEqual(std::string_view s1, std::string_view s2);
float StrIn(std::string_view s1, std::string_view s2);  // s1 is one of s2's comma-separated items

}  // namespace expr
