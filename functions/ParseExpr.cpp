#include "functions/ParseExpr.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <deque>
#include <limits>
#include <span>
#include <typeinfo>
#include <utility>

#include "core/base/AsciiText.h"
#include "core/base/SafeConvert.h"

using namespace expr;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr const char* kErrorPrefix = "Error in math expression: ";
// Deeper bracket nesting is refused: the compiler recurses per level, and
// data must not be able to exhaust the stack.
constexpr int kMaxBracketDepth = 64;
// A backstop for the compiler's recursion, which also descends once per
// binding level within one pair of brackets.
constexpr int kMaxBuildDepth = 1024;
constexpr size_t kNone = static_cast<size_t>(-1);

[[noreturn]] void Fail(std::string_view message) {
    throw EParserException(kErrorPrefix + std::string(message));
}

bool IsLeftBracket(const TExprWord* word) {
    return word->ResultType() == kLeftBracketResult;
}
bool IsRightBracket(const TExprWord* word) {
    return word->ResultType() == kRightBracketResult;
}
bool IsComma(const TExprWord* word) {
    return word->ResultType() == kCommaResult;
}
bool IsStringWord(const TExprWord* word) {
    return word->ResultType() == kStringResult;
}
bool IsSignWord(const TExprWord* word) {
    return word->IsOper() && (word->Name() == "+" || word->Name() == "-");
}
bool IsNotWord(const TExprWord* word) {
    return word->ExprFunc() == &FuncNot && word->NFunctionArg() == 1;
}
bool IsVariable(const TExprWord* word) {
    return dynamic_cast<const TFloatTypeVariable*>(word) != nullptr ||
           dynamic_cast<const TGeneratedVariable*>(word) != nullptr;
}
// A number literal written in the text (not a named or folded constant).
bool IsNumberLiteral(const TExprWord* word) {
    return typeid(*word) == typeid(TFloatTypeConstant);
}
bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '_';
}

// The shortest text that reads back as the same single, with ".".
std::string FloatText(float value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// printf's "%.10g" without the locale.
std::string GeneralText(double value) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    return std::string(buffer, result.ptr);
}

const char* const kCannotReplace =
    "Error in math expression: Cannot replace variable/function NFuntionArg doesn't match";

}  // namespace

// One compile: words, checks, tree, folding, linking. Nodes live in a deque
// for the duration; every node is created after its arguments, so the
// deque's order visits arguments before the operations that use them.
class TCustomExpressionParser::TCompiler {
public:
    TCompiler(TCustomExpressionParser& parser, std::string_view text, TCompiledExpression& out)
        : parser_(parser), original_(text), out_(out) {
        text_.assign(text);
        for (char& c : text_) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }

    void Run() {
        Tokenise();
        NormaliseWords();
        NormaliseStrings();
        CheckLeftovers();
        MatchBrackets();
        TNode* root = Build(0, Words().size(), 0);
        if (root == nullptr) FailSyntax();
        for (const TNode& node : nodes_) CheckNode(node);
        if (parser_.optimize_) Fold();
        Link(root);
    }

private:
    struct TNode {
        TExprWord* word = nullptr;
        TNode* args[kMaxExprArgs] = {};
        int argc = 0;
        TExprRec* rec = nullptr;
    };

    std::vector<TExprWord*>& Words() { return words_.List(); }

    [[noreturn]] void FailSyntax() { Fail("Syntax error in expression " + std::string(original_)); }

    // Keeps a word made for this expression and appends it to the word list.
    void AddOwnWord(std::unique_ptr<TExprWord> word) {
        TExprWord* raw = word.get();
        out_.Constants.Add(word.release());
        words_.Add(raw);
    }
    TExprWord* Own(std::unique_ptr<TExprWord> word) {
        TExprWord* raw = word.get();
        out_.Constants.Add(word.release());
        return raw;
    }

    TExprWord* Dictionary(std::string_view name) {
        TExprWord* word = parser_.wordsList_.Find(name);
        if (word == nullptr) Fail("Can not find operand/function");
        return word;
    }

    // An optional fraction and exponent from `p` on; answers the end.
    size_t ScanFractionAndExponent(size_t p) const {
        const size_t n = text_.size();
        if (p < n && text_[p] == parser_.decimalSeparator_) {
            ++p;
            while (p < n && IsDigit(text_[p])) ++p;
        }
        if (p < n && text_[p] == 'e') {
            ++p;
            if (p < n && (text_[p] == '+' || text_[p] == '-')) ++p;
            while (p < n && IsDigit(text_[p])) ++p;
        }
        return p;
    }

    void AddHexNumber(std::string_view token, size_t digitCount) {
        uint64_t value = 0;
        bool valid = digitCount == token.size() - 1;  // no fraction or exponent
        for (size_t i = 1; valid && i <= digitCount; ++i) {
            char c = token[i];
            unsigned digit = IsDigit(c) ? unsigned(c - '0') : unsigned(c - 'a' + 10);
            if (value > (std::numeric_limits<uint64_t>::max() >> 4)) valid = false;
            value = (value << 4) | digit;
        }
        if (!valid) {
            throw EConvertError("'" + std::string(token) + "' is not a valid integer value");
        }
        AddOwnWord(
            std::make_unique<TFloatTypeConstant>(std::to_string(value), static_cast<float>(value)));
    }

