#include "Conditionals.h"

#include <cmath>
#include <optional>

#include "PascalLexer.h"

namespace ink {

namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

QByteArray upper(QByteArrayView text) {
    return text.toByteArray().toUpper();
}

// The first word of a directive's argument: `{$IFDEF DEBUG  remark}` asks
// about DEBUG.
QByteArrayView firstWord(QByteArrayView text) {
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    qsizetype end = start;
    while (end < text.size() && (isLetter(text[end]) || isDigit(text[end])))
        ++end;
    return text.sliced(start, end - start);
}

// A value of a constant expression. Unknown is what the defines cannot tell
// (declared(), a constant of the unit): the other side of an `and` or `or`
// may still decide. Invalid is what the compiler would refuse (a division by
// zero, a function it does not have, broken text, nesting beyond any real
// code): it decides nothing, whatever stands beside it, so the whole
// condition is left undecided and counted so.
struct Value {
    enum class Kind { Unknown, Invalid, Boolean, Number, Text } kind = Kind::Unknown;
    bool boolean = false;
    double number = 0;
    QByteArray text;

    static Value of(Truth truth) {
        if (truth == Truth::Unknown)
            return {};
        return {Kind::Boolean, truth == Truth::True, 0, {}};
    }
    static Value of(bool b) { return {Kind::Boolean, b, 0, {}}; }
    static Value invalid() { return {Kind::Invalid, false, 0, {}}; }
    static Value of(double n) { return {Kind::Number, false, n, {}}; }
    bool isIntegral() const {
        return kind == Kind::Number && std::isfinite(number) && number == std::trunc(number) &&
               std::fabs(number) < 9.0e15;
    }
};

// Reads an expression the way Pascal parses one: relations bind loosest,
// then `+ - or xor`, then `* / div mod and shl shr`, then `not` and signs.
// Anything it does not understand makes it Unknown, never an error.
class ExpressionReader {
public:
    ExpressionReader(QByteArrayView text, const CompilerDefines& defines)
        : text_(text), defines_(defines) {}

    Truth evaluate() {
        const Value value = expression();
        skipBlanks();
        if (invalid_ || pos_ < text_.size() || value.kind != Value::Kind::Boolean)
            return Truth::Unknown;
        return value.boolean ? Truth::True : Truth::False;
    }

private:
    // Parentheses nested deeper than this in a directive are no real code;
    // the limit keeps a hostile file from exhausting the stack.
    static constexpr int MaxDepth = 64;

