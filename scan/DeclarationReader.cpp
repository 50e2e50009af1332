#include "DeclarationReader.h"

namespace ink {

// Case-folded, quickly for the ASCII names that nearly all are: Qt's
// folding, which knows all of Unicode, takes a tenth of the reading.
QString DeclarationReader::caseFolded(const QString& text) {
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
QString DeclarationReader::withSemicolon(const QString& text) {
    QString whole(text.size() + 1, Qt::Uninitialized);
    std::copy(text.cbegin(), text.cend(), whole.begin());
    whole.back() = QLatin1Char(';');
    return whole;
}

DeclarationReader::DeclarationReader(QByteArrayView raw, QList<IncludedPiece> pieces,
                                     const QString& sourceFile, const CompilerDefines* defines)
    : source_(ClassifySourceBytes(raw)),
      compilation_(defines ? std::optional<ConditionalCompilation>(std::in_place, *defines)
                           : std::nullopt),
      tokens_(source_.bytes, compilation_ ? &*compilation_ : nullptr), pieces_(std::move(pieces)) {
    shift_ = raw.size() - source_.bytes.size(); // a byte-order mark
    if (pieces_.isEmpty())
        pieces_.append({0, sourceFile, 1});
    contexts_.push_back({});
    advance();
}

QList<Declaration> DeclarationReader::read() {
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

// ---- tokens and conditionals --------------------------------------------

// Moves to the next code token, reading a conditional's later branch only
// where it starts where its first one did: between declarations, at the
// same depth. Elsewhere (`X: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF};`,
// or a class head in each branch over one body) the later branch repeats
// what the first one said, and is passed over.
void DeclarationReader::advance() {
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

void DeclarationReader::conditional(QByteArrayView directive) {
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
DeclarationReader::Branches DeclarationReader::branches() const {
    std::vector<std::pair<int, int>> path;
    path.reserve(frames_.size());
    for (const Frame& frame : frames_)
        path.emplace_back(frame.number, frame.branch);
    return path;
}

// Consumes balanced brackets from the current opening one through its closer.
void DeclarationReader::skipBalanced() {
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
bool DeclarationReader::skipAttributes() {
    bool any = false;
    while (isSym('[')) {
        skipBalanced();
        any = true;
    }
    return any;
}

// From `begin` or `asm` through the `end` that closes it.
void DeclarationReader::skipBlock() {
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

void DeclarationReader::skipPast(char symbol) {
    between_ = false;
    while (!atEnd() && !isSym(symbol))
        advance();
    between_ = true;
    if (!atEnd())
        advance();
}

// ---- recording the declaration text -------------------------------------

void DeclarationReader::startRecording() {
    recording_ = true;
    recorded_.clear(); // keeps its room for the next one
    recordedAny_ = false;
}

QString DeclarationReader::stopRecording() {
    recording_ = false;
    return DecodeSourceBytes(QByteArrayView(recorded_.data(), qsizetype(recorded_.size())),
                             source_.encoding);
}

void DeclarationReader::record(const Piece& piece) {
    const bool word = piece.token.kind != TokenKind::Symbol;
    if (recordedAny_ && (piece.blankBefore || (piece.commentBefore && word && lastWord_)))
        recorded_ += ' ';
    const QByteArrayView bytes = text(piece.token);
    recorded_.append(bytes.data(), std::size_t(bytes.size()));
    recordedAny_ = true;
    lastWord_ = word;
}

// ---- where ----------------------------------------------------------------

void DeclarationReader::place(Declaration& d, qsizetype offset) {
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

QString DeclarationReader::nameText(const Token& token) const {
    QByteArrayView name = text(token);
    if (name.startsWith('&'))
        name = name.sliced(1);
    return DecodeSourceBytes(name, source_.encoding);
}

// ---- the unit's own items ----------------------------------------------

// One item at unit level.
void DeclarationReader::unitItem() {
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

// A declaration named at the current token, in the section given.
void DeclarationReader::sectionItem(Section section, const QString& visibility) {
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

} // namespace ink