    void Tokenise() {
        const std::string& t = text_;
        const size_t n = t.size();
        const char decimal = parser_.decimalSeparator_;
        size_t pos = 0;
        while (true) {
            while (pos < n && t[pos] == ' ') ++pos;
            if (pos >= n) break;
            const size_t start = pos;
            const char c = t[pos];
            const char next = pos + 1 < n ? t[pos + 1] : '\0';
            enum { kName, kNumber, kHex, kString } kind = kName;
            size_t end = pos + 1;
            size_t hexDigits = 0;
            if (c == parser_.hexChar_) {
                size_t p = pos + 1;
                while (p < n && IsHexDigit(t[p])) ++p;
                hexDigits = p - pos - 1;
                if (hexDigits > 0) {
                    kind = kHex;
                    end = ScanFractionAndExponent(p);
                } else {
                    while (p < n && IsIdentifierChar(t[p])) ++p;
                    end = p;
                }
            } else if (c == decimal || IsDigit(c)) {
                size_t p = pos;
                while (p < n && IsDigit(t[p])) ++p;
                kind = kNumber;
                end = ScanFractionAndExponent(p);
            } else if (c == '\'') {
                size_t close = t.find('\'', pos + 1);
                kind = kString;
                end = close == std::string::npos ? n : close + 1;
            } else if ((c >= 'a' && c <= 'z') || c == '_') {
                size_t p = pos + 1;
                while (p < n && IsIdentifierChar(t[p])) ++p;
                end = p;
            } else if ((c == '!' && next == '=') || (c == '&' && next == '&') ||
                       (c == '|' && next == '|') || (c == ':' && next == '=')) {
                end = pos + 2;
            } else if ((c == '<' || c == '>' || c == '=') &&
                       (next == '<' || next == '=' || next == '>')) {
                end = pos + 2;
            } else if ((c == '+' || c == '-') && next == c) {
                if (parser_.wordsList_.Find(std::string_view(t).substr(pos, 2))) end = pos + 2;
            }
            pos = end;
            std::string_view token = std::string_view(t).substr(start, end - start);

            switch (kind) {
                case kHex:
                    AddHexNumber(token, hexDigits);
                    break;
                case kNumber:
                    AddOwnWord(std::make_unique<TFloatTypeConstant>(token, decimal));
                    break;
                case kString:
                    AddOwnWord(std::make_unique<TStringConstant>(std::string(token)));
                    break;
                case kName: {
                    TExprWord* word = parser_.wordsList_.Find(token);
                    if (word == nullptr) {
                        auto generated = std::make_unique<TGeneratedVariable>(std::string(token));
                        word = generated.get();
                        parser_.wordsList_.Insert(generated.release());
                    }
                    words_.Add(word);
                    break;
                }
            }
        }
    }

    // Replaces words [from, to) by one word (none when null).
    void ReplaceRun(size_t from, size_t to, TExprWord* word) {
        auto& list = Words();
        list.erase(list.begin() + from, list.begin() + to);
        if (word) list.insert(list.begin() + from, word);
    }

    // Bracket balance, signs, runs of "not", and the checks between
    // neighbouring words.
    void NormaliseWords() {
        int depth = 0;
        for (const TExprWord* word : Words()) {
            if (IsLeftBracket(word)) {
                if (++depth > kMaxBracketDepth) Fail("Brackets nested too deeply");
            } else if (IsRightBracket(word)) {
                // A closing bracket before its opening one counts as unequal.
                if (--depth < 0) throw EParserException("Unequal brackets");
            }
        }
        if (depth != 0) throw EParserException("Unequal brackets");

        auto& list = Words();
        size_t i = 0;
        while (i < list.size()) {
            TExprWord* prev = i > 0 ? list[i - 1] : nullptr;
            if (IsSignWord(list[i]) && (prev == nullptr || IsComma(prev) || IsLeftBracket(prev) ||
                                        (prev->IsOper() && prev->NFunctionArg() == 2))) {
                size_t j = i;
                int minus = 0;
                while (j < list.size() && IsSignWord(list[j])) {
                    if (list[j]->Name() == "-") ++minus;
                    ++j;
                }
                ReplaceRun(i, j, Dictionary(minus % 2 ? "-@" : "+@"));
            }
            if (IsNotWord(list[i]) && (prev == nullptr || IsLeftBracket(prev) || prev->IsOper())) {
                size_t j = i;
                while (j < list.size() && IsNotWord(list[j])) ++j;
                TExprWord* notWord = list[i];
                ReplaceRun(i, j, (j - i) % 2 ? notWord : nullptr);
                if ((j - i) % 2 == 0) continue;  // look at what now stands here
            }
            TExprWord* word = list[i];
            TExprWord* next = i + 1 < list.size() ? list[i + 1] : nullptr;
            if (word->IsOperand() && next && next->IsOperand()) {
                Fail(word->Name() + " two space limited variables/constants");
            }
            if (dynamic_cast<TGeneratedVariable*>(word) && next && IsLeftBracket(next)) {
                Fail(word->Name() + " is an unknown function");
            }
            if (IsLeftBracket(word) && (next == nullptr || IsRightBracket(next))) {
                Fail("Empty brackets ()");
            }
            if (IsRightBracket(word) && next && IsLeftBracket(next)) {
                Fail("Missing operand between )(");
            }
            if (IsRightBracket(word) && next && next->IsOperand()) {
                Fail("Missing operand between ) and constant/variable");
            }
            if (IsLeftBracket(word) && prev && prev->IsOperand()) {
                Fail("Missing operand between constant/variable and (");
            }
            if (word->IsOper() && word->Name() == "^" && next && IsNumberLiteral(next) &&
                next->Name().find(parser_.decimalSeparator_) == std::string::npos) {
                list[i] = Dictionary("^@");
            }
            ++i;
        }
    }