    void skipBlanks() {
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
    }
    char peek() {
        skipBlanks();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    // Takes the symbol `symbol` (one or two characters) when it comes next.
    bool takeSymbol(QByteArrayView symbol) {
        skipBlanks();
        if (!text_.sliced(pos_).startsWith(symbol))
            return false;
        // `<` is not `<=` or `<>`, `>` not `>=`.
        if (symbol.size() == 1 && (symbol[0] == '<' || symbol[0] == '>') &&
            pos_ + 1 < text_.size() && (text_[pos_ + 1] == '=' || text_[pos_ + 1] == '>'))
            return false;
        pos_ += symbol.size();
        return true;
    }
    QByteArrayView peekWord() {
        skipBlanks();
        qsizetype end = pos_;
        if (end < text_.size() && isLetter(text_[end]))
            while (end < text_.size() && (isLetter(text_[end]) || isDigit(text_[end])))
                ++end;
        return text_.sliced(pos_, end - pos_);
    }
    bool takeWord(QByteArrayView word) {
        if (peekWord().compare(word, Qt::CaseInsensitive) != 0)
            return false;
        pos_ += word.size();
        return true;
    }

    // Gives up on the whole expression: no side of it can decide any more.
    Value fail() {
        invalid_ = true;
        pos_ = text_.size();
        return Value::invalid();
    }

    Value expression() {
        if (++depth_ > MaxDepth)
            return fail();
        Value left = simple();
        static constexpr QByteArrayView relations[] = {"<=", ">=", "<>", "=", "<", ">"};
        for (const QByteArrayView relation : relations) {
            if (takeSymbol(relation)) {
                left = compare(left, simple(), relation);
                break;
            }
        }
        if (takeWord("in"))
            left = {}; // set membership: no sets here
        --depth_;
        return left;
    }

    Value simple() {
        Value left = term();
        for (;;) {
            if (takeSymbol("+"))
                left = arithmetic(left, term(), '+');
            else if (takeSymbol("-"))
                left = arithmetic(left, term(), '-');
            else if (takeWord("or"))
                left = logical(left, term(), 'o');
            else if (takeWord("xor"))
                left = logical(left, term(), 'x');
            else
                return left;
        }
    }

    Value term() {
        Value left = factor();
        for (;;) {
            if (takeSymbol("*"))
                left = arithmetic(left, factor(), '*');
            else if (takeSymbol("/"))
                left = arithmetic(left, factor(), '/');
            else if (takeWord("div"))
                left = arithmetic(left, factor(), 'd');
            else if (takeWord("mod"))
                left = arithmetic(left, factor(), 'm');
            else if (takeWord("and"))
                left = logical(left, factor(), 'a');
            else if (takeWord("shl") || takeWord("shr"))
                left = (factor(), Value{});
            else
                return left;
        }
    }

    Value factor() {
        if (++depth_ > MaxDepth)
            return fail();
        Value value = primary();
        --depth_;
        return value;
    }

    Value primary() {
        const char c = peek();
        if (c == '(') {
            ++pos_;
            Value inner = expression();
            if (!takeSymbol(")"))
                return fail();
            return inner;
        }
        if (c == '+' || c == '-') {
            ++pos_;
            const Value operand = factor();
            if (operand.kind == Value::Kind::Unknown)
                return {};
            if (operand.kind != Value::Kind::Number)
                return fail();
            return Value::of(c == '-' ? -operand.number : operand.number);
        }
        if (isDigit(c) || c == '$')
            return number();
        if (c == '\'')
            return text();
        const QByteArrayView word = peekWord();
        if (word.isEmpty())
            return fail(); // a character no expression holds
        pos_ += word.size();
        if (word.compare("not", Qt::CaseInsensitive) == 0) {
            const Value operand = factor();
            if (operand.kind == Value::Kind::Boolean)
                return Value::of(!operand.boolean);
            return {};
        }
        if (word.compare("true", Qt::CaseInsensitive) == 0)
            return Value::of(true);
        if (word.compare("false", Qt::CaseInsensitive) == 0)
            return Value::of(false);
        const bool definedCall = word.compare("defined", Qt::CaseInsensitive) == 0;
        if (definedCall || word.compare("undefined", Qt::CaseInsensitive) == 0) {
            if (!takeSymbol("("))
                return fail();
            const QByteArrayView name = peekWord();
            pos_ += name.size();
            if (name.isEmpty() || !takeSymbol(")"))
                return fail();
            return Value::of(defines_.isDefined(name) == definedCall);
        }
        if (peek() == '(') {
            // declared(), sizeof(), high(), a typecast: nothing the defines
            // say. A function no compiler has makes the directive an error.
            if (!skipCall())
                return fail();
            return isKnownFunction(word) ? Value{} : fail();
        }
        const auto constant = defines_.constants.constFind(upper(word));
        if (constant != defines_.constants.cend())
            return Value::of(*constant);
        return {};
    }

    // Passes over a call's parentheses; false when they are never closed.
    bool skipCall() {
        int depth = 0;
        for (; pos_ < text_.size(); ++pos_) {
            if (text_[pos_] == '(') {
                ++depth;
            } else if (text_[pos_] == ')' && --depth == 0) {
                ++pos_;
                return true;
            }
        }
        return false;
    }

    // What a constant expression of Delphi or Free Pascal may call: their
    // compile-time functions and typecasts to the ordinal types.
    static bool isKnownFunction(QByteArrayView name) {
        static constexpr QByteArrayView known[] = {
            "declared",  "sizeof",     "high",     "low",      "ord",      "succ",     "pred",
            "abs",       "odd",        "chr",      "length",   "round",    "trunc",    "hi",
            "lo",        "swap",       "option",   "typeof",   "integer",  "cardinal", "byte",
            "word",      "longint",    "longword", "shortint", "smallint", "int64",    "uint64",
            "nativeint", "nativeuint", "boolean",  "char",     "pointer"};
        for (const QByteArrayView function : known)
            if (name.compare(function, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }

    Value number() {
        const qsizetype start = pos_;
        bool ok = false;
        double value = 0;
        if (text_[pos_] == '$') {
            ++pos_;
            while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_])))
                ++pos_;
            value =
                double(text_.sliced(start + 1, pos_ - start - 1).toByteArray().toLongLong(&ok, 16));
        } else {
            while (pos_ < text_.size() && (isDigit(text_[pos_]) || text_[pos_] == '.' ||
                                           text_[pos_] == 'e' || text_[pos_] == 'E'))
                ++pos_;
            value = text_.sliced(start, pos_ - start).toByteArray().toDouble(&ok);
        }
        return ok ? Value::of(value) : fail();
    }

