#pragma once
// The reader behind ScanUnit, ScanUnitDeclarations and ParseUnitDeclarations;
// private to the scanner. Its parts are read in:
//   DeclarationReader.cpp            tokens, conditional branches, the text
//                                    recorded, lines, the unit's own items
//   DeclarationReaderKeep.cpp        which declarations are kept: repeats and
//                                    other branches' alternatives left out
//   DeclarationReaderTypes.cpp       types, constants, variables and fields
//   DeclarationReaderStructures.cpp  classes, records, interfaces, objects,
//                                    helpers and their members
//   DeclarationReaderRoutines.cpp    routines and properties: parameter
//                                    lists (the overload keys) and directives
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "IncludeFiles.h"
#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"
#include "UnitDeclarations.h"

namespace ink {

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
                      const CompilerDefines* defines = nullptr);

    QList<Declaration> read();

private:
    enum class Section {
        None,
        Types,
        Consts,
        ResourceStrings,
        Vars,
        ThreadVars,
        Fields,
        ClassVars
    };

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

    // One open conditional.
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

    // Which branch of which conditionals a token stands in: pairs of the
    // conditional's number and the branch's.
    using Branches = std::vector<std::pair<int, int>>;

    // A name as a hash key, without regard to letter case, and without making
    // a folded copy of it for each declaration.
    struct NameKey {
        int parent; // the owner's index, as add() keeps it
        QString name;
        bool operator==(const NameKey& other) const {
            return parent == other.parent && name.compare(other.name, Qt::CaseInsensitive) == 0;
        }
        friend size_t qHash(const NameKey& key, size_t seed = 0) {
            size_t hash = seed ^ size_t(key.parent + 2) * 0x9E3779B97F4A7C15ULL;
            for (const QChar c : key.name) {
                const char16_t u = c.unicode();
                const char16_t folded = u < 0x80
                                            ? (u >= 'A' && u <= 'Z' ? char16_t(u + ('a' - 'A')) : u)
                                            : c.toCaseFolded().unicode();
                hash = hash * 31 + folded;
            }
            return hash;
        }
    };

    // Where an owner's declarations of a name and kind group stand in one
    // conditional (numbered as the reader meets them).
    struct BranchKey {
        int parent;
        QString name;
        DeclGroup group;
        int conditional;
        bool operator==(const BranchKey& other) const {
            return parent == other.parent && group == other.group &&
                   conditional == other.conditional &&
                   name.compare(other.name, Qt::CaseInsensitive) == 0;
        }
        // A member, for NameKey's hash (private to the reader), a friend is not.
        size_t hash(size_t seed) const {
            return qHashMulti(seed, qHash(NameKey{parent, name}), int(group), conditional);
        }
        friend size_t qHash(const BranchKey& key, size_t seed = 0) { return key.hash(seed); }
    };

    // What add() returns for a declaration left out.
    static constexpr int dropped = -2;
    // Types nest by recursion; past this depth a structure reads as a plain type.
    static constexpr int maxNesting = 64;

    // ---- tokens (asked for every token many times: inline) ------------------

    const PascalLexer& lexer() const { return tokens_.lexer(); }
    bool atEnd() const { return cur_.token.kind == TokenKind::End; }
    // The word's length is known here, not measured at each call.
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
    bool skipping() const { return !frames_.empty() && frames_.back().skip; }

    // ---- DeclarationReader.cpp ---------------------------------------------

    void advance();
    void conditional(QByteArrayView directive);
    Branches branches() const;
    void skipBalanced();
    bool skipAttributes();
    void skipBlock();
    void skipPast(char symbol);

    void startRecording();
    QString stopRecording();
    void record(const Piece& piece);

    void place(Declaration& d, qsizetype offset);
    const char* expandedData() const { return source_.bytes.data() - shift_; }
    qsizetype expandedSize() const { return source_.bytes.size() + shift_; }
    QString nameText(const Token& token) const;

    void unitItem();
    void sectionItem(Section section, const QString& visibility);

    static QString caseFolded(const QString& text);
    static QString withSemicolon(const QString& text);

    // ---- DeclarationReaderKeep.cpp -----------------------------------------

    static size_t identityHash(int parent, const QString& name, DeclGroup group,
                               const QString& overloadKey);
    int add(Declaration d, const Branches& where);
    void makeRoomAhead();

    // ---- DeclarationReaderTypes.cpp ----------------------------------------

    void typeDeclaration(const QString& visibility);
    int skipAngles();
    void skipTypeTo();
    void skipToMatchingEnd();
    static QString trailingHints(QString& text);
    void finishPlain(Declaration& d, const Branches& where);
    void proceduralType(Declaration& d, const Branches& where);
    void variables(Section section, const QString& visibility);
    void fieldsFrom(const Piece& first, Section section, const QString& visibility);
    void constant(DeclKind kind, const QString& visibility);

    // ---- DeclarationReaderStructures.cpp -----------------------------------

    void structure(Declaration& d, const Branches& where);
    DeclKind structureKind() const;
    void skipStructureModifiers();
    QStringList ancestorList();
    void helperFor(Declaration& d);
    void structureBody(int index, DeclKind kind, const QString& defaultVisibility);
    static bool isPersistentBase(const QString& ancestor);
    void leaveBody();
    void enterBodyAfter();
    void members(DeclKind owner);
    void member(DeclKind owner);
    void variantPart();
    void recordTag(const Piece& tag);

    // ---- DeclarationReaderRoutines.cpp -------------------------------------

    void routine(bool isClass);
    DeclKind routineKind() const;
    bool routineName(Declaration& d);
    QByteArray resultType();
    std::optional<Piece> readDirectives(QString& text, QStringList& binding, QStringList& hints);
    bool isHint(const Piece& word) const;
    static void appendDirectives(Declaration& d, const QString& text, const QStringList& binding,
                                 const QStringList& hints);
    QString parameters(char closer);
    void property(bool isClass);

    // ---- state ---------------------------------------------------------------

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

} // namespace ink