    // String function calls and string comparisons become single words.
    void NormaliseStrings() {
        auto& list = Words();
        for (size_t i = list.size() >= 2 ? list.size() - 1 : 0; i-- > 0;) {
            if (i + 2 >= list.size()) continue;
            auto* function = dynamic_cast<TSimpleStringFunction*>(list[i]);
            if (function && !function->IsBound() && IsLeftBracket(list[i + 1]) &&
                IsStringWord(list[i + 2])) {
                const bool varying = function->CanVary() ||
                                     dynamic_cast<TVaryingStringFunction*>(function) != nullptr;
                TExprWord* arg1 = list[i + 2];
                TExprWord* arg2 = nullptr;
                size_t length = 4;
                if (i + 4 < list.size() && IsStringWord(list[i + 4])) {
                    if (!IsComma(list[i + 3]) || i + 5 >= list.size() ||
                        !IsRightBracket(list[i + 5])) {
                        FailSyntax();
                    }
                    arg2 = list[i + 4];
                    length = 6;
                } else if (i + 3 >= list.size() || !IsRightBracket(list[i + 3])) {
                    FailSyntax();
                }
                std::string name = function->Name();
                std::string help(function->Description());
                std::unique_ptr<TExprWord> bound;
                if (varying) {
                    bound = std::make_unique<TVaryingStringFunction>(
                        name, help, function->StringRoutine(), arg1, arg2);
                } else {
                    bound = std::make_unique<TSimpleStringFunction>(
                        name, help, function->StringRoutine(), arg1, arg2);
                }
                ReplaceRun(i, i + length, Own(std::move(bound)));
            } else if (IsStringWord(list[i]) && list[i + 1]->IsOper() &&
                       IsStringWord(list[i + 2])) {
                auto compare =
                    std::make_unique<TLogicalStringOper>(list[i + 1]->Name(), list[i], list[i + 2]);
                ReplaceRun(i, i + 3, Own(std::move(compare)));
            }
        }
    }

    // Text values nothing consumed have no number to give, and a string
    // function not called with texts has nothing to work on.
    void CheckLeftovers() {
        for (TExprWord* word : Words()) {
            auto* function = dynamic_cast<TSimpleStringFunction*>(word);
            if (function && !function->IsBound()) FailSyntax();
            if (word->IsOperand() && word->AsPointer() == nullptr) {
                Fail("Can not find operand/function");
            }
        }
    }

    void MatchBrackets() {
        const auto& list = Words();
        match_.assign(list.size(), kNone);
        std::vector<size_t> open;
        for (size_t i = 0; i < list.size(); ++i) {
            if (IsLeftBracket(list[i])) {
                open.push_back(i);
            } else if (IsRightBracket(list[i])) {
                match_[open.back()] = i;
                match_[i] = open.back();
                open.pop_back();
            }
        }
    }

    // The next word at bracket depth 0 in [from, to) that takes arguments
    // and binds no tighter than `minPriority`; kNone when there is none.
    size_t NextArgWord(size_t from, size_t to, int minPriority) {
        const auto& list = Words();
        for (size_t p = from; p < to; ++p) {
            if (IsLeftBracket(list[p])) {
                p = match_[p];
                continue;
            }
            if (list[p]->NFunctionArg() > 0 && list[p]->Priority() >= minPriority) return p;
        }
        return kNone;
    }

    TNode* NewNode(TExprWord* word, TNode* const* args, int argc) {
        TNode& node = nodes_.emplace_back();
        node.word = word;
        node.argc = argc;
        for (int a = 0; a < argc; ++a) node.args[a] = args[a];
        return &node;
    }

