#include "functions/ParseClass.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/base/AsciiText.h"
#include "core/base/Assert.h"
#include "core/base/Random.h"
#include "core/base/SafeConvert.h"

namespace expr {

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Comparisons treat values closer than this as equal (in double precision).
constexpr double kTolerance = 1e-30;

std::string_view Unquoted(std::string_view text) {
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether a literal that no double can hold is huge (true) or tiny (false):
// a positive or absent exponent with a non-zero integer part is huge.
bool IsHugeLiteral(std::string_view text, char decimalSeparator) {
    size_t e = text.find_first_of("eE");
    if (e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-') return false;
    if (e != std::string_view::npos) return true;
    for (char c : text) {
        if (c == decimalSeparator) return false;
        if (c >= '1' && c <= '9') return true;
    }
    return false;
}

inline int64_t RoundedArg(const TExprRec& rec, int i) {
    return SaturatingRound<int64_t>(*rec.Args[i]);
}

inline bool LowByteSet(float value) {
    return (SaturatingRound<int64_t>(value) & 0xFF) != 0;
}

void StringFunctionRoutine(TExprRec& rec) {
    rec.Res = static_cast<const TSimpleStringFunction*>(rec.Word)->Evaluate();
}

TStringFunc StringOperRoutine(std::string_view operName) {
    if (operName == "=") return &StrEqual;
    if (operName == ">") return &StrGreater;
    if (operName == "<") return &StrLess;
    if (operName == ">=") return &StrGreaterEqual;
    if (operName == "<=") return &StrLessEqual;
    if (operName == "<>") return &StrNotEqual;
    if (operName == "in") return &StrIn;
    throw EParserException(std::string(operName) + " is not a valid string operand");
}

}  // namespace

void FetchValue(TExprRec& rec) {
    rec.Res = *rec.Args[0];
}

bool ReadFloatLiteral(std::string_view text, char decimalSeparator, float& value) {
    // The shape: digits, an optional separator with digits, an optional
    // exponent with at least one digit; at least one mantissa digit.
    size_t i = 0;
    size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++mantissaDigits;
    if (i < text.size() && text[i] == decimalSeparator) {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    if (i != text.size()) return false;

    // from_chars never looks at the locale; it wants ".".
    std::string plain(text);
    for (char& c : plain) {
        if (c == decimalSeparator) c = '.';
    }
    const char* first = plain.data();
    const char* last = first + plain.size();
    float asFloat = 0;
    auto [end, ec] = std::from_chars(first, last, asFloat);
    if (ec == std::errc() && end == last) {
        value = asFloat;
        return true;
    }
    double asDouble = 0;
    auto [end2, ec2] = std::from_chars(first, last, asDouble);
    if (ec2 == std::errc() && end2 == last) {
        value = static_cast<float>(asDouble);
        return true;
    }
    if (ec2 != std::errc::result_out_of_range) return false;
    value = IsHugeLiteral(plain, '.') ? std::numeric_limits<float>::infinity() : 0.0f;
    return true;
}

TFloatTypeConstant::TFloatTypeConstant(std::string_view text, char decimalSeparator)
    : TExprWord(std::string(text), &FetchValue), value_(kNaN) {
    if (text.empty()) return;
    if (!ReadFloatLiteral(text, decimalSeparator, value_)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    }
}

TGeneratedVariable::TGeneratedVariable(std::string name)
    : TFloatTypeConstant(std::move(name), kNaN) {}

TStringConstant::TStringConstant(std::string literal)
    : TExprWord(std::move(literal), &FetchValue), strValue_(Unquoted(Name())) {}

std::string_view TStringVariable::AsString() const {
    return text_ ? Unquoted(*text_) : std::string_view();
}

TFunction::TFunction(std::string name, std::string description, TExprFunc exprFunc, int argCount)
    : TExprWord(std::move(name), exprFunc),
      isOperator_(false),
      priority_(0),
      argCount_(argCount),
      help_(std::move(description)) {
    QM_ASSERT(argCount >= 0, "A function word was declared with a negative argument count.");
    if (argCount > kMaxExprArgs) throw EParserException("Too many arguments");
}

TFunction::TFunction(std::string name, TExprFunc exprFunc, int argCount, bool isOperator,
                     int priority)
    : TExprWord(std::move(name), exprFunc),
      isOperator_(isOperator),
      priority_(priority),
      argCount_(argCount) {
    QM_ASSERT(argCount >= 0, "An operator word was declared with a negative argument count.");
    if (argCount > kMaxExprArgs) throw EParserException("Too many arguments");
}

TSimpleStringFunction::TSimpleStringFunction(std::string name, std::string description,
                                             TStringFunc stringRoutine, TExprWord* arg1,
                                             TExprWord* arg2)
    // The dictionary entry lists two arguments; a bound instance takes none.
    : TFunction(std::move(name), std::move(description), &StringFunctionRoutine, arg1 ? 0 : 2),
      stringRoutine_(stringRoutine),
      arg1_(arg1),
      arg2_(arg2) {}

bool TSimpleStringFunction::CanVary() const {
    return (arg1_ && arg1_->CanVary()) || (arg2_ && arg2_->CanVary());
}

void TSimpleStringFunction::ReplaceArgument(const TExprWord* oldWord, TExprWord* newWord) {
    if (arg1_ == oldWord) arg1_ = newWord;
    if (arg2_ == oldWord) arg2_ = newWord;
}

float TSimpleStringFunction::Evaluate() const {
    std::string_view s1 = arg1_ ? arg1_->AsString() : std::string_view();
    std::string_view s2 = arg2_ ? arg2_->AsString() : std::string_view();
    return stringRoutine_(s1, s2);
}

TLogicalStringOper::TLogicalStringOper(std::string_view operName, TExprWord* arg1, TExprWord* arg2)
    : TSimpleStringFunction(std::string(operName), std::string(), StringOperRoutine(operName), arg1,
                            arg2) {}

int TExpressList::Compare(std::string_view key1, std::string_view key2) {
    size_t n = key1.size() < key2.size() ? key1.size() : key2.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(UpperAscii(key1[i]));
        unsigned char b = static_cast<unsigned char>(UpperAscii(key2[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (key1.size() == key2.size()) return 0;
    return key1.size() < key2.size() ? -1 : 1;
}

size_t TExpressList::THash::operator()(std::string_view name) const {
    // FNV-1a over the upper-cased bytes, so that names equal but for case
    // meet in one bucket.
    uint64_t hash = 14695981039346656037ull;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(UpperAscii(c));
        hash *= 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}

bool TExpressList::TEqual::operator()(std::string_view a, std::string_view b) const {
    ++*count;
    return a.size() == b.size() && Compare(a, b) == 0;
}

TExpressList::TExpressList(int32_t capacity)
    : words_(capacity > 0 ? static_cast<size_t>(capacity) : 0, THash{}, TEqual{&comparisons_}) {}

TExprWord* TExpressList::Find(std::string_view name) const {
    const auto it = words_.find(name);
    return it == words_.end() ? nullptr : it->second.get();
}

bool TExpressList::Insert(TExprWord* word) {
    QM_ASSERT(word != nullptr, "The dictionary was given no word.");
    const auto [it, added] = words_.try_emplace(std::string_view(word->Name()));
    if (!added) return false;
    it->second.reset(word);
    orderedValid_ = false;
    return true;
}

void TExpressList::Free(TExprWord* word) {
    const auto it = word ? words_.find(std::string_view(word->Name())) : words_.end();
    QM_ASSERT(it != words_.end() && it->second.get() == word,
              "A word not in the dictionary was to be freed.");
    words_.erase(it);
    orderedValid_ = false;
}

TExprWord* TExpressList::Items(int32_t index) const {
    QM_ASSERT(index >= 0 && index < Count(), "The dictionary was read outside its words.");
    return Ordered()[index];
}

const std::vector<TExprWord*>& TExpressList::Ordered() const {
    if (!orderedValid_) {
        ordered_.clear();
        ordered_.reserve(words_.size());
        for (const auto& [name, word] : words_) ordered_.push_back(word.get());
        std::sort(ordered_.begin(), ordered_.end(), [](const TExprWord* a, const TExprWord* b) {
            return Compare(a->Name(), b->Name()) < 0;
        });
        orderedValid_ = true;
    }
    return ordered_;
}

// Arithmetic. Float operations give the same results as the double forms
// rounded to a single; the library functions run in double.

void FuncAdd(TExprRec& rec) {
    rec.Res = *rec.Args[0] + *rec.Args[1];
}
void FuncSubtract(TExprRec& rec) {
    rec.Res = *rec.Args[0] - *rec.Args[1];
}
void FuncMultiply(TExprRec& rec) {
    rec.Res = *rec.Args[0] * *rec.Args[1];
}
void FuncDivide(TExprRec& rec) {
    rec.Res = *rec.Args[0] / *rec.Args[1];
}
void FuncNegate(TExprRec& rec) {
    rec.Res = -*rec.Args[0];
}
void FuncPlus(TExprRec& rec) {
    rec.Res = 0.0f + *rec.Args[0];
}
void FuncPower(TExprRec& rec) {
    rec.Res = static_cast<float>(std::pow(double(*rec.Args[0]), double(*rec.Args[1])));
}
void FuncSquare(TExprRec& rec) {
    // The product of two singles is exact in double, as pow's result for the
    // exponent 2 is: the same value, without the library call.
    const double a = *rec.Args[0];
    rec.Res = static_cast<float>(a * a);
}
void FuncIntPower(TExprRec& rec) {
    // pow with a whole exponent is exact enough and never loops |b| times.
    double exponent = static_cast<double>(RoundedArg(rec, 1));
    rec.Res = static_cast<float>(std::pow(double(*rec.Args[0]), exponent));
}

void FuncIntDiv(TExprRec& rec) {
    int64_t a = RoundedArg(rec, 0);
    int64_t b = RoundedArg(rec, 1);
    if (b == 0) throw EParserException("Division by zero");
    // The one quotient that leaves the range saturates.
    if (b == -1) {
        rec.Res = a == std::numeric_limits<int64_t>::min()
                      ? static_cast<float>(std::numeric_limits<int64_t>::max())
                      : static_cast<float>(-a);
        return;
    }
    rec.Res = static_cast<float>(a / b);
}

void FuncMod(TExprRec& rec) {
    int64_t a = RoundedArg(rec, 0);
    int64_t b = RoundedArg(rec, 1);
    if (b == 0) throw EParserException("Division by zero");
    rec.Res = b == -1 ? 0.0f : static_cast<float>(a % b);
}

void FuncAnd(TExprRec& rec) {
    rec.Res = static_cast<float>(RoundedArg(rec, 0) & RoundedArg(rec, 1));
}
void FuncOr(TExprRec& rec) {
    rec.Res = static_cast<float>(RoundedArg(rec, 0) | RoundedArg(rec, 1));
}
void FuncXor(TExprRec& rec) {
    rec.Res = static_cast<float>(RoundedArg(rec, 0) ^ RoundedArg(rec, 1));
}
void FuncNot(TExprRec& rec) {
    rec.Res = LowByteSet(*rec.Args[0]) ? 0.0f : 1.0f;
}
void FuncIf(TExprRec& rec) {
    rec.Res = LowByteSet(*rec.Args[0]) ? *rec.Args[1] : *rec.Args[2];
}

void FuncEqual(TExprRec& rec) {
    rec.Res = std::fabs(double(*rec.Args[0]) - double(*rec.Args[1])) < kTolerance ? 1.0f : 0.0f;
}
void FuncNotEqual(TExprRec& rec) {
    rec.Res = std::fabs(double(*rec.Args[0]) - double(*rec.Args[1])) > kTolerance ? 1.0f : 0.0f;
}
void FuncGreaterEqual(TExprRec& rec) {
    rec.Res = !(double(*rec.Args[0]) + kTolerance < double(*rec.Args[1])) ? 1.0f : 0.0f;
}
void FuncLessEqual(TExprRec& rec) {
    rec.Res = !(double(*rec.Args[0]) > double(*rec.Args[1]) + kTolerance) ? 1.0f : 0.0f;
}
void FuncGreater(TExprRec& rec) {
    rec.Res = *rec.Args[0] > *rec.Args[1] ? 1.0f : 0.0f;
}
void FuncLess(TExprRec& rec) {
    rec.Res = *rec.Args[0] < *rec.Args[1] ? 1.0f : 0.0f;
}

void FuncFactorial(TExprRec& rec) {
    // 34! is the largest factorial a single holds; anything past it is +inf
    // at once instead of a loop as long as the operand.
    int64_t n = RoundedArg(rec, 0);
    if (n > 34) {
        rec.Res = std::numeric_limits<float>::infinity();
        return;
    }
    double product = 1;
    for (int64_t k = 2; k <= n; ++k) product *= static_cast<double>(k);
    rec.Res = static_cast<float>(product);
}

void FuncPercent(TExprRec& rec) {
    rec.Res = static_cast<float>(double(*rec.Args[0]) * 0.01);
}
void FuncIncrement(TExprRec& rec) {
    *rec.Args[0] += 1.0f;
    rec.Res = *rec.Args[0];
}
void FuncDecrement(TExprRec& rec) {
    *rec.Args[0] -= 1.0f;
    rec.Res = *rec.Args[0];
}
void FuncAssign(TExprRec& rec) {
    rec.Res = *rec.Args[1];
    *rec.Args[0] = rec.Res;
}

void FuncSqr(TExprRec& rec) {
    rec.Res = *rec.Args[0] * *rec.Args[0];
}
void FuncSqrt(TExprRec& rec) {
    rec.Res = std::sqrt(*rec.Args[0]);
}
void FuncAbs(TExprRec& rec) {
    rec.Res = std::fabs(*rec.Args[0]);
}
void FuncRound(TExprRec& rec) {
    rec.Res = static_cast<float>(RoundHalfEven(*rec.Args[0]));
}
void FuncTrunc(TExprRec& rec) {
    rec.Res = std::trunc(*rec.Args[0]);
}
void FuncMax(TExprRec& rec) {
    rec.Res = *rec.Args[0] < *rec.Args[1] ? *rec.Args[1] : *rec.Args[0];
}
void FuncMin(TExprRec& rec) {
    rec.Res = *rec.Args[0] > *rec.Args[1] ? *rec.Args[1] : *rec.Args[0];
}

#define QM_EXPR_UNARY(name, expression)           \
    void name(TExprRec& rec) {                    \
        double a = *rec.Args[0];                  \
        rec.Res = static_cast<float>(expression); \
    }

QM_EXPR_UNARY(FuncExp, std::exp(a))
QM_EXPR_UNARY(FuncLn, std::log(a))
QM_EXPR_UNARY(FuncLog10, std::log10(a))
QM_EXPR_UNARY(FuncSin, std::sin(a))
QM_EXPR_UNARY(FuncCos, std::cos(a))
QM_EXPR_UNARY(FuncTan, std::tan(a))
QM_EXPR_UNARY(FuncArcSin, std::asin(a))
QM_EXPR_UNARY(FuncArcCos, std::acos(a))
QM_EXPR_UNARY(FuncArcTan, std::atan(a))
QM_EXPR_UNARY(FuncSinh, std::sinh(a))
QM_EXPR_UNARY(FuncCosh, std::cosh(a))
QM_EXPR_UNARY(FuncTanh, std::tanh(a))
QM_EXPR_UNARY(FuncArcSinh, std::asinh(a))
QM_EXPR_UNARY(FuncArcCosh, std::acosh(a))
QM_EXPR_UNARY(FuncArcTanh, std::atanh(a))
QM_EXPR_UNARY(FuncDegToRad, a * 3.14159265358979323846 / 180.0)
QM_EXPR_UNARY(FuncRadToDeg, a * 180.0 / 3.14159265358979323846)

#undef QM_EXPR_UNARY

void FuncLogN(TExprRec& rec) {
    rec.Res = static_cast<float>(std::log(double(*rec.Args[1])) / std::log(double(*rec.Args[0])));
}
void FuncArcTan2(TExprRec& rec) {
    rec.Res = static_cast<float>(std::atan2(double(*rec.Args[0]), double(*rec.Args[1])));
}

void FuncRandom(TExprRec& rec) {
    // A double just below 1 would round up to 1 as a single.
    float value = static_cast<float>(RandomFloat());
    rec.Res = value < 1.0f ? value : std::nextafter(1.0f, 0.0f);
}
void FuncRandomInt(TExprRec& rec) {
    rec.Res = static_cast<float>(Random(SaturatingTrunc<int32_t>(*rec.Args[0])));
}
void FuncRandG(TExprRec& rec) {
    // Box-Muller; 1 - u keeps the logarithm's argument in (0, 1].
    double u1 = 1.0 - RandomFloat();
    double u2 = RandomFloat();
    double z = std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265358979323846 * u2);
    rec.Res = static_cast<float>(double(*rec.Args[0]) + double(*rec.Args[1]) * z);
}

bool WritesFirstOperand(TExprFunc routine) {
    return routine == &FuncAssign || routine == &FuncIncrement || routine == &FuncDecrement;
}

float StrPos(std::string_view s1, std::string_view s2) {
    if (s1.empty()) return 0;
    size_t at = s2.find(s1);
    return at == std::string_view::npos ? 0.0f : static_cast<float>(at + 1);
}
float StrEqual(std::string_view s1, std::string_view s2) {
    return s1 == s2 ? 1.0f : 0.0f;
}
float StrNotEqual(std::string_view s1, std::string_view s2) {
    return s1 != s2 ? 1.0f : 0.0f;
}
float StrGreater(std::string_view s1, std::string_view s2) {
    return s1 > s2 ? 1.0f : 0.0f;
}
float StrLess(std::string_view s1, std::string_view s2) {
    return s1 < s2 ? 1.0f : 0.0f;
}
float StrGreaterEqual(std::string_view s1, std::string_view s2) {
    return s1 >= s2 ? 1.0f : 0.0f;
}
float StrLessEqual(std::string_view s1, std::string_view s2) {
    return s1 <= s2 ? 1.0f : 0.0f;
}
float StrIn(std::string_view s1, std::string_view s2) {
    size_t start = 0;
    while (true) {
        size_t comma = s2.find(',', start);
        std::string_view item = s2.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (item == s1) return 1.0f;
        if (comma == std::string_view::npos) return 0.0f;
        start = comma + 1;
    }
}

}  // namespace expr
