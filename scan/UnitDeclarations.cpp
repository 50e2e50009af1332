#include "UnitDeclarations.h"

#include <optional>
#include <string>
#include <vector>

#include "IncludeFiles.h"
#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"

#include <algorithm>
#include <array>
#include <QFileInfo>
#include <QHash>
#include <unordered_map>
#include <vector>

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
// What may follow a procedural type's semicolon and still belong to it.
constexpr std::array<QByteArrayView, 11> callingConventions{
    "cdecl",    "cppdecl",  "far",     "mwpascal", "near",      "pascal",
    "register", "safecall", "stdcall", "winapi",   "vectorcall"};

// Case-folded, quickly for the ASCII names that nearly all are: Qt's
// folding, which knows all of Unicode, takes a tenth of the reading.
QString Folded(const QString& text) {
    QString folded(text.size(), Qt::Uninitialized);
    QChar* out = folded.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return text.toCaseFolded();
        *out++ = QChar(u >= 'A' && u <= 'Z' ? char16_t(u + ('a' - 'A')) : u);
    }
    return folded;
}

// The text and its closing ';' in one block of their exact size: appending
// would allocate room to grow, which add() then gives back by another copy.
QString WithSemicolon(const QString& text) {
    QString whole(text.size() + 1, Qt::Uninitialized);
    std::copy(text.cbegin(), text.cend(), whole.begin());
    whole.back() = QLatin1Char(';');
    return whole;
}

// A name as a hash key, without regard to letter case, and without making
// a folded copy of it for each declaration.
struct NameKey {
    int parent; // the owner's index, as DeclarationReader::add keeps it
    QString name;
    bool operator==(const NameKey& other) const {
        return parent == other.parent && name.compare(other.name, Qt::CaseInsensitive) == 0;
    }
};
size_t qHash(const NameKey& key, size_t seed = 0) {
    size_t hash = seed ^ size_t(key.parent + 2) * 0x9E3779B97F4A7C15ULL;
    for (const QChar c : key.name) {
        const char16_t u = c.unicode();
        const char16_t folded = u < 0x80 ? (u >= 'A' && u <= 'Z' ? char16_t(u + ('a' - 'A')) : u)
                                         : c.toCaseFolded().unicode();
        hash = hash * 31 + folded;
    }
    return hash;
}

// A declaration's owner, name, kind group and overload key as one hash: what
// tells a declaration read twice from an overload.
size_t identityHash(int parent, const QString& name, DeclGroup group, const QString& overloadKey) {
    return qHashMulti(qHash(NameKey{parent, name}), int(group), overloadKey);
}

// Where an owner's declarations of a name and kind group stand in one
// conditional (numbered as the reader meets them).
struct BranchKey {
    int parent;
    QString name;
    DeclGroup group;
    int conditional;
    bool operator==(const BranchKey& other) const {
        return parent == other.parent && group == other.group && conditional == other.conditional &&
               name.compare(other.name, Qt::CaseInsensitive) == 0;
    }
};
size_t qHash(const BranchKey& key, size_t seed = 0) {
    return qHashMulti(seed, qHash(NameKey{key.parent, key.name}), int(key.group), key.conditional);
}

enum class Section { None, Types, Consts, ResourceStrings, Vars, ThreadVars, Fields, ClassVars };

// A code token, and what stood between it and the one before, which the
// declaration's text folds to one blank.
struct Piece {
    Token token;
    bool blankBefore = false;
    bool commentBefore = false;
};

// What the reader knows where a conditional opens, to read its later
// branches from the same place, or to skip them.
struct Context {
    Section section = Section::None;
    QString visibility;
};

// Reads declarations by descent over the interface's code tokens: a
// section keyword says what the names after it declare, a structure's body
// is read member by member up to its `end`, and whatever is not understood
// is passed over a token at a time, so that any text ends and gives only
// well-formed declarations.
//
// Conditional code is read branch after branch, as the routine scanner
// reads it. A later branch is read only where it starts where the first
// one did (see advance()); of a declaration that appears in two branches of
// one conditional, the first is kept (see add()).
class DeclarationReader {
public:
    DeclarationReader(QByteArrayView raw, QList<IncludedPiece> pieces, const QString& sourceFile,
                      const CompilerDefines* defines = nullptr)
        : source_(ClassifySourceBytes(raw)),
          compilation_(defines ? std::optional<ConditionalCompilation>(std::in_place, *defines)
                               : std::nullopt),
          tokens_(source_.bytes, compilation_ ? &*compilation_ : nullptr),
          pieces_(std::move(pieces)) {
        shift_ = raw.size() - source_.bytes.size(); // a byte-order mark
        if (pieces_.isEmpty())
            pieces_.append({0, sourceFile, 1});
        contexts_.push_back({});
        advance();
    }