    // The tree of words [lo, hi). Operators chain to the right while the
    // next one binds no tighter; tighter ones form the right operand. So a
    // lower priority number binds tighter and equal ones go left to right.
    TNode* Build(size_t lo, size_t hi, int depth) {
        if (depth > kMaxBuildDepth) Fail("Expression nested too deeply");
        const auto& list = Words();
        while (hi - lo >= 2 && IsLeftBracket(list[lo]) && match_[lo] == hi - 1) {
            ++lo;
            --hi;
        }
        if (lo == hi) return nullptr;
        if (hi - lo == 1) {
            if (list[lo]->ExprFunc() == nullptr) FailSyntax();  // a bracket or separator
            return NewNode(list[lo], nullptr, 0);
        }
        size_t k = NextArgWord(lo, hi, std::numeric_limits<int>::min());
        if (k == kNone) FailSyntax();

        TNode* current = nullptr;
        size_t segment = lo;
        while (true) {
            TExprWord* word = list[k];
            TNode* args[kMaxExprArgs] = {};
            int argc = 0;
            size_t after;
            if (!word->IsOper()) {
                // A call: nothing before it, its arguments in the brackets
                // right after its name.
                if (current != nullptr || k != segment) FailSyntax();
                if (k + 1 >= hi || !IsLeftBracket(list[k + 1])) FailSyntax();
                const size_t close = match_[k + 1];
                size_t groupStart = k + 2;
                for (size_t p = k + 2; p <= close; ++p) {
                    if (p < close && IsLeftBracket(list[p])) {
                        p = match_[p];
                        continue;
                    }
                    if (p == close || IsComma(list[p])) {
                        if (argc >= word->NFunctionArg()) {
                            Fail("Syntax error: function " + word->Name() +
                                 " has too many arguments");
                        }
                        args[argc++] = Build(groupStart, p, depth + 1);
                        groupStart = p + 1;
                    }
                }
                after = close + 1;
            } else {
                if (current != nullptr) {
                    args[argc++] = current;
                } else if (k > segment) {
                    args[argc++] = Build(segment, k, depth + 1);
                }
                after = k + 1;
            }
            const size_t next = NextArgWord(after, hi, word->Priority());
            const size_t stop = next == kNone ? hi : next;
            if (stop > after) {
                if (!word->IsOper() || argc >= word->NFunctionArg()) FailSyntax();
                args[argc++] = Build(after, stop, depth + 1);
            }
            current = NewNode(word, args, argc);
            if (next == kNone) return current;
            k = next;
            segment = next;
        }
    }

    void CheckNode(const TNode& node) {
        for (int a = 0; a < node.word->NFunctionArg(); ++a) {
            if (a >= node.argc || node.args[a] == nullptr) {
                Fail("Syntax error: function or operand has too few arguments");
            }
        }
        // Assignment, "++" and "--" write into their first operand: only a
        // variable's cell may be written, never a constant shared by every
        // expression of the parser.
        if (WritesFirstOperand(node.word->ExprFunc())) {
            const TNode* target = node.argc > 0 ? node.args[0] : nullptr;
            if (target == nullptr || target->argc != 0 || !IsVariable(target->word)) {
                Fail(node.word->Name() + " needs a variable as its first operand");
            }
        }
    }

    // Operations whose arguments are all constant are run once and become
    // constants. Words that vary or write into a cell are never folded.
    void Fold() {
        for (TNode& node : nodes_) {
            TExprWord* word = node.word;
            if (word->IsOperand() || word->CanVary() || WritesFirstOperand(word->ExprFunc())) {
                continue;
            }
            bool constant = true;
            for (int a = 0; a < node.argc; ++a) {
                const TExprWord* arg = node.args[a]->word;
                if (!arg->IsOperand() || arg->CanVary()) constant = false;
            }
            if (!constant) continue;
            TExprRec rec;
            rec.Oper = word->ExprFunc();
            rec.Word = word;
            for (int a = 0; a < node.argc; ++a) rec.Args[a] = node.args[a]->word->AsPointer();
            rec.Oper(rec);  // a raise here (div by zero) fails the compile
            std::unique_ptr<TExprWord> folded;
            if (word->ResultType() == kBooleanResult) {
                folded = std::make_unique<TBooleanConstant>(FloatText(rec.Res), rec.Res);
            } else {
                folded = std::make_unique<TFloatTypeConstant>(FloatText(rec.Res), rec.Res);
            }
            node.word = Own(std::move(folded));
            node.argc = 0;
        }
    }

    static float* CellOf(const TNode* node) {
        return node->word->IsOperand() ? node->word->AsPointer() : &node->rec->Res;
    }

    // The node's routine; a power whose exponent is the literal 2 (written,
    // or folded from literals) squares instead. Literals belong to their
    // expression, so no word replacement changes that argument later.
    static TExprFunc OperationOf(const TNode& node) {
        const TExprFunc func = node.word->ExprFunc();
        if ((func == &FuncPower || func == &FuncIntPower) && node.argc == 2 &&
            IsNumberLiteral(node.args[1]->word) && *node.args[1]->word->AsPointer() == 2.0f) {
            return &FuncSquare;
        }
        return func;
    }

