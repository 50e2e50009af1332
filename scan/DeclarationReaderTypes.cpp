#include "DeclarationReader.h"

namespace ink {

namespace {

// What may follow a procedural type's semicolon and still belong to it.
constexpr std::array<QByteArrayView, 11> callingConventions{
    "cdecl",    "cppdecl",  "far",     "mwpascal", "near",      "pascal",
    "register", "safecall", "stdcall", "winapi",   "vectorcall"};

} // namespace

// `Name[<T>] = ...;` in a type section.
void DeclarationReader::typeDeclaration(const QString& visibility) {
    between_ = false;
    const auto where = branches();
    startRecording();
    if (isSym('&'))
        advance();
    const Token nameToken = cur_.token;
    Declaration d;
    d.name = nameText(nameToken);
    d.visibility = visibility;
    place(d, nameToken.begin);
    advance();
    // `TList = class` and `TList<T> = class` are two types; so are
    // `TPair<K, V>` and `TPair<T>`.
    if (isSym('<'))
        d.overloadKey = QStringLiteral("<%1>").arg(skipAngles());
    if (!isSym('=')) {
        recording_ = false;
        between_ = true;
        return; // not a declaration after all
    }
    advance();
    if (is("type"))
        advance();
    if (is("packed") || is("bitpacked"))
        advance();
    const bool structured = is("class") || is("record") || is("object") || is("interface") ||
                            is("dispinterface") || is("objcclass") || is("objcprotocol") ||
                            is("objccategory") || is("cppclass");
    // Types nest by recursion here; no real unit nests more than a few
    // deep, and a text that nests thousands deep must not exhaust the
    // stack. Past the limit a structure reads as a plain type.
    if (structured && depth_ < maxNesting) {
        structure(d, where);
        return;
    }
    if (is("specialize"))
        advance();
    if (is("procedure") || is("function") || is("reference")) {
        proceduralType(d, where);
        return;
    }
    d.kind = DeclKind::Type;
    skipTypeTo();
    finishPlain(d, where);
}

// Returns the number of type parameters.
int DeclarationReader::skipAngles() {
    int depth = 0;
    int parameters = 1;
    while (!atEnd()) {
        if (depth == 1 && (isSym(',') || isSym(';'))) {
            ++parameters;
        } else if (isSym('<')) {
            ++depth;
        } else if (isSym('>')) {
            if (--depth <= 0) {
                advance();
                return parameters;
            }
        } else if (isSym('=') || is("end")) {
            return parameters;
        }
        advance();
    }
    return parameters;
}

// Passes a type (or a value) up to what ends it at this level: a ';', or an
// unmatched ')' or `end` of the record it is the last field of. Record and
// object types inside it are passed whole.
void DeclarationReader::skipTypeTo() {
    int depth = 0;
    bool afterOf = false; // `of object` is no object type
    while (!atEnd()) {
        const bool of = is("of");
        if (isSym('(') || isSym('[')) {
            ++depth;
        } else if (isSym(')') || isSym(']')) {
            if (depth == 0)
                return;
            --depth;
        } else if (depth == 0 && isSym(';')) {
            return;
        } else if (depth == 0 && is("end")) {
            return;
        } else if (is("record") || (is("object") && !afterOf)) {
            advance();
            skipToMatchingEnd();
            afterOf = false;
            continue;
        }
        afterOf = of;
        advance();
    }
}

void DeclarationReader::skipToMatchingEnd() {
    int depth = 1;
    while (!atEnd()) {
        if (is("record") || is("object")) {
            ++depth;
        } else if (is("end")) {
            if (--depth == 0) {
                advance();
                return;
            }
        }
        advance();
    }
}

// The hint directives at the end of the recorded text (and of the tokens
// before the ';'), taken from what was recorded.
QString DeclarationReader::trailingHints(QString& text) {
    static const QStringList words{QStringLiteral("deprecated"), QStringLiteral("platform"),
                                   QStringLiteral("experimental"), QStringLiteral("library"),
                                   QStringLiteral("unimplemented")};
    QStringList hints;
    QString rest = text.trimmed();
    for (;;) {
        bool found = false;
        for (const QString& word : words) {
            if (rest.endsWith(word, Qt::CaseInsensitive)) {
                const qsizetype at = rest.size() - word.size();
                if (at > 0 && !rest[at - 1].isSpace() && rest[at - 1] != u')')
                    continue;
                hints.prepend(rest.mid(at));
                rest = rest.left(at).trimmed();
                found = true;
                break;
            }
        }
        if (!found && rest.endsWith(u'\'')) {
            // `deprecated 'Use Y instead'`
            const qsizetype open = rest.lastIndexOf(u'\'', rest.size() - 2);
            const QString head = open > 0 ? rest.left(open).trimmed() : QString();
            if (head.endsWith(QStringLiteral("deprecated"), Qt::CaseInsensitive) &&
                (head.size() == 10 || head[head.size() - 11].isSpace())) {
                hints.prepend(head.right(10) + QLatin1Char(' ') + rest.mid(open));
                rest = head.left(head.size() - 10).trimmed();
                found = true;
            }
        }
        if (!found)
            break;
    }
    return hints.join(QLatin1Char(' '));
}

// Ends a declaration that stands before its ';' (types, constants,
// variables, fields): hints come out of its text.
void DeclarationReader::finishPlain(Declaration& d, const Branches& where) {
    QString text = stopRecording();
    const QString body = text;
    d.hints = trailingHints(text);
    d.text = body;
    if (isSym(';')) {
        d.text = withSemicolon(d.text);
        between_ = true;
        advance();
    }
    add(std::move(d), where);
}

// `procedure(...) of object; stdcall;`, `reference to function: Integer`.
void DeclarationReader::proceduralType(Declaration& d, const Branches& where) {
    d.kind = DeclKind::Type;
    skipTypeTo();
    QString text = stopRecording();
    d.hints = trailingHints(text);
    d.text = text;
    if (isSym(';')) {
        d.text = withSemicolon(d.text);
        between_ = true;
        advance();
        QStringList directives;
        while (isAny(callingConventions) || is("varargs")) {
            between_ = false;
            startRecording();
            while (!atEnd() && !isSym(';'))
                advance();
            directives << stopRecording();
            d.text += QLatin1Char(' ') + directives.last() + QLatin1Char(';');
            between_ = true;
            if (!atEnd())
                advance();
        }
        d.directives = directives.join(QStringLiteral("; "));
    }
    add(std::move(d), where);
}

// `Name [: Type] = value;` in a const or resourcestring section.
void DeclarationReader::constant(DeclKind kind, const QString& visibility) {
    between_ = false;
    const auto where = branches();
    startRecording();
    if (isSym('&'))
        advance();
    Declaration d;
    d.kind = kind;
    d.name = nameText(cur_.token);
    d.visibility = visibility;
    place(d, cur_.token.begin);
    advance();
    if (!isSym('=') && !isSym(':')) {
        recording_ = false;
        between_ = true;
        return;
    }
    skipTypeTo();
    finishPlain(d, where);
}

// `A, B: Type [= value];` in a var or threadvar section or among fields.
void DeclarationReader::variables(Section section, const QString& visibility) {
    const Piece first = cur_;
    advance();
    fieldsFrom(first, section, visibility);
}

// Names from `first` (already consumed), then ': Type ...;'.
void DeclarationReader::fieldsFrom(const Piece& first, Section section, const QString& visibility) {
    between_ = false;
    const auto where = branches();
    startRecording();
    record(first);
    std::vector<Token> names{first.token};
    if (lexer().isSymbol(first.token, '&') && isIdent()) {
        names.back() = cur_.token;
        advance();
    }
    while (isSym(',')) {
        advance();
        if (isSym('&'))
            advance();
        if (isIdent()) {
            names.push_back(cur_.token);
            advance();
        }
    }
    if (!isSym(':')) {
        // Not a declaration: pass it.
        recording_ = false;
        while (!atEnd() && !isSym(';') && !is("end") && !isSym(')'))
            advance();
        between_ = true;
        if (isSym(';'))
            advance();
        return;
    }
    skipTypeTo();
    QString text = stopRecording();
    const QString hints = trailingHints(text);
    QString whole = text;
    if (isSym(';'))
        whole = withSemicolon(whole);
    DeclKind kind = DeclKind::Field;
    if (section == Section::Vars)
        kind = DeclKind::Var;
    else if (section == Section::ThreadVars)
        kind = DeclKind::ThreadVar;
    const bool isClassVar = section == Section::ClassVars;
    std::vector<Declaration> made;
    for (const Token& name : names) {
        Declaration d;
        d.kind = kind;
        d.name = nameText(name);
        d.text = whole;
        d.hints = hints;
        d.visibility = visibility;
        d.isClassMember = isClassVar;
        place(d, name.begin);
        made.push_back(std::move(d));
    }
    between_ = true;
    if (isSym(';')) {
        advance();
        // FPC's `X: Integer; cvar; external;`
        if (parent_ < 0) {
            QStringList directives;
            while ((is("cvar") || is("external") || is("export")) && !atEnd()) {
                between_ = false;
                startRecording();
                while (!atEnd() && !isSym(';'))
                    advance();
                directives << stopRecording();
                between_ = true;
                if (!atEnd())
                    advance();
            }
            for (Declaration& d : made) {
                d.directives = directives.join(QStringLiteral("; "));
                for (const QString& directive : directives)
                    d.text += QLatin1Char(' ') + directive + QLatin1Char(';');
            }
        }
    }
    for (Declaration& d : made)
        add(std::move(d), where);
}

} // namespace ink