    QList<Declaration> read() {
        while (!atEnd() && !stopped_) {
            const qsizetype before = cur_.token.begin;
            unitItem();
            if (!atEnd() && cur_.token.begin == before)
                advance(); // whatever it was, it is passed over
        }
        // The list keeps its spare room: trimming would copy it, and for a
        // unit of tens of thousands of declarations the copy costs more at
        // once than the room it gives back (at most what the list holds).
        return std::move(out_);
    }

private:
    // ---- tokens ----------------------------------------------------------

    const PascalLexer& lexer() const { return tokens_.lexer(); }
    bool atEnd() const { return cur_.token.kind == TokenKind::End; }
    // Asked for every token many times: the word's length is known here, not
    // measured at each call.
    template <std::size_t N> bool is(const char (&word)[N]) const {
        return lexer().isWord(cur_.token, QByteArrayView(word, N - 1));
    }
    bool is(QByteArrayView word) const { return lexer().isWord(cur_.token, word); }
    bool isSym(char c) const { return lexer().isSymbol(cur_.token, c); }
    // Words no header holds: meeting one, a header was cut short.
    bool endsHeader() const {
        return is("procedure") || is("function") || is("constructor") || is("destructor") ||
               is("property") || is("operator") || is("begin") || is("end");
    }
    bool isIdent() const { return cur_.token.kind == TokenKind::Identifier; }
    template <std::size_t N> bool isAny(const std::array<QByteArrayView, N>& words) const {
        return std::any_of(words.begin(), words.end(), [&](QByteArrayView w) { return is(w); });
    }
    QByteArrayView text(const Token& token) const { return lexer().text(token); }

    // Moves to the next code token, reading a conditional's later branch only
    // where it starts where its first one did: between declarations, at the
    // same depth. Elsewhere (`X: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF};`,
    // or a class head in each branch over one body) the later branch repeats
    // what the first one said, and is passed over.
    void advance() {
        if (recording_ && !atEnd())
            record(cur_);
        bool blank = false, comment = false;
        for (;;) {
            const Token token = tokens_.next();
            if (token.kind == TokenKind::End) {
                cur_ = {token, false, false};
                return;
            }
            blank = blank || !lexer().lastTokenTouchesPrevious();
            if (token.kind == TokenKind::Comment) {
                comment = true;
                continue;
            }
            if (token.kind == TokenKind::Directive) {
                comment = true;
                conditional(text(token));
                continue;
            }
            if (skipping())
                continue;
            cur_ = {token, blank, comment};
            return;
        }
    }

    struct Frame {
        int number = 0;
        int branch = 0;
        bool skip = false; // this branch is passed over
        bool between = true;
        int depth = 0;
        Context context;
        // Where the first branch left the reader: after the conditional it
        // goes on from there, as the first alternative is the one kept.
        bool firstEnded = false;
        int depthAfterFirst = 0;
        Context afterFirst;
    };
    bool skipping() const { return !frames_.empty() && frames_.back().skip; }

    void conditional(QByteArrayView directive) {
        switch (ConditionalNesting::kindOf(directive)) {
        case ConditionalNesting::Kind::Opens: {
            Frame frame;
            frame.number = ++opened_;
            frame.skip = skipping();
            frame.between = between_;
            frame.depth = depth_;
            frame.context = contexts_.back();
            frames_.push_back(std::move(frame));
        } break;
        case ConditionalNesting::Kind::NextBranch:
            if (!frames_.empty()) {
                Frame& frame = frames_.back();
                const bool outerSkip = frames_.size() > 1 && frames_[frames_.size() - 2].skip;
                if (++frame.branch == 1) {
                    frame.firstEnded = true;
                    frame.depthAfterFirst = depth_;
                    frame.afterFirst = contexts_.back();
                }
                frame.skip = outerSkip || !(frame.between && between_ && frame.depth == depth_);
                if (!frame.skip)
                    contexts_.back() = frame.context;
            }
            break;
        case ConditionalNesting::Kind::Closes:
            if (!frames_.empty()) {
                // Code after a conditional compiles with and without its
                // branch taken: a section word or visibility that only the
                // branch states does not hold after it. Without an {$ELSE} it
                // is as if the branch were not there (the FPC packages'
                // include files hold one such branch per section, and a
                // file read once carries all of them); with one, the first
                // branch is the one kept.
                const Frame& frame = frames_.back();
                if (frame.firstEnded && frame.depthAfterFirst == depth_)
                    contexts_.back() = frame.afterFirst;
                else if (!frame.firstEnded && frame.depth == depth_)
                    contexts_.back() = frame.context;
                frames_.pop_back();
            }
            break;
        case ConditionalNesting::Kind::Other:
            break;
        }
    }