    // Post-order walk: each operation after the ones it reads.
    void Link(TNode* root) {
        if (root->word->IsOperand()) {
            out_.Records = std::make_unique<TExprRec[]>(1);
            out_.RecordCount = 1;
            TExprRec& rec = out_.Records[0];
            rec.Oper = &FetchValue;
            rec.Word = root->word;
            rec.Args[0] = root->word->AsPointer();
            return;
        }
        std::vector<std::pair<TNode*, int>> stack;
        std::vector<TNode*> order;
        stack.emplace_back(root, 0);
        while (!stack.empty()) {
            TNode* node = stack.back().first;
            int child = stack.back().second;
            if (child < node->argc) {
                ++stack.back().second;
                TNode* arg = node->args[child];
                if (!arg->word->IsOperand()) stack.emplace_back(arg, 0);
                continue;
            }
            order.push_back(node);
            stack.pop_back();
        }
        out_.Records = std::make_unique<TExprRec[]>(order.size());
        out_.RecordCount = static_cast<int32_t>(order.size());
        for (size_t i = 0; i < order.size(); ++i) {
            TNode* node = order[i];
            TExprRec& rec = out_.Records[i];
            node->rec = &rec;
            rec.Oper = OperationOf(*node);
            rec.Word = node->word;
            for (int a = 0; a < node->argc; ++a) rec.Args[a] = CellOf(node->args[a]);
            rec.Next = i + 1 < order.size() ? &out_.Records[i + 1] : nullptr;
        }
    }

    TCustomExpressionParser& parser_;
    std::string_view original_;
    std::string text_;
    TCompiledExpression& out_;
    TExprCollection words_;
    std::vector<size_t> match_;
    std::deque<TNode> nodes_;
};

// ---------------------------------------------------------------------------

TCustomExpressionParser::TCustomExpressionParser() {
    // The locale gives the decimal separator; POSIX has no list separator,
    // so arguments are separated by "," unless that is the decimal one.
    const char* point = std::localeconv()->decimal_point;
    decimalSeparator_ = point && point[0] ? point[0] : '.';
    argSeparator_ = decimalSeparator_ == ',' ? ';' : ',';
}

TCustomExpressionParser::~TCustomExpressionParser() = default;

void TCustomExpressionParser::SetDecimalSeparator(char separator) {
    decimalSeparator_ = separator;
    if (separator == argSeparator_) SetArgSeparator(separator == ',' ? ';' : ',');
}

void TCustomExpressionParser::SetArgSeparator(char separator) {
    ReplaceWord(std::string(1, argSeparator_), std::make_unique<TComma>(separator));
    argSeparator_ = separator;
    if (decimalSeparator_ == separator) SetDecimalSeparator(decimalSeparator_ == ',' ? '.' : ',');
}

void TCustomExpressionParser::DefineVariable(std::string_view name, float* cell) {
    AddWord(std::make_unique<TFloatTypeVariable>(std::string(name), cell));
}

void TCustomExpressionParser::DefineFunction(std::string_view name, std::string_view description,
                                             TExprFunc routine, int argCount) {
    AddWord(std::make_unique<TFunction>(std::string(name), std::string(description), routine,
                                        argCount));
}

void TCustomExpressionParser::DefineStringFunction(std::string_view name,
                                                   std::string_view description,
                                                   TStringFunc routine) {
    AddWord(std::make_unique<TSimpleStringFunction>(std::string(name), std::string(description),
                                                    routine));
}

void TCustomExpressionParser::AddWord(std::unique_ptr<TExprWord> word) {
    QM_ASSERT(word != nullptr, "AddWord was given no word.");
    if (TExprWord* old = wordsList_.Find(word->Name())) {
        ReplaceExprWord(old, word.get());
        wordsList_.Free(old);
    }
    bool inserted = wordsList_.Insert(word.get());
    QM_ASSERT(inserted, "A word was refused by the dictionary after its name was freed.");
    if (inserted) word.release();
}

void TCustomExpressionParser::ReplaceWord(std::string_view name,
                                          std::unique_ptr<TExprWord> newWord) {
    TExprWord* old = wordsList_.Find(name);
    // The new name may belong to another word, which AddWord replaces too:
    // check both before changing anything.
    if (newWord) {
        TExprWord* other = wordsList_.Find(newWord->Name());
        if (other && other != old) CheckReplace(other, newWord.get());
    }
    if (old) {
        ReplaceExprWord(old, newWord.get());
        wordsList_.Free(old);
    }
    if (newWord) AddWord(std::move(newWord));
}

bool TCustomExpressionParser::InUse(TExprWord* word) {
    const float* cell = word->AsPointer();
    bool used = false;
    ForEachExpression([&](TCompiledExpression& compiled) {
        for (int32_t i = 0; i < compiled.RecordCount; ++i) {
            const TExprRec& rec = compiled.Records[i];
            if (rec.Word == word) used = true;
            for (float* arg : rec.Args) {
                if (cell && arg == cell) used = true;
            }
        }
        for (TExprWord* own : compiled.Constants) {
            auto* function = dynamic_cast<TSimpleStringFunction*>(own);
            if (function && (function->Arg1() == word || function->Arg2() == word)) used = true;
        }
    });
    return used;
}

void TCustomExpressionParser::CheckReplace(TExprWord* oldWord, const TExprWord* newWord) {
    // A generated variable that no expression uses holds nothing to keep:
    // any word may take its name (a stray name must not block, say, a
    // switch of the operator set).
    const bool unusedGenerated = dynamic_cast<TGeneratedVariable*>(oldWord) && !InUse(oldWord);
    if (unusedGenerated) return;
    if (newWord != nullptr ? oldWord->NFunctionArg() != newWord->NFunctionArg() : InUse(oldWord)) {
        throw Exception(kCannotReplace);
    }
}