    Value text() {
        QByteArray value;
        ++pos_;
        for (; pos_ < text_.size(); ++pos_) {
            if (text_[pos_] != '\'') {
                value += text_[pos_];
            } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                value += '\'';
                ++pos_;
            } else {
                ++pos_;
                return {Value::Kind::Text, false, 0, value};
            }
        }
        return fail(); // never closed
    }

    // Invalid before Unknown: an error beside an unknown is still an error.
    static std::optional<Value> eitherNotKnown(const Value& left, const Value& right) {
        using Kind = Value::Kind;
        if (left.kind == Kind::Invalid || right.kind == Kind::Invalid)
            return Value::invalid();
        if (left.kind == Kind::Unknown || right.kind == Kind::Unknown)
            return Value{};
        return std::nullopt;
    }

    Value compare(const Value& left, const Value& right, QByteArrayView relation) {
        int order = 0;
        if (const std::optional<Value> notKnown = eitherNotKnown(left, right))
            return *notKnown;
        if (left.kind != right.kind)
            return fail(); // 1 = 'a'
        if (left.kind == Value::Kind::Number)
            order = left.number < right.number ? -1 : left.number > right.number ? 1 : 0;
        else if (left.kind == Value::Kind::Boolean)
            order = int(left.boolean) - int(right.boolean);
        else
            order = left.text.compare(right.text, Qt::CaseInsensitive);
        if (relation == "=")
            return Value::of(order == 0);
        if (relation == "<>")
            return Value::of(order != 0);
        if (relation == "<")
            return Value::of(order < 0);
        if (relation == ">")
            return Value::of(order > 0);
        if (relation == "<=")
            return Value::of(order <= 0);
        return Value::of(order >= 0);
    }

    Value arithmetic(const Value& left, const Value& right, char op) {
        if (const std::optional<Value> notKnown = eitherNotKnown(left, right))
            return *notKnown;
        if (left.kind != Value::Kind::Number || right.kind != Value::Kind::Number)
            return fail();
        switch (op) {
        case '+':
            return Value::of(left.number + right.number);
        case '-':
            return Value::of(left.number - right.number);
        case '*':
            return Value::of(left.number * right.number);
        case '/':
            return right.number == 0 ? fail() : Value::of(left.number / right.number);
        default: // div, mod: whole numbers only
            if (!left.isIntegral() || !right.isIntegral() || right.number == 0)
                return fail();
            const auto a = static_cast<long long>(left.number);
            const auto b = static_cast<long long>(right.number);
            return Value::of(double(op == 'd' ? a / b : a % b));
        }
    }

    // Three-valued: an unknown side does not matter when the other decides;
    // an invalid one always does.
    Value logical(const Value& left, const Value& right, char op) {
        using Kind = Value::Kind;
        if (left.kind == Kind::Invalid || right.kind == Kind::Invalid)
            return fail();
        if (left.kind == Kind::Number || right.kind == Kind::Number) {
            if (left.kind == Kind::Unknown || right.kind == Kind::Unknown)
                return {};
            if (!left.isIntegral() || !right.isIntegral())
                return fail();
            const auto a = static_cast<long long>(left.number);
            const auto b = static_cast<long long>(right.number);
            return Value::of(double(op == 'a' ? (a & b) : op == 'o' ? (a | b) : (a ^ b)));
        }
        const bool leftKnown = left.kind == Kind::Boolean;
        const bool rightKnown = right.kind == Kind::Boolean;
        if ((!leftKnown && left.kind != Kind::Unknown) ||
            (!rightKnown && right.kind != Kind::Unknown))
            return fail(); // a text
        if (op == 'a' && ((leftKnown && !left.boolean) || (rightKnown && !right.boolean)))
            return Value::of(false);
        if (op == 'o' && ((leftKnown && left.boolean) || (rightKnown && right.boolean)))
            return Value::of(true);
        if (!leftKnown || !rightKnown)
            return {};
        if (op == 'a')
            return Value::of(left.boolean && right.boolean);
        if (op == 'o')
            return Value::of(left.boolean || right.boolean);
        return Value::of(left.boolean != right.boolean);
    }

    QByteArrayView text_;
    const CompilerDefines& defines_;
    qsizetype pos_ = 0;
    int depth_ = 0;
    bool invalid_ = false;
};