    // Which branch of which conditionals the current token stands in.
    std::vector<std::pair<int, int>> branches() const {
        std::vector<std::pair<int, int>> path;
        path.reserve(frames_.size());
        for (const Frame& frame : frames_)
            path.emplace_back(frame.number, frame.branch);
        return path;
    }

    // Consumes balanced brackets from the current opening one through its closer.
    void skipBalanced() {
        int depth = 0;
        while (!atEnd()) {
            if (isSym('(') || isSym('[')) {
                ++depth;
            } else if (isSym(')') || isSym(']')) {
                if (--depth <= 0) {
                    advance();
                    return;
                }
            }
            advance();
        }
    }

    // Attributes, `[Weak]`, `[Test('x')]`: never declarations. At the start of
    // a member a '[' is one (or an interface's GUID, or FPC's directives in
    // brackets after a header); none of them is a declaration either.
    bool skipAttributes() {
        bool any = false;
        while (isSym('[')) {
            skipBalanced();
            any = true;
        }
        return any;
    }

    // ---- recording the declaration text -----------------------------------

    void startRecording() {
        recording_ = true;
        recorded_.clear(); // keeps its room for the next one
        recordedAny_ = false;
    }
    QString stopRecording() {
        recording_ = false;
        return DecodeSourceBytes(QByteArrayView(recorded_.data(), qsizetype(recorded_.size())),
                                 source_.encoding);
    }
    void record(const Piece& piece) {
        const bool word = piece.token.kind != TokenKind::Symbol;
        if (recordedAny_ && (piece.blankBefore || (piece.commentBefore && word && lastWord_)))
            recorded_ += ' ';
        const QByteArrayView bytes = text(piece.token);
        recorded_.append(bytes.data(), std::size_t(bytes.size()));
        recordedAny_ = true;
        lastWord_ = word;
    }

    // ---- where ------------------------------------------------------------

    void place(Declaration& d, qsizetype offset) {
        offset += shift_;
        // Pieces are in order; declarations nearly so.
        if (pieceAt_ >= pieces_.size() || pieces_[pieceAt_].begin > offset || countedTo_ > offset) {
            pieceAt_ = 0;
            countedTo_ = -1;
        }
        while (pieceAt_ + 1 < pieces_.size() && pieces_[pieceAt_ + 1].begin <= offset) {
            ++pieceAt_;
            countedTo_ = -1;
        }
        const IncludedPiece& piece = pieces_[pieceAt_];
        if (countedTo_ < 0) {
            countedTo_ = piece.begin;
            line_ = piece.firstLine;
        }
        const QByteArrayView all(expandedData(), expandedSize());
        // std::count, which the compiler vectorises; Qt's count looks for
        // each line break with a call of its own.
        line_ += int(std::count(all.begin() + countedTo_, all.begin() + offset, '\n'));
        countedTo_ = offset;
        d.sourceFile = piece.file;
        d.line = line_;
    }
    const char* expandedData() const { return source_.bytes.data() - shift_; }
    qsizetype expandedSize() const { return source_.bytes.size() + shift_; }

    // ---- declarations -------------------------------------------------------

    QString nameText(const Token& token) const {
        QByteArrayView name = text(token);
        if (name.startsWith('&'))
            name = name.sliced(1);
        return DecodeSourceBytes(name, source_.encoding);
    }

