#include "DeclarationReader.h"

#include <cctype>

namespace ink {

namespace {

// Words that follow a routine's header, after its semicolon, and belong to it.
constexpr std::array<QByteArrayView, 47> routineDirectives{
    "abstract",   "assembler",  "cdecl",    "compilerproc",   "cppdecl",          "cvar",
    "deprecated", "dispid",     "dynamic",  "experimental",   "export",           "external",
    "far",        "final",      "forward",  "hardfloat",      "inline",           "interrupt",
    "iocheck",    "library",    "local",    "message",        "ms_abi_cdecl",     "ms_abi_default",
    "mwpascal",   "near",       "noinline", "nostackframe",   "overload",         "override",
    "pascal",     "platform",   "register", "reintroduce",    "safecall",         "saveregisters",
    "softfloat",  "static",     "stdcall",  "sysv_abi_cdecl", "sysv_abi_default", "unimplemented",
    "varargs",    "vectorcall", "virtual",  "winapi",         "noreturn"};
constexpr std::array<QByteArrayView, 5> hintWords{"deprecated", "platform", "experimental",
                                                  "library", "unimplemented"};

} // namespace

// A procedure, function, constructor, destructor or operator, from its
// keyword (after `class`, when `isClass`) through its directives.
void DeclarationReader::routine(bool isClass) {
    between_ = false;
    const auto where = branches();
    startRecording();
    if (isClass)
        record(classWord_);
    Declaration d;
    d.isClassMember = isClass;
    d.visibility = contexts_.back().visibility;
    d.kind = routineKind();
    advance();
    if (isSym('&'))
        advance();
    if (!routineName(d))
        return;
    QString key;
    if (isSym('('))
        key = parameters(')');
    if (isSym(':')) {
        // The result; FPC's operators may name it: `operator + (a, b: T) r: T`.
        advance();
        const QByteArray result = resultType();
        if (d.kind == DeclKind::Operator)
            key += QLatin1Char(':') + caseFolded(DecodeSourceBytes(result, source_.encoding));
    } else if (d.kind == DeclKind::Operator && isIdent()) {
        advance();
        if (isSym(':')) {
            advance();
            key += QLatin1Char(':') + caseFolded(DecodeSourceBytes(resultType(), source_.encoding));
        }
    }
    while (!atEnd() && !isSym(';') && !endsHeader())
        advance(); // `of object` in odd places, and what no compiler takes
    d.overloadKey = key;
    QString text = stopRecording();
    if (isSym(';')) {
        text = withSemicolon(text);
        between_ = true;
        advance();
    }
    QStringList binding, hints;
    const std::optional<Piece> field = readDirectives(text, binding, hints);
    appendDirectives(d, text, binding, hints);
    add(std::move(d), where);
    if (field)
        fieldsFrom(*field, contexts_.back().section, contexts_.back().visibility);
}

// The kind the routine's keyword at the current token names.
DeclKind DeclarationReader::routineKind() const {
    if (is("procedure"))
        return DeclKind::Procedure;
    if (is("function"))
        return DeclKind::Function;
    if (is("constructor"))
        return DeclKind::Constructor;
    if (is("destructor"))
        return DeclKind::Destructor;
    return DeclKind::Operator;
}

// The routine's name, and where it stands. False when the header declares
// nothing of ours; the recording is then stopped.
bool DeclarationReader::routineName(Declaration& d) {
    if (d.kind == DeclKind::Operator) {
        // A name (`Implicit`) or an operator symbol (`+`, `:=`).
        QByteArray name;
        place(d, cur_.token.begin);
        while (!atEnd() && !isSym('(') && !isSym(';')) {
            name += text(cur_.token);
            advance();
            if (!name.isEmpty() &&
                (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
                break;
        }
        d.name = DecodeSourceBytes(name, source_.encoding);
        return true;
    }
    if (!isIdent()) {
        recording_ = false;
        between_ = true;
        return false;
    }
    d.name = nameText(cur_.token);
    place(d, cur_.token.begin);
    advance();
    // `procedure IFoo.Bar = DoBar;` maps an interface method: no
    // declaration. A qualified name elsewhere is not ours to list.
    bool qualified = false;
    while (isSym('.') || isSym('<')) {
        if (isSym('<')) {
            skipAngles();
            continue;
        }
        qualified = true;
        advance();
        if (isIdent()) {
            d.name = nameText(cur_.token);
            advance();
        }
    }
    if (isSym('=') || qualified) {
        recording_ = false;
        skipPast(';');
        return false;
    }
    return true;
}

// A result type as written, up to the header's ';' (or a word no header
// holds), runs of blanks made one.
QByteArray DeclarationReader::resultType() {
    QByteArray result;
    while (!atEnd() && !isSym(';') && !endsHeader()) {
        if (!result.isEmpty() && cur_.blankBefore)
            result += ' ';
        result += text(cur_.token);
        advance();
    }
    return result;
}

// The directives after a routine header's ';', each appended to `text` and
// to the binding directives or the hints. A member named like a directive
// (`Platform: string`) is no directive: it begins a field, and its first
// token is returned for the field to be read from.
std::optional<DeclarationReader::Piece>
DeclarationReader::readDirectives(QString& text, QStringList& binding, QStringList& hints) {
    while (isAny(routineDirectives) && !atEnd()) {
        const Piece word = cur_;
        between_ = false;
        startRecording();
        advance();
        if (isSym(':') || isSym(',')) {
            // Put back: this begins a field.
            recording_ = false;
            return word;
        }
        while (!atEnd() && !isSym(';') && !is("end") && !isSym('['))
            advance();
        QString directive = stopRecording();
        if (isHint(word))
            hints << directive;
        else
            binding << directive;
        text += QLatin1Char(' ') + directive;
        if (isSym(';')) {
            text += QLatin1Char(';');
            between_ = true;
            advance();
        }
        between_ = true;
    }
    return std::nullopt;
}

bool DeclarationReader::isHint(const Piece& word) const {
    return std::any_of(hintWords.begin(), hintWords.end(),
                       [&](QByteArrayView w) { return lexer().isWord(word.token, w); });
}

void DeclarationReader::appendDirectives(Declaration& d, const QString& text,
                                         const QStringList& binding, const QStringList& hints) {
    d.text = text;
    d.directives = binding.join(QStringLiteral("; "));
    d.hints = hints.join(QLatin1Char(' '));
}

// The parameter list from the current '(' or '[' through `closer`: the
// overload key of its types.
QString DeclarationReader::parameters(char closer) {
    advance();
    QStringList key;
    QByteArray mode, type;
    int names = 0;
    bool inType = false, inDefault = false;
    int depth = 0;
    const auto flush = [&] {
        const QByteArray t = type.trimmed();
        const QString piece = caseFolded(DecodeSourceBytes(
            mode.isEmpty() ? t : (t.isEmpty() ? mode : mode + ' ' + t), source_.encoding));
        for (int i = 0; i < qMax(names, 1); ++i)
            if (!piece.isEmpty() || names > 0)
                key << piece;
        mode.clear();
        type.clear();
        names = 0;
        inType = inDefault = false;
    };
    while (!atEnd()) {
        if (depth == 0 && lexer().isSymbol(cur_.token, closer)) {
            if (names > 0 || !type.isEmpty())
                flush();
            advance();
            break;
        }
        // A list never closed (a line cut short, in a branch no compiler
        // took) ends where a word that no list holds begins the next
        // declaration, as the routine scanner ends it.
        if (endsHeader())
            break;
        if (isSym('(') || isSym('[') || (inType && isSym('<'))) {
            ++depth;
        } else if (isSym(')') || isSym(']') || (inType && isSym('>'))) {
            --depth;
        }
        if (depth == 0 && isSym(';')) {
            flush();
            advance();
            continue;
        }
        if (!inType && depth == 0 && isSym(':')) {
            inType = true;
            advance();
            continue;
        }
        if (inType && depth == 0 && isSym('=')) {
            inDefault = true;
        }
        if (!inType) {
            if (isSym('[')) {
                skipBalanced(); // an attribute on the parameter
                --depth;
                continue;
            }
            if (names == 0 && mode.isEmpty() &&
                (is("const") || is("var") || is("out") || is("constref"))) {
                mode = text(cur_.token).toByteArray().toLower();
            } else if (isIdent()) {
                ++names;
            }
        } else if (!inDefault) {
            if (!type.isEmpty() && cur_.blankBefore)
                type += ' ';
            type += text(cur_.token);
        }
        advance();
    }
    return key.join(QLatin1Char(';'));
}

// `property Name[Index: Integer]: Type index 1 read Get write Set; default;`
void DeclarationReader::property(bool isClass) {
    between_ = false;
    const auto where = branches();
    startRecording();
    if (isClass)
        record(classWord_);
    advance(); // property
    if (isSym('&'))
        advance();
    Declaration d;
    d.kind = DeclKind::Property;
    d.isClassMember = isClass;
    d.visibility = contexts_.back().visibility;
    if (!isIdent()) {
        recording_ = false;
        between_ = true;
        return;
    }
    d.name = nameText(cur_.token);
    place(d, cur_.token.begin);
    advance();
    if (isSym('['))
        d.overloadKey = parameters(']');
    QStringList binding;
    while (!atEnd() && !isSym(';') && !endsHeader())
        advance();
    QString text = stopRecording();
    d.hints = trailingHints(text);
    if (isSym(';')) {
        text = withSemicolon(text);
        between_ = true;
        advance();
    }
    // `; default;` of an array property, and hints after the ';'.
    QStringList hints;
    if (!d.hints.isEmpty())
        hints << d.hints;
    while ((is("default") || isAny(hintWords)) && !atEnd()) {
        const Piece word = cur_;
        between_ = false;
        startRecording();
        advance();
        if (isSym(':') || isSym(',')) {
            recording_ = false;
            d.text = text;
            d.hints = hints.join(QLatin1Char(' '));
            d.directives = binding.join(QStringLiteral("; "));
            add(std::move(d), where);
            fieldsFrom(word, contexts_.back().section, contexts_.back().visibility);
            return;
        }
        while (!atEnd() && !isSym(';') && !is("end"))
            advance();
        const QString directive = stopRecording();
        if (lexer().isWord(word.token, "default"))
            binding << directive;
        else
            hints << directive;
        text += QLatin1Char(' ') + directive;
        if (isSym(';')) {
            text += QLatin1Char(';');
            between_ = true;
            advance();
        }
        between_ = true;
    }
    d.text = text;
    d.hints = hints.join(QLatin1Char(' '));
    d.directives = binding.join(QStringLiteral("; "));
    add(std::move(d), where);
}

} // namespace ink
