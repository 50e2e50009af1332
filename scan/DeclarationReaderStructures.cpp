#include "DeclarationReader.h"

namespace ink {

// A class, record, interface, object or helper, from the word that says
// which through the ';' after its `end`.
void DeclarationReader::structure(Declaration& d, const Branches& where) {
    // FPC's Objective-C and C++ classes read as their Pascal kin.
    const bool foreign =
        is("objcclass") || is("cppclass") || is("objcprotocol") || is("objccategory");
    DeclKind kind = structureKind();
    // From here the reader counts itself inside the body, so that a
    // conditional met right after the head (before its first member)
    // is judged from there. The head's own parts are read as inside a
    // declaration. Its members' context exists from here too, so that
    // such a conditional's branches start from it.
    ++depth_;
    contexts_.push_back({Section::Fields, QStringLiteral("public")});
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
    skipStructureModifiers();
    QStringList ancestors = ancestorList();
    if (kind == DeclKind::Helper && is("for")) {
        helperFor(d);
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
    const QString defaultVisibility = kind == DeclKind::Class && isPersistentBase(d.ancestor)
                                          ? QStringLiteral("published")
                                          : QStringLiteral("public");
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
    structureBody(add(std::move(d), where), kind, defaultVisibility);
}

// The kind the word at the current token opens; a record unless told otherwise.
DeclKind DeclarationReader::structureKind() const {
    if (is("class") || is("objcclass") || is("cppclass"))
        return DeclKind::Class;
    if (is("object"))
        return DeclKind::Object;
    if (is("interface") || is("dispinterface") || is("objcprotocol"))
        return DeclKind::Interface;
    if (is("objccategory"))
        return DeclKind::Helper;
    return DeclKind::Record;
}

// `sealed`, `abstract`, and `external [name 'X']` after the structure's word.
void DeclarationReader::skipStructureModifiers() {
    while (is("sealed") || is("abstract") || is("external")) {
        const bool external = is("external");
        enterBodyAfter();
        if (external && is("name")) { // an Objective-C class's own name
            enterBodyAfter();
            if (cur_.token.kind == TokenKind::String)
                enterBodyAfter();
        }
    }
}

// The names in the head's parentheses, as written: the ancestor first, then
// the interfaces. Empty without parentheses.
QStringList DeclarationReader::ancestorList() {
    QStringList ancestors;
    between_ = false;
    if (!isSym('(')) {
        between_ = true;
        return ancestors;
    }
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
    return ancestors;
}

// A helper's `for Type` (a dotted name, its type arguments left out), which
// becomes its ancestor.
void DeclarationReader::helperFor(Declaration& d) {
    between_ = false;
    advance();
    if (!isIdent() && !isSym('&'))
        return;
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

// The members of the structure kept at `index` (or left out: `dropped`),
// through its `end`, its hints and its ';'.
void DeclarationReader::structureBody(int index, DeclKind kind, const QString& defaultVisibility) {
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

bool DeclarationReader::isPersistentBase(const QString& ancestor) {
    static const QStringList bases{QStringLiteral("TForm"),       QStringLiteral("TFrame"),
                                   QStringLiteral("TDataModule"), QStringLiteral("TComponent"),
                                   QStringLiteral("TPersistent"), QStringLiteral("TCustomForm"),
                                   QStringLiteral("TCustomFrame")};
    const QString last = ancestor.section(QLatin1Char('.'), -1);
    return std::any_of(bases.begin(), bases.end(), [&](const QString& base) {
        return last.compare(base, Qt::CaseInsensitive) == 0;
    });
}

void DeclarationReader::leaveBody() {
    --depth_;
    contexts_.pop_back();
}

// Moves past what may be the head's last token, as from inside the body.
void DeclarationReader::enterBodyAfter() {
    between_ = true;
    advance();
}

// The members of a structure, up to its `end`.
void DeclarationReader::members(DeclKind owner) {
    while (!atEnd() && !is("end")) {
        const qsizetype before = cur_.token.begin;
        member(owner);
        if (!atEnd() && cur_.token.begin == before)
            advance();
    }
}

void DeclarationReader::member(DeclKind owner) {
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
    if (is("private") || is("protected") || is("public") || is("published") || is("automated")) {
        // `Public: Boolean` would be a field.
        const Piece word = cur_;
        advance();
        if (isSym(':') || isSym(',')) {
            fieldsFrom(word,
                       context.section == Section::ClassVars ? Section::ClassVars : Section::Fields,
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
void DeclarationReader::variantPart() {
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

void DeclarationReader::recordTag(const Piece& tag) {
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

} // namespace ink