// The long names of the switches {$IFOPT} asks by letter.
char switchLetter(QByteArrayView name) {
    static constexpr struct {
        QByteArrayView name;
        char letter;
    } longNames[] = {{"RANGECHECKS", 'R'},    {"OVERFLOWCHECKS", 'Q'}, {"IOCHECKS", 'I'},
                     {"BOOLEVAL", 'B'},       {"TYPEDADDRESS", 'T'},   {"EXTENDEDSYNTAX", 'X'},
                     {"LONGSTRINGS", 'H'},    {"ASSERTIONS", 'C'},     {"DEBUGINFO", 'D'},
                     {"OPTIMIZATION", 'O'},   {"WRITEABLECONST", 'J'}, {"OPENSTRINGS", 'P'},
                     {"STACKFRAMES", 'W'},    {"LOCALSYMBOLS", 'L'},   {"TYPEINFO", 'M'},
                     {"VARSTRINGCHECKS", 'V'}};
    for (const auto& entry : longNames)
        if (name.compare(entry.name, Qt::CaseInsensitive) == 0)
            return entry.letter;
    return '\0';
}

} // namespace

void CompilerDefines::define(QByteArrayView name) {
    if (!name.isEmpty())
        symbols.insert(upper(name));
}

void CompilerDefines::undefine(QByteArrayView name) {
    symbols.remove(upper(name));
}

bool CompilerDefines::isDefined(QByteArrayView name) const {
    return symbols.contains(upper(name));
}

Truth EvaluateCondition(QByteArrayView expression, const CompilerDefines& defines) {
    return ExpressionReader(expression, defines).evaluate();
}

Truth ConditionalCompilation::condition(QByteArrayView name, QByteArrayView argument) const {
    const auto is = [&](QByteArrayView word) {
        return name.compare(word, Qt::CaseInsensitive) == 0;
    };
    if (is("ifdef") || is("ifndef")) {
        const QByteArrayView symbol = firstWord(argument);
        if (symbol.isEmpty())
            return Truth::Unknown;
        return defines_.isDefined(symbol) == is("ifdef") ? Truth::True : Truth::False;
    }
    if (is("ifopt")) {
        // `{$IFOPT R+}`: one letter and its state.
        const QByteArrayView option = argument.trimmed();
        if (option.size() < 2 || !isLetter(option[0]) || (option[1] != '+' && option[1] != '-'))
            return Truth::Unknown;
        const auto state = defines_.switches.constFind(char(std::toupper(option[0])));
        if (state == defines_.switches.cend())
            return Truth::Unknown;
        return *state == (option[1] == '+') ? Truth::True : Truth::False;
    }
    return EvaluateCondition(argument, defines_); // {$IF}, {$ELSEIF}
}

void ConditionalCompilation::open(Truth truth) {
    if (skipping()) {
        // Inside code the compiler skips, nothing is decided or counted.
        open_.push_back({false, true, true, false});
        return;
    }
    if (truth == Truth::Unknown) {
        ++counts_.guessed;
        open_.push_back({true, true, false, definesCount()});
        return;
    }
    ++counts_.decided;
    const bool taken = truth == Truth::True;
    open_.push_back({false, taken, !taken, taken && definesCount()});
}

void ConditionalCompilation::nextBranch(Truth truth) {
    Frame& frame = open_.back();
    const bool outerDefinesCount = open_.size() < 2 || open_[open_.size() - 2].definesCount;
    if (outerSkipping())
        return;
    if (frame.guessed) {
        // Read as before, but not compiled in the reading's own terms.
        frame.skipping = false;
        frame.definesCount = false;
        return;
    }
    if (frame.taken) {
        frame.skipping = true;
        frame.definesCount = false;
        return;
    }
    if (truth == Truth::Unknown) {
        // No branch before it was compiled, and this one may be: from here
        // on the conditional is read as an undecided one.
        --counts_.decided;
        ++counts_.guessed;
        frame = {true, true, false, outerDefinesCount};
        return;
    }
    frame.taken = truth == Truth::True;
    frame.skipping = !frame.taken;
    frame.definesCount = frame.taken && outerDefinesCount;
}

