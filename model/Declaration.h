#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <span>

#include "DeclarationKinds.h"

namespace ink {

// One declaration of a unit's interface: what a read of the source finds,
// and what the store keeps of it and hands back.
struct Declaration {
    DeclKind kind = DeclKind::Type;
    // The name as written, without generic type parameters (`TList<T>` is
    // `TList`; the parameters stay in `text`). An operator's name is its
    // own (`Implicit`, `Add`).
    QString name;
    // The enclosing types, outermost first, joined by dots; empty at unit level.
    QString owner;
    // The index in the unit's list of the enclosing type's declaration; -1
    // at unit level.
    int parent = -1;
    // The whole declaration as written, every run of white space and
    // comments made one blank, attributes left out, through its final
    // semicolon and directives (`procedure Add(const S: string); virtual;`).
    // For a structure, its head only (`TFoo = class(TBar, IBaz)`).
    QString text;
    // "private", "protected", "public", "published", "automated", "strict
    // private", "strict protected"; empty at unit level. A structure's first
    // members, before any visibility word, are "published" in a class (as
    // for the form classes the IDE writes) and "public" elsewhere.
    QString visibility;
    // Hint directives as written, in order, separated by one blank:
    // `deprecated 'Use Y'`, `platform`, `experimental`, `library`.
    QString hints;
    // Binding and calling directives, in order, separated by "; ":
    // `virtual`, `override`, `abstract`, `overload`, `static`, `message WM_X`,
    // `stdcall`, `default` (a property's)...
    QString directives;
    // For a structure, the ancestor (the first name in its parentheses) and
    // the interfaces it implements (the others); a helper's `for` type is its
    // ancestor.
    QString ancestor;
    QStringList interfaces;
    // What tells overloads apart: the parameter types in order, case-folded,
    // white space folded, each with its passing mode (`const`, `var`, `out`,
    // `constref`), separated by ";". For an operator the result type follows
    // after ":" (Implicit overloads differ by their result only). An indexed
    // property's index parameters give its key; a generic type's is the
    // number of its type parameters (`<2>`), as `TPair<K, V>`, `TPair<T>`
    // and `TPair` may all be declared. Empty for declarations without
    // parameters.
    QString overloadKey;
    // Where it stands: the unit file, or the include file that holds it, and
    // the line (from 1) of its name.
    QString sourceFile;
    int line = 0;
    // A class method, class operator, class property or class variable
    // (`class procedure`, `class var`, `class property`); the text says so
    // too, which is what the store keeps.
    bool isClassMember = false;
};

// What the store keeps of a declaration's directives: the binding ones,
// then the hints, one "; " between them.
QString StoredDirectives(const Declaration& declaration);
// What the store keeps as a structure's ancestor: the ancestor and the
// interfaces it implements, ", " between them.
QString StoredAncestor(const Declaration& declaration);
// A stored ancestor parted again: the ancestor, then the interfaces, each
// as written; the commas of generic arguments (`TDictionary<string,
// Integer>`) do not part them.
QStringList SplitParents(const QString& storedAncestor);

// How a column keeps its value.
enum class ColumnShape { Text, Memo, Integer };

// One field of a declaration as the store keeps it in a column of its own.
// This list is the one place a declaration's fields are named: the digest
// that tells a changed read from an unchanged one, the store's columns, the
// rows a build writes and the fields a refresh compares all go by it, so a
// field added here is added everywhere (its column is added to older stores
// when they open, `addedLater`).
struct DeclarationField {
    const char* column;
    ColumnShape shape;
    int width; // characters, for Text
    bool required;
    bool addedLater;
    // The value the store keeps for `d`, a declaration of the unit whose own
    // file is `unitFile` (which is not repeated in every row): text as
    // written, nothing for empty text or no line.
    QVariant (*stored)(const Declaration& d, const QString& unitFile);
    // `d`'s field set from the value the store keeps.
    void (*load)(Declaration& d, const QVariant& value);
};

// In the order of the store's columns.
std::span<const DeclarationField> DeclarationFields();

// A stored value as the text a comparison reads: empty for nothing.
QString StoredText(const QVariant& value);

} // namespace ink

// Its members are all Qt's relocatable values, so a list of them grows and
// shrinks by reallocating rather than moving each one; a unit can declare
// tens of thousands.
Q_DECLARE_TYPEINFO(ink::Declaration, Q_RELOCATABLE_TYPE);