void TCustomExpressionParser::ReplaceExprWord(TExprWord* oldWord, TExprWord* newWord) {
    CheckReplace(oldWord, newWord);
    if (newWord == nullptr) return;
    float* oldCell = oldWord->AsPointer();
    float* newCell = newWord->AsPointer();
    ForEachExpression([&](TCompiledExpression& compiled) {
        for (int32_t i = 0; i < compiled.RecordCount; ++i) {
            TExprRec& rec = compiled.Records[i];
            if (rec.Word == oldWord) {
                rec.Word = newWord;
                rec.Oper = newWord->ExprFunc();
            }
            if (oldCell) {
                for (float*& arg : rec.Args) {
                    if (arg == oldCell) arg = newCell;
                }
            }
        }
        for (TExprWord* word : compiled.Constants) {
            if (auto* function = dynamic_cast<TSimpleStringFunction*>(word)) {
                function->ReplaceArgument(oldWord, newWord);
            }
        }
    });
}

void TCustomExpressionParser::ForEachExpression(
    const std::function<void(TCompiledExpression&)>& visit) {
    if (ownCurrent_) visit(*ownCurrent_);
}

std::unique_ptr<TCompiledExpression> TCustomExpressionParser::Compile(std::string_view text) {
    auto compiled = std::make_unique<TCompiledExpression>();
    compiled->Text.assign(text);
    TCompiler(*this, text, *compiled).Run();
    return compiled;
}

int32_t TCustomExpressionParser::CompileExpression(std::string_view text) {
    if (text.empty()) return -1;
    ownCurrent_ = Compile(text);
    currentRec_ = ownCurrent_.get();
    return 0;
}

void TCustomExpressionParser::ClearExpressions() {
    ownCurrent_.reset();
    currentRec_ = nullptr;
}

float TCustomExpressionParser::Evaluate(std::string_view text) {
    if (text.empty()) return kNaN;
    CompileExpression(text);
    return CurrentValue();
}

float TCustomExpressionParser::CurrentValue() {
    return currentRec_ ? currentRec_->Run() : kNaN;
}

void TCustomExpressionParser::GetGeneratedVars(std::vector<TGeneratedVariable*>& list) const {
    list.clear();
    for (TExprWord* word : wordsList_) {
        if (auto* generated = dynamic_cast<TGeneratedVariable*>(word)) list.push_back(generated);
    }
}

std::string TCustomExpressionParser::GetFunctionDescription(std::string_view name) const {
    name = name.substr(0, name.find('('));
    const TExprWord* word = wordsList_.Find(name);
    return word ? std::string(word->Description()) : std::string();
}

void TCustomExpressionParser::GetFunctionNames(std::vector<std::string>& names) const {
    for (const TExprWord* word : wordsList_) {
        if (word->Description().empty()) continue;
        std::string entry = word->Name();
        if (word->NFunctionArg() > 0) {
            entry += '(';
            entry.append(word->NFunctionArg() - 1, argSeparator_);
            entry += ')';
        }
        names.push_back(std::move(entry));
    }
}

// ---------------------------------------------------------------------------

TExpressionParser::TExpressionParser() {
    FillExpressList();
}

TExpressionParser::~TExpressionParser() = default;