void ConditionalCompilation::dropInnermost(int count) {
    while (count-- > 0 && !open_.empty())
        open_.pop_back();
}

void ConditionalCompilation::setSwitches(QByteArrayView body) {
    // `$R+`, `$R+,Q-`: letters with their states, as many as given.
    for (qsizetype at = 0; at + 1 < body.size();) {
        if (!isLetter(body[at]) || (body[at + 1] != '+' && body[at + 1] != '-'))
            return;
        defines_.switches[char(std::toupper(body[at]))] = body[at + 1] == '+';
        at += 2;
        if (at < body.size() && body[at] == ',')
            ++at;
        while (at < body.size() && isBlank(body[at]))
            ++at;
        if (at < body.size() && body[at] == '$')
            ++at;
    }
}

ConditionalCompilation::Effect ConditionalCompilation::take(QByteArrayView directive) {
    const QByteArrayView body = PascalLexer::commentBody(directive);
    if (!body.startsWith('$'))
        return Effect::Other;
    qsizetype nameEnd = 1;
    while (nameEnd < body.size() && isLetter(body[nameEnd]))
        ++nameEnd;
    const QByteArrayView name = body.sliced(1, nameEnd - 1);
    const QByteArrayView argument = body.sliced(nameEnd);
    const auto is = [&](QByteArrayView word) {
        return name.compare(word, Qt::CaseInsensitive) == 0;
    };
    if (is("if") || is("ifdef") || is("ifndef") || is("ifopt")) {
        open(skipping() ? Truth::Unknown : condition(name, argument));
        return open_.back().guessed ? Effect::OpensAlternatives : Effect::Decided;
    }
    if (is("else") || is("elseif")) {
        if (open_.empty())
            return Effect::Other;
        const Frame& frame = open_.back();
        const bool wasGuessed = frame.guessed;
        // An {$ELSEIF} is evaluated only when no branch before it was compiled.
        Truth truth = Truth::True;
        if (is("elseif"))
            truth = !frame.guessed && !frame.taken && !outerSkipping() ? condition(name, argument)
                                                                       : Truth::False;
        nextBranch(truth);
        if (wasGuessed)
            return Effect::NextAlternative;
        return open_.back().guessed ? Effect::OpensAlternatives : Effect::Decided;
    }
    if (is("endif") || is("ifend")) {
        if (open_.empty())
            return Effect::Other;
        const bool guessed = open_.back().guessed;
        open_.pop_back();
        return guessed ? Effect::ClosesAlternatives : Effect::Decided;
    }
    if (skipping() || !definesCount())
        return Effect::Other;
    if (is("define")) {
        // FPC's `{$DEFINE X := 3}` gives a value as well.
        const QByteArrayView symbol = firstWord(argument);
        defines_.define(symbol);
        const qsizetype assign = argument.indexOf(":=");
        if (assign >= 0) {
            bool ok = false;
            const double value = argument.sliced(assign + 2).trimmed().toByteArray().toDouble(&ok);
            if (ok)
                defines_.constants.insert(upper(symbol), value);
        }
    } else if (is("undef")) {
        defines_.undefine(firstWord(argument));
        defines_.constants.remove(upper(firstWord(argument)));
    } else if (is("mode")) {
        // FPC names the language mode it compiles in.
        static constexpr QByteArrayView modeSymbols[] = {
            "FPC_DELPHI", "FPC_OBJFPC", "FPC_TP", "FPC_MACPAS", "FPC_ISO", "FPC_UNICODESTRINGS"};
        for (const QByteArrayView symbol : modeSymbols)
            defines_.undefine(symbol);
        const QByteArray mode = upper(firstWord(argument));
        if (mode == "DELPHI" || mode == "DELPHIUNICODE")
            defines_.define("FPC_DELPHI");
        if (mode == "DELPHIUNICODE") {
            defines_.define("FPC_UNICODESTRINGS");
            defines_.define("UNICODE");
        }
        if (mode == "OBJFPC" || mode == "TP" || mode == "MACPAS" || mode == "ISO")
            defines_.define("FPC_" + mode);
    } else if (const char letter = switchLetter(name)) {
        const QByteArray state = upper(firstWord(argument));
        if (state == "ON" || state == "OFF")
            defines_.switches[letter] = state == "ON";
    } else if (name.size() == 1) {
        setSwitches(body.sliced(1));
    }
    return Effect::Other;
}

} // namespace ink