    // Adds a declaration unless it repeats one: the same declaration again
    // (an include read twice), or another alternative of one in an earlier
    // branch of a conditional. Returns its index, or -1 when left out.
    int add(Declaration d, const std::vector<std::pair<int, int>>& where) {
        // A name cut off by the end of the text, or an `&` before no word.
        if (parent_ == dropped || d.name.isEmpty())
            return dropped;
        d.parent = parent_;
        d.owner = owner_;
        if (parent_ < 0)
            d.visibility.clear();
        // A unit declares thousands of names, nearly all once, and a
        // generated one may overload a name thousands of times: each test
        // below is a look-up, never a walk over the declarations of a name.
        // The same declaration again: of the owner, name, kind group and
        // overload key of one kept. Those of one hash are chained through
        // their indexes.
        const DeclGroup group = DeclKindGroup(d.kind);
        const size_t identity = identityHash(parent_, d.name, group, d.overloadKey);
        int& last = kept_[identity];
        for (int other = last - 1; other >= 0; other = earlierSame_[other]) {
            const Declaration& before = out_[other];
            if (before.parent == parent_ && DeclKindGroup(before.kind) == group &&
                before.overloadKey == d.overloadKey &&
                before.name.compare(d.name, Qt::CaseInsensitive) == 0)
                return dropped;
        }
        // Another alternative of one kept in an earlier branch of the same
        // conditional, whatever its overload key.
        for (const auto& [number, branch] : where) {
            const auto earliest = earliestBranch_.constFind({parent_, d.name, group, number});
            if (earliest != earliestBranch_.cend() && *earliest < branch)
                return dropped;
        }
        const int index = int(out_.size());
        // Texts built by appending carry room to grow; a large unit keeps
        // tens of thousands of them until the build has written them.
        d.text.squeeze();
        d.overloadKey.squeeze();
        earlierSame_.push_back(last - 1);
        last = index + 1;
        for (const auto& [number, branch] : where) {
            const auto earliest = earliestBranch_.find({parent_, d.name, group, number});
            if (earliest == earliestBranch_.end())
                earliestBranch_.insert({parent_, d.name, group, number}, branch);
            else
                *earliest = std::min(*earliest, branch);
        }
        makeRoomAhead();
        out_.emplaceBack(std::move(d));
        return index;
    }
    // A generated unit declares tens of thousands of names, and a list that
    // doubles holds its old and its new room at once when it grows last:
    // half as much again as the list itself, at the top of a build's memory.
    // Once the list is not small, it grows to what the text read so far
    // promises for the whole (by an eighth at least, eight times at most), so
    // that the last large growth comes early, while the list is still small.
    void makeRoomAhead() {
        const qsizetype count = out_.size();
        if (count < 1024 || count < out_.capacity())
            return;
        const qsizetype read = std::max<qsizetype>(cur_.token.begin, 1);
        const double promised = double(count) * double(source_.bytes.size()) / double(read);
        out_.reserve(std::clamp(qsizetype(promised * 1.0625), count + count / 8, count * 8));
    }
    static constexpr int dropped = -2;
    static constexpr int maxNesting = 64;

    // One item at unit level.
    void unitItem() {
        Context& context = contexts_.back();
        between_ = true;
        if (skipAttributes())
            return;
        if (is("type")) {
            context.section = Section::Types;
        } else if (is("const")) {
            context.section = Section::Consts;
        } else if (is("resourcestring")) {
            context.section = Section::ResourceStrings;
        } else if (is("var")) {
            context.section = Section::Vars;
        } else if (is("threadvar")) {
            context.section = Section::ThreadVars;
        } else if (is("uses") || is("unit") || is("program") || is("library") || is("package") ||
                   is("label") || is("exports")) {
            skipPast(';');
            return;
        } else if (is("begin") || is("asm")) {
            // Code: a program's main block, or a routine's body in an
            // include file that holds its unit's implementation in a
            // conditional branch, as the FPC packages' do. It declares
            // nothing of the interface.
            skipBlock();
            return;
        } else if ((is("initialization") || is("finalization")) && frames_.empty()) {
            stopped_ = true; // the text runs on past its interface
            return;
        } else if (is("interface")) {
            // The section keyword.
        } else if (is("procedure") || is("function") || is("operator")) {
            routine(false);
            return;
        } else if (is("property")) {
            property(false); // FPC's global properties
            return;
        } else if (is("generic") || is("class")) {
            // FPC's `generic procedure Foo<T>`; a stray `class` before a routine.
            advance();
            return;
        } else if (isIdent() || isSym('&')) {
            sectionItem(context.section, QString());
            return;
        }
        advance();
    }

    // From `begin` or `asm` through the `end` that closes it.
    void skipBlock() {
        between_ = false;
        int depth = 0;
        while (!atEnd()) {
            if (is("begin") || is("asm") || is("case") || is("try")) {
                ++depth;
            } else if (is("end") && --depth == 0) {
                between_ = true;
                advance();
                return;
            }
            advance();
        }
    }

    void skipPast(char symbol) {
        between_ = false;
        while (!atEnd() && !isSym(symbol))
            advance();
        between_ = true;
        if (!atEnd())
            advance();
    }

    // A declaration named at the current token, in the section given.
    void sectionItem(Section section, const QString& visibility) {
        switch (section) {
        case Section::Types:
            typeDeclaration(visibility);
            break;
        case Section::Consts:
        case Section::ResourceStrings:
            constant(section == Section::Consts ? DeclKind::Const : DeclKind::ResourceString,
                     visibility);
            break;
        case Section::Vars:
        case Section::ThreadVars:
        case Section::Fields:
        case Section::ClassVars:
            variables(section, visibility);
            break;
        case Section::None:
            advance();
            break;
        }
    }

