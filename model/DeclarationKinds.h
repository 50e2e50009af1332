#pragma once
#include <QString>
#include <QStringView>

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
// counts by: a procedure that became a function is still the same routine,
// a constant that became a resource string the same constant.
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

// The same questions of a kind word as the store keeps it. A word this
// version does not know (a later version's) is of no group but its own.
//
// The group's name, or "?" and the folded word for an unknown word.
QString KindWordGroup(const QString& word);
// A class, record, interface, object or helper: what has members.
bool KindWordIsStructure(QStringView word);
// What a reader looks up as a type: a structure, or a "type".
bool KindWordIsType(QStringView word);
// A procedure, function, constructor, destructor or operator.
bool KindWordIsRoutine(QStringView word);

} // namespace ink