void TExpressionParser::FillExpressList() {
    // The order matters only where a later word replaces an earlier one.
    auto op = [this](const char* name, TExprFunc routine, int args, int priority) {
        AddWord(std::make_unique<TFunction>(name, routine, args, true, priority));
    };
    auto boolOp = [this](const char* name, TExprFunc routine, int args, int priority) {
        AddWord(std::make_unique<TBooleanFunction>(name, routine, args, true, priority));
    };
    auto fn = [this](const char* name, TExprFunc routine, int args, const char* help) {
        AddWord(std::make_unique<TFunction>(name, help, routine, args));
    };
    auto varyingFn = [this](const char* name, TExprFunc routine, int args, const char* help) {
        AddWord(std::make_unique<TVaryingFunction>(name, help, routine, args));
    };

    AddWord(std::make_unique<TLeftBracket>());
    AddWord(std::make_unique<TRightBracket>());
    AddWord(std::make_unique<TComma>(ArgSeparator()));
    AddWord(std::make_unique<TConstant>("pi", kPi, "pi = 3.1415926535897932385"));
    varyingFn("random", &FuncRandom, 0, "random number between 0 and 1");
    varyingFn("random_int", &FuncRandomInt, 1, "random number between 0 and Argument1");
    op("!", &FuncFactorial, 1, 10);
    op("++", &FuncIncrement, 1, 5);
    op("--", &FuncDecrement, 1, 5);
    op("%", &FuncPercent, 1, 10);
    op("-@", &FuncNegate, 1, 10);
    op("+@", &FuncPlus, 1, 10);
    op("^", &FuncPower, 2, 20);
    op("^@", &FuncIntPower, 2, 20);
    op("*", &FuncMultiply, 2, 30);
    op("/", &FuncDivide, 2, 30);
    op("div", &FuncIntDiv, 2, 30);
    op("mod", &FuncMod, 2, 30);
    op("+", &FuncAdd, 2, 40);
    op("-", &FuncSubtract, 2, 40);
    boolOp(">", &FuncGreater, 2, 50);
    boolOp(">=", &FuncGreaterEqual, 2, 50);
    boolOp("<=", &FuncLessEqual, 2, 50);
    boolOp("<", &FuncLess, 2, 50);
    boolOp("<>", &FuncNotEqual, 2, 50);
    boolOp("=", &FuncEqual, 2, 50);
    boolOp("in", &FuncEqual, 2, 10);
    boolOp("not", &FuncNot, 1, 60);
    boolOp("or", &FuncOr, 2, 70);
    boolOp("and", &FuncAnd, 2, 70);
    boolOp("xor", &FuncXor, 2, 70);
    op(":=", &FuncAssign, 2, 200);
    fn("exp", &FuncExp, 1, "the value of e raised to the power of x");
    fn("if", &FuncIf, 3, "if x=True(or 1) then y else z");
    varyingFn("randg", &FuncRandG, 2, "draw from normal distrib. (mean=x, sd =y)");
    fn("sqr", &FuncSqr, 1, "the square of a number (x*x)");
    fn("sqrt", &FuncSqrt, 1, "the square root of a number");
    fn("abs", &FuncAbs, 1, "absolute value");
    fn("round", &FuncRound, 1, "round to the nearest integer");
    fn("trunc", &FuncTrunc, 1, "truncates a real number to an integer");
    fn("ln", &FuncLn, 1, "natural logarithm of x");
    fn("log10", &FuncLog10, 1, "logarithm base 10 of x");
    fn("logN", &FuncLogN, 2, "logarithm base x of y");
    fn("power", &FuncPower, 2, "power: x^y");
    fn("pow", &FuncPower, 2, "power: x^y");
    fn("intpower", &FuncIntPower, 2, "integer power: x^y");
    fn("max", &FuncMax, 2, "the maximum of both arguments");
    fn("min", &FuncMin, 2, "the minimum of both arguments");
    fn("sin", &FuncSin, 1, "sine of an angle in rad");
    fn("cos", &FuncCos, 1, "cosine of an angle in rad");
    fn("tan", &FuncTan, 1, "tangent of an angle in rad");
    fn("arcsin", &FuncArcSin, 1, "inverse sine in rad");
    fn("arccos", &FuncArcCos, 1, "inverse cosine in rad");
    fn("arctan2", &FuncArcTan2, 2, "inverse tangent (x/y) in rad");
    fn("arctan", &FuncArcTan, 1, "inverse tangent (x/y) in rad");
    fn("sinh", &FuncSinh, 1, "hyperbolic sine of an angle in rad");
    fn("cosh", &FuncCosh, 1, "hyperbolic sine of an angle in rad");
    fn("tanh", &FuncTanh, 1, "hyperbolic tangent of an angle in rad");
    fn("arcsinh", &FuncArcSinh, 1, "inverse sine in rad");
    fn("arccosh", &FuncArcCosh, 1, "inverse hyperbolic cosine in rad");
    fn("arctanh", &FuncArcTanh, 1, "inverse hyperbolic tangent in rad");
    fn("degtorad", &FuncDegToRad, 1, "conversion of degrees to radians");
    fn("radtodeg", &FuncRadToDeg, 1, "conversion of rad to degrees");
    DefineStringFunction("pos", "Position in of substring in string", &StrPos);
}

void TExpressionParser::ForEachExpression(const std::function<void(TCompiledExpression&)>& visit) {
    TCustomExpressionParser::ForEachExpression(visit);
    for (auto& compiled : expressions_) visit(*compiled);
}

int32_t TExpressionParser::CompileExpression(std::string_view text) {
    if (text.empty()) return -1;
    std::unique_ptr<TCompiledExpression> compiled = Compile(text);
    currentRec_ = compiled.get();
    expressions_.push_back(std::move(compiled));
    currentIndex_ = GetExpressionCount() - 1;
    return currentIndex_;
}

void TExpressionParser::ClearExpressions() {
    TCustomExpressionParser::ClearExpressions();
    expressions_.clear();
    currentIndex_ = -1;
}

void TExpressionParser::RemoveExpression(int32_t index) {
    if (index < 0 || index >= GetExpressionCount()) return;
    if (currentIndex_ == index) {
        currentIndex_ = -1;
        currentRec_ = nullptr;
    } else if (currentIndex_ > index) {
        --currentIndex_;
    }
    expressions_.erase(expressions_.begin() + index);
}

TCompiledExpression* TExpressionParser::ExpressionAt(int32_t index) const {
    return index >= 0 && index < GetExpressionCount() ? expressions_[index].get() : nullptr;
}

bool TExpressionParser::SetExpressionLines(std::string_view text) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(start, end - start));
        if (!line.empty() && line.substr(0, 2) != "//") {
            if (CompileExpression(line) < 0) {
                ClearExpressions();
                return false;
            }
        }
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n') {
            ++end;
        }
        start = end + 1;
    }
    return true;
}

float TExpressionParser::Execute() {
    float value = 0;
    for (auto& compiled : expressions_) value = compiled->Run();
    return value;
}