    // `Name[<T>] = ...;` in a type section.
    void typeDeclaration(const QString& visibility) {
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
    int skipAngles() {
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
    void skipTypeTo() {
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

    void skipToMatchingEnd() {
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
    static QString trailingHints(QString& text) {
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
    void finishPlain(Declaration& d, const std::vector<std::pair<int, int>>& where) {
        QString text = stopRecording();
        const QString body = text;
        d.hints = trailingHints(text);
        d.text = body;
        if (isSym(';')) {
            d.text = WithSemicolon(d.text);
            between_ = true;
            advance();
        }
        add(std::move(d), where);
    }

    // `procedure(...) of object; stdcall;`, `reference to function: Integer`.
    void proceduralType(Declaration& d, const std::vector<std::pair<int, int>>& where) {
        d.kind = DeclKind::Type;
        skipTypeTo();
        QString text = stopRecording();
        d.hints = trailingHints(text);
        d.text = text;
        if (isSym(';')) {
            d.text = WithSemicolon(d.text);
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

    // A class, record, interface, object or helper, from the word that says
    // which through the ';' after its `end`.
    void structure(Declaration& d, const std::vector<std::pair<int, int>>& where) {
        DeclKind kind = DeclKind::Record;
        QString defaultVisibility = QStringLiteral("public");
        // FPC's Objective-C and C++ classes read as their Pascal kin.
        const bool foreign =
            is("objcclass") || is("cppclass") || is("objcprotocol") || is("objccategory");
        if (is("class") || is("objcclass") || is("cppclass")) {
            kind = DeclKind::Class;
        } else if (is("object")) {
            kind = DeclKind::Object;
        } else if (is("interface") || is("dispinterface") || is("objcprotocol")) {
            kind = DeclKind::Interface;
        } else if (is("objccategory")) {
            kind = DeclKind::Helper;
        }
        // From here the reader counts itself inside the body, so that a
        // conditional met right after the head (before its first member)
        // is judged from there. The head's own parts are read as inside a
        // declaration. Its members' context exists from here too, so that
        // such a conditional's branches start from it.
        ++depth_;
        contexts_.push_back({Section::Fields, defaultVisibility});
        between_ = true;
        advance();
        between_ = false;
        if (kind == DeclKind::Class && is("of")) {
            leaveBody();
            d.kind = DeclKind::Type; // a class reference
            skipTypeTo();
            finishPlain(d, where);
            return;
        }
        if ((kind == DeclKind::Class || kind == DeclKind::Interface) && isSym(';')) {
            // A forward declaration: the real one follows.
            leaveBody();
            recording_ = false;
            between_ = true;
            advance();
            return;
        }
        if ((kind == DeclKind::Class || kind == DeclKind::Record) && is("helper")) {
            kind = DeclKind::Helper;
            advance();
        }
        while (is("sealed") || is("abstract") || is("external")) {
            const bool external = is("external");
            enterBodyAfter();
            if (external && is("name")) { // an Objective-C class's own name
                enterBodyAfter();
                if (cur_.token.kind == TokenKind::String)
                    enterBodyAfter();
            }
        }
        QStringList ancestors;
        between_ = false;
        if (isSym('(')) {
            advance();
            QByteArray current;
            int depth = 0;
            while (!atEnd()) {
                if (isSym('(') || isSym('<')) {
                    ++depth;
                } else if (isSym('>')) {
                    --depth;
                } else if (isSym(')')) {
                    if (depth-- == 0)
                        break;
                } else if (depth == 0 && isSym(',')) {
                    ancestors << DecodeSourceBytes(current, source_.encoding);
                    current.clear();
                    advance();
                    continue;
                }
                if (!current.isEmpty() && cur_.blankBefore)
                    current += ' ';
                current += text(cur_.token);
                advance();
            }
            if (!current.isEmpty())
                ancestors << DecodeSourceBytes(current, source_.encoding);
            if (isSym(')'))
                enterBodyAfter();
        } else {
            between_ = true;
        }
        if (kind == DeclKind::Helper && is("for")) {
            between_ = false;
            advance();
            if (isIdent() || isSym('&')) {
                QByteArray forType;
                forType += text(cur_.token);
                enterBodyAfter();
                while (isSym('.') || isSym('<')) {
                    if (isSym('<')) {
                        skipAngles();
                        continue;
                    }
                    advance();
                    if (isIdent()) {
                        forType += '.';
                        forType += text(cur_.token);
                        enterBodyAfter();
                    }
                }
                d.ancestor = DecodeSourceBytes(forType, source_.encoding);
            }
            d.interfaces = ancestors;
        } else {
            if (!ancestors.isEmpty())
                d.ancestor = ancestors.takeFirst();
            d.interfaces = ancestors;
        }
        // Members before any visibility word are published in a class that
        // keeps run-time type information, public elsewhere. Which classes
        // keep it depends on ancestors in other units; the forms, frames and
        // data modules the IDE writes, whose first members are the
        // designer's, are the ones that matter.
        if (kind == DeclKind::Class && isPersistentBase(d.ancestor))
            defaultVisibility = QStringLiteral("published");
        d.kind = kind;
        d.text = stopRecording();
        if (d.text.endsWith(QLatin1Char(';')))
            d.text.chop(1);
        if (isSym(';') && (kind == DeclKind::Class || foreign)) {
            // `EFoo = class(Exception);`: no body. `NSView = objcclass
            // external;` names a class that Objective-C defines: a type.
            if (foreign && d.ancestor.isEmpty())
                d.kind = DeclKind::Type;
            leaveBody();
            between_ = true;
            d.text = d.text.trimmed();
            add(std::move(d), where);
            advance();
            return;
        }
        const int index = add(std::move(d), where);
        const int outer = parent_;
        const QString outerOwner = owner_;
        parent_ = index;
        if (index >= 0)
            owner_ = outer < 0 ? out_[index].name : owner_ + QLatin1Char('.') + out_[index].name;
        contexts_.back().visibility = defaultVisibility;
        members(kind);
        parent_ = outer;
        owner_ = outerOwner;
        // `end` and what follows it: hints, then ';'.
        between_ = false;
        leaveBody();
        if (is("end"))
            advance();
        startRecording();
        while (!atEnd() && !isSym(';') && !is("end"))
            advance();
        QString tail = stopRecording();
        const QString hints = trailingHints(tail);
        if (index >= 0)
            out_[index].hints = hints;
        between_ = true;
        if (isSym(';'))
            advance();
    }

    static bool isPersistentBase(const QString& ancestor) {
        static const QStringList bases{QStringLiteral("TForm"),       QStringLiteral("TFrame"),
                                       QStringLiteral("TDataModule"), QStringLiteral("TComponent"),
                                       QStringLiteral("TPersistent"), QStringLiteral("TCustomForm"),
                                       QStringLiteral("TCustomFrame")};
        const QString last = ancestor.section(QLatin1Char('.'), -1);
        return std::any_of(bases.begin(), bases.end(), [&](const QString& base) {
            return last.compare(base, Qt::CaseInsensitive) == 0;
        });
    }

    void leaveBody() {
        --depth_;
        contexts_.pop_back();
    }

    // Moves past what may be the head's last token, as from inside the body.
    void enterBodyAfter() {
        between_ = true;
        advance();
    }

    // The members of a structure, up to its `end`.
    void members(DeclKind owner) {
        while (!atEnd() && !is("end")) {
            const qsizetype before = cur_.token.begin;
            member(owner);
            if (!atEnd() && cur_.token.begin == before)
                advance();
        }
    }

    void member(DeclKind owner) {
        Context& context = contexts_.back();
        between_ = true;
        if (skipAttributes())
            return;
        if (is("strict")) {
            advance();
            if (is("private") || is("protected")) {
                context.visibility =
                    QStringLiteral("strict ") + QString::fromLatin1(text(cur_.token)).toLower();
                context.section = Section::Fields;
                advance();
            }
            return;
        }
        if (is("private") || is("protected") || is("public") || is("published") ||
            is("automated")) {
            // `Public: Boolean` would be a field.
            const Piece word = cur_;
            advance();
            if (isSym(':') || isSym(',')) {
                fieldsFrom(word,
                           context.section == Section::ClassVars ? Section::ClassVars
                                                                 : Section::Fields,
                           context.visibility);
                return;
            }
            context.visibility = QString::fromLatin1(text(word.token)).toLower();
            context.section = Section::Fields;
            return;
        }
        if (is("type")) {
            context.section = Section::Types;
            advance();
            return;
        }
        if (is("const")) {
            context.section = Section::Consts;
            advance();
            return;
        }
        if (is("var")) {
            context.section = Section::Fields;
            advance();
            return;
        }
        if (is("class")) {
            const Piece word = cur_;
            between_ = false;
            advance();
            if (is("var") || is("threadvar")) {
                context.section = Section::ClassVars;
                between_ = true;
                advance();
                return;
            }
            if (is("procedure") || is("function") || is("operator") || is("constructor") ||
                is("destructor") || is("property")) {
                classWord_ = word;
                context.section = Section::Fields; // a method ends a class var section
                if (is("property"))
                    property(true);
                else
                    routine(true);
                return;
            }
            return;
        }
        if (is("generic")) {
            advance();
            return;
        }
        if (is("begin") || is("asm")) {
            // A body from an include file that holds the implementation in a
            // branch of its own, included among a class's members (FPC's
            // fpcunit does so): code, no member.
            skipBlock();
            return;
        }
        // A method or property ends a nested type, const or class var section.
        if (is("procedure") || is("function") || is("constructor") || is("destructor") ||
            is("operator")) {
            context.section = Section::Fields;
            routine(false);
            return;
        }
        if (is("property")) {
            context.section = Section::Fields;
            property(false);
            return;
        }
        if (is("case") && owner != DeclKind::Class && owner != DeclKind::Interface &&
            depth_ < maxNesting) {
            variantPart();
            return;
        }
        if (isIdent() || isSym('&')) {
            Section section = context.section;
            if (section == Section::Types || section == Section::Consts) {
                sectionItem(section, context.visibility);
                return;
            }
            variables(section, context.visibility);
            return;
        }
        advance();
    }

    // `case [Tag:] Type of 0: (A: Integer); 1: (B: Byte; case ...)`, to the
    // record's `end` or the ')' around this part.
    void variantPart() {
        between_ = false;
        advance(); // case
        // The tag, when named, is a field.
        if (isIdent()) {
            const Piece tag = cur_;
            advance();
            if (isSym(':')) {
                recordTag(tag);
            }
        }
        while (!atEnd() && !is("of"))
            advance();
        if (!atEnd())
            advance();
        while (!atEnd() && !is("end") && !isSym(')')) {
            if (isSym('(')) {
                ++depth_;
                between_ = true;
                advance();
                while (!atEnd() && !isSym(')') && !is("end")) {
                    const qsizetype before = cur_.token.begin;
                    member(DeclKind::Record);
                    if (!atEnd() && cur_.token.begin == before)
                        advance();
                }
                --depth_;
                between_ = false;
                if (isSym(')'))
                    advance();
                continue;
            }
            advance();
        }
    }

    void recordTag(const Piece& tag) {
        Declaration d;
        d.kind = DeclKind::Field;
        d.name = nameText(tag.token);
        d.visibility = contexts_.back().visibility;
        place(d, tag.token.begin);
        const auto where = branches();
        startRecording();
        record(tag);
        advance(); // ':'
        while (!atEnd() && !is("of"))
            advance();
        d.text = stopRecording();
        add(std::move(d), where);
    }

    // `A, B: Type [= value];` in a var or threadvar section or among fields.
    void variables(Section section, const QString& visibility) {
        const Piece first = cur_;
        advance();
        fieldsFrom(first, section, visibility);
    }

    // Names from `first` (already consumed), then ': Type ...;'.
    void fieldsFrom(const Piece& first, Section section, const QString& visibility) {
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
            whole = WithSemicolon(whole);
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

    // `Name [: Type] = value;` in a const or resourcestring section.
    void constant(DeclKind kind, const QString& visibility) {
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

    // A procedure, function, constructor, destructor or operator, from its
    // keyword (after `class`, when `isClass`) through its directives.
    void routine(bool isClass) {
        between_ = false;
        const auto where = branches();
        startRecording();
        if (isClass)
            record(classWord_);
        Declaration d;
        d.isClassMember = isClass;
        d.visibility = contexts_.back().visibility;
        if (is("procedure"))
            d.kind = DeclKind::Procedure;
        else if (is("function"))
            d.kind = DeclKind::Function;
        else if (is("constructor"))
            d.kind = DeclKind::Constructor;
        else if (is("destructor"))
            d.kind = DeclKind::Destructor;
        else
            d.kind = DeclKind::Operator;
        advance();
        if (isSym('&'))
            advance();
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
        } else {
            if (!isIdent()) {
                recording_ = false;
                between_ = true;
                return;
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
                return;
            }
        }
        QString key;
        if (isSym('('))
            key = parameters(')');
        if (isSym(':')) {
            // The result; FPC's operators may name it: `operator + (a, b: T) r: T`.
            advance();
            QByteArray result;
            while (!atEnd() && !isSym(';') && !endsHeader()) {
                if (!result.isEmpty() && cur_.blankBefore)
                    result += ' ';
                result += text(cur_.token);
                advance();
            }
            if (d.kind == DeclKind::Operator)
                key += QLatin1Char(':') + Folded(DecodeSourceBytes(result, source_.encoding));
        } else if (d.kind == DeclKind::Operator && isIdent()) {
            advance();
            if (isSym(':')) {
                advance();
                QByteArray result;
                while (!atEnd() && !isSym(';') && !endsHeader()) {
                    if (!result.isEmpty() && cur_.blankBefore)
                        result += ' ';
                    result += text(cur_.token);
                    advance();
                }
                key += QLatin1Char(':') + Folded(DecodeSourceBytes(result, source_.encoding));
            }
        }
        while (!atEnd() && !isSym(';') && !endsHeader())
            advance(); // `of object` in odd places, and what no compiler takes
        d.overloadKey = key;
        QString text = stopRecording();
        if (isSym(';')) {
            text = WithSemicolon(text);
            between_ = true;
            advance();
        }
        QStringList binding, hints;
        while (isAny(routineDirectives) && !atEnd()) {
            // A member named like a directive (`Platform: string`) is no directive.
            const Piece word = cur_;
            between_ = false;
            startRecording();
            advance();
            if (isSym(':') || isSym(',')) {
                // Put back: this begins a field.
                recording_ = false;
                appendDirectives(d, text, binding, hints);
                add(std::move(d), where);
                fieldsFrom(word, contexts_.back().section, contexts_.back().visibility);
                return;
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
        appendDirectives(d, text, binding, hints);
        add(std::move(d), where);
    }

    bool isHint(const Piece& word) const {
        return std::any_of(hintWords.begin(), hintWords.end(),
                           [&](QByteArrayView w) { return lexer().isWord(word.token, w); });
    }

    static void appendDirectives(Declaration& d, const QString& text, const QStringList& binding,
                                 const QStringList& hints) {
        d.text = text;
        d.directives = binding.join(QStringLiteral("; "));
        d.hints = hints.join(QLatin1Char(' '));
    }

    // The parameter list from the current '(' or '[' through `closer`: the
    // overload key of its types.
    QString parameters(char closer) {
        advance();
        QStringList key;
        QByteArray mode, type;
        int names = 0;
        bool inType = false, inDefault = false;
        int depth = 0;
        const auto flush = [&] {
            const QByteArray t = type.trimmed();
            const QString piece = Folded(DecodeSourceBytes(
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
    void property(bool isClass) {
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
            text = WithSemicolon(text);
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

    SourceBytes source_;
    std::optional<ConditionalCompilation> compilation_; // with a build's defines
    InterfaceTokens tokens_;
    QList<IncludedPiece> pieces_;
    qsizetype shift_ = 0;
    Piece cur_;

    std::vector<Frame> frames_;
    int opened_ = 0;
    bool between_ = true;
    int depth_ = 0;
    std::vector<Context> contexts_;
    Piece classWord_;

    bool recording_ = false;
    bool recordedAny_ = false;
    bool lastWord_ = false;
    // A standard string: its appends, one for every token recorded, are inline.
    std::string recorded_;

    qsizetype pieceAt_ = 0;
    qsizetype countedTo_ = -1;
    int line_ = 1;

    int parent_ = -1;
    bool stopped_ = false;
    QString owner_; // the owner path of parent_
    QList<Declaration> out_;
    // By the hash of owner, name, kind group and overload key, the last
    // declaration kept of it, plus one (0: none).
    QHash<size_t, int> kept_;
    // For each declaration kept, the one before it of its hash, or -1.
    std::vector<int> earlierSame_;
    // By owner, name, kind group and conditional, the earliest branch of the
    // conditional that holds a declaration kept of them.
    QHash<BranchKey, int> earliestBranch_;
};

} // namespace

UnitDeclarations ParseUnitDeclarations(QByteArrayView bytes, const QString& sourceFile) {
    UnitDeclarations result;
    result.declarations = DeclarationReader(bytes, {}, sourceFile).read();
    return result;
}

UnitScan ScanUnit(const QString& path, const QString& projectFolder, IncludeCache* includeCache,
                  const CompilerDefines* defines) {
    UnitScan scan;
    QList<FileStamp> sources{StampFile(path)};
    QString failure;
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit, nullptr, &failure);
    if (!bytes) {
        scan.routines = ParseUnitRoutines({});
        scan.routines.unreadable = true;
        scan.routines.readFailure = failure;
        scan.declarations.unreadable = true;
        return scan;
    }
    QList<IncludedPiece> pieces;
    const QByteArray expanded =
        ExpandInterfaceIncludes(*bytes, path, projectFolder, includeCache, &sources, &pieces,
                                defines ? IncludeRepeats::AsCompiled : IncludeRepeats::Once);
    scan.routines = ParseUnitRoutines(expanded, defines);
    scan.routines.fileSize =
        sources.first().size >= 0 ? sources.first().size : QFileInfo(path).size();
    scan.routines.sources = sources;
    scan.declarations.declarations =
        DeclarationReader(expanded, std::move(pieces), path, defines).read();
    scan.declarations.sources = std::move(sources);
    return scan;
}

UnitDeclarations ScanUnitDeclarations(const QString& path, const QString& projectFolder,
                                      IncludeCache* includeCache, const CompilerDefines* defines) {
    UnitDeclarations result;
    result.sources << StampFile(path);
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes) {
        result.unreadable = true;
        result.sources.clear();
        return result;
    }
    QList<IncludedPiece> pieces;
    const QByteArray expanded =
        ExpandInterfaceIncludes(*bytes, path, projectFolder, includeCache, &result.sources, &pieces,
                                defines ? IncludeRepeats::AsCompiled : IncludeRepeats::Once);
    result.declarations = DeclarationReader(expanded, std::move(pieces), path, defines).read();
    return result;
}

} // namespace ink
