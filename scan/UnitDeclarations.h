#pragma once
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include "SourceStamps.h"
#include "UnitScanner.h"

namespace ink {

// What a declaration is, as `inkwright-tool declarations` names it.
enum class DeclKind : unsigned char {
    Class, // also a class reference type (`class of TFoo`) is a Type, not a Class
    Record,
    Interface, // dispinterfaces too
    Object,
    Helper, // class and record helpers
    Type,   // enumerations, sets, procedural types, aliases, pointers, arrays...
    Const,
    ResourceString,
    Var,
    ThreadVar,
    Procedure,
    Function,
    Constructor,
    Destructor,
    Operator, // class operators, and the unit-level operators of FPC
    Property,
    Field, // fields and class variables of a structure
};

// The groups a refresh matches declarations within, and the crosscheck
// counts by: a procedure that became a function is still the same routine.
enum class DeclGroup : unsigned char {
    Structures,
    Types,
    Routines,
    Properties,
    Fields,
    Constants,
    Variables,
};

// The kind's word: "class", "record", ... "field".
QString DeclKindName(DeclKind kind);
// The kind a word names, or false for a word that names none.
bool DeclKindFromName(const QString& name, DeclKind* kind);
DeclGroup DeclKindGroup(DeclKind kind);
// "structures", "types", "routines", "properties", "fields", "constants", "variables".
QString DeclGroupName(DeclGroup group);

// One declaration of a unit's interface.
struct Declaration {
    DeclKind kind = DeclKind::Type;
    // The name as written, without generic type parameters (`TList<T>` is
    // `TList`; the parameters stay in `text`). An operator's name is its
    // own (`Implicit`, `Add`).
    QString name;
    // The enclosing types, outermost first, joined by dots; empty at unit level.
    QString owner;
    // The index in UnitDeclarations::declarations of the enclosing type's
    // declaration; -1 at unit level.
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
    // (`class procedure`, `class var`, `class property`).
    bool isClassMember = false;
};

// Its members are all Qt's relocatable values, so a list of them grows and
// shrinks by reallocating rather than moving each one; a unit can declare
// tens of thousands.
} // namespace ink
Q_DECLARE_TYPEINFO(ink::Declaration, Q_RELOCATABLE_TYPE);
namespace ink {

struct UnitDeclarations {
    // In source order; a structure stands before its members.
    QList<Declaration> declarations;
    bool unreadable = false; // the file could not be read: no declarations
    // The unit file, then the include files read and the folders looked in
    // for them (as UnitRoutines::sources).
    QList<FileStamp> sources;
};

class IncludeCache;

// Reads every declaration of the unit's interface at `path`, its include
// files followed as the routine scanner follows them (`projectFolder` and
// `includeCache` as for ScanUnitRoutines). In conditional code each branch is
// read, and of a declaration that appears in several branches (the same kind
// group, owner, name and overload key) only the first is kept. Nothing is
// reported for a file that cannot be read: it is marked unreadable.
// With `defines`, conditional compilation is followed as the routine
// scanner follows it: only the branches compiled are read.
UnitDeclarations ScanUnitDeclarations(const QString& path, const QString& projectFolder = {},
                                      IncludeCache* includeCache = nullptr,
                                      const CompilerDefines* defines = nullptr);

// The same over a unit's bytes already in memory, without include files;
// `sourceFile` names the file in each declaration.
UnitDeclarations ParseUnitDeclarations(QByteArrayView bytes, const QString& sourceFile = {});

// What a build needs of one unit, from one reading of it and its include files.
struct UnitScan {
    UnitRoutines routines;
    UnitDeclarations declarations;
    // Left to the build, which judges the read on the thread that made it:
    // what the read found, as a digest, and whether its rows were let go
    // there, as those of a read that found what the unit's last one found.
    QString digest;
    bool rowsLetGo = false;
};
UnitScan ScanUnit(const QString& path, const QString& projectFolder = {},
                  IncludeCache* includeCache = nullptr, const CompilerDefines* defines = nullptr);

} // namespace ink