float TExpressionParser::EvaluateExpression(int32_t index) {
    TCompiledExpression* compiled = ExpressionAt(index);
    if (compiled == nullptr) return kNaN;
    currentIndex_ = index;
    currentRec_ = compiled;
    return compiled->Run();
}

bool TExpressionParser::AsBoolean(int32_t index) {
    TCompiledExpression* compiled = ExpressionAt(index);
    float value = EvaluateExpression(index);
    if (compiled == nullptr || compiled->Tail().Word->ResultType() != kBooleanResult) {
        Fail("Expression is not boolean");
    }
    return value >= 0.1f || value <= -0.1f;
}

std::string TExpressionParser::AsString(int32_t index) {
    TCompiledExpression* compiled = ExpressionAt(index);
    float value = EvaluateExpression(index);
    if (compiled && compiled->Tail().Word->ResultType() == kBooleanResult) {
        if (value > -0.1f && value < 0.1f) return "False";
        if (value > 0.9f && value < 1.1f) return "True";
    }
    return GeneralText(value);
}

std::string TExpressionParser::AsHexadecimal(int32_t index) {
    int64_t value = SaturatingRound<int64_t>(EvaluateExpression(index));
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<uint64_t>(value), 16);
    return std::string(1, HexChar()) + std::string(buffer, result.ptr);
}

std::string TExpressionParser::GetExpression(int32_t index) const {
    const TCompiledExpression* compiled = ExpressionAt(index);
    return compiled ? compiled->Text : std::string();
}

int32_t TExpressionParser::NumberOfOperations(int32_t index) const {
    const TCompiledExpression* compiled = ExpressionAt(index);
    if (compiled == nullptr) return 0;
    int32_t count = 0;
    for (int32_t i = 0; i < compiled->RecordCount; ++i) {
        if (!compiled->Records[i].Word->IsOperand()) ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------

TCStyleParser::TCStyleParser() : TExpressionParser(TNoFill{}) {
    FillExpressList();
}

void TCStyleParser::FillExpressList() {
    TExpressionParser::FillExpressList();
    SetCStyle(true);
}

void TCStyleParser::SetCStyle(bool on) {
    if (on == cStyle_) return;
    // The only word that could stop the switch half-way is a generated
    // variable, in use, under a name of the other set: refuse before any
    // change.
    static const char* const kCStyleNames[] = {"fact", "perc", "%",  "||", "&&",
                                               "==",   "=",    "!=", "!"};
    static const char* const kDefaultNames[] = {"not", "!",   "div", "mod", "%",
                                                "or",  "and", ":=",  "=",   "<>"};
    for (const char* name : on ? std::span<const char* const>(kCStyleNames)
                               : std::span<const char* const>(kDefaultNames)) {
        TExprWord* word = WordsList().Find(name);
        if (dynamic_cast<TGeneratedVariable*>(word) && InUse(word)) throw Exception(kCannotReplace);
    }
    cStyle_ = on;
    auto op = [](const char* name, TExprFunc routine, int args, int priority) {
        return std::make_unique<TFunction>(name, routine, args, true, priority);
    };
    auto boolOp = [](const char* name, TExprFunc routine, int args, int priority) {
        return std::make_unique<TBooleanFunction>(name, routine, args, true, priority);
    };
    auto fn = [](const char* name, const char* help, TExprFunc routine, int args) {
        return std::make_unique<TFunction>(name, help, routine, args);
    };
    // Names move between meanings ("%", "=", "!"): each is freed before it
    // is registered again, hence the two orders.
    if (on) {
        ReplaceWord("!", fn("fact", "factorial", &FuncFactorial, 1));
        ReplaceWord("div", fn("div", "integer division", &FuncIntDiv, 2));
        ReplaceWord("%", fn("perc", "percentage", &FuncPercent, 1));
        ReplaceWord("mod", op("%", &FuncMod, 2, 30));
        ReplaceWord("or", boolOp("||", &FuncOr, 2, 70));
        ReplaceWord("and", boolOp("&&", &FuncAnd, 2, 70));
        ReplaceWord("=", boolOp("==", &FuncEqual, 2, 50));
        ReplaceWord(":=", op("=", &FuncAssign, 2, 200));
        ReplaceWord("<>", boolOp("!=", &FuncNotEqual, 2, 50));
        ReplaceWord("not", boolOp("!", &FuncNot, 1, 60));
    } else {
        ReplaceWord("!", boolOp("not", &FuncNot, 1, 60));
        ReplaceWord("fact", op("!", &FuncFactorial, 1, 10));
        ReplaceWord("div", op("div", &FuncIntDiv, 2, 30));
        ReplaceWord("%", op("mod", &FuncMod, 2, 30));
        ReplaceWord("perc", op("%", &FuncPercent, 1, 10));
        ReplaceWord("||", boolOp("or", &FuncOr, 2, 70));
        ReplaceWord("&&", boolOp("and", &FuncAnd, 2, 70));
        ReplaceWord("=", op(":=", &FuncAssign, 2, 200));
        ReplaceWord("==", boolOp("=", &FuncEqual, 2, 50));
        ReplaceWord("!=", boolOp("<>", &FuncNotEqual, 2, 50));
    }
}
