#pragma once
#include <QString>

#include "Declaration.h"

namespace ink {

// What tells one declaration of a unit from another, letter case aside: its
// owner, its name, its kind group (a procedure that became a function is
// the same routine) and its overload key. A refresh finds a stored row
// again by it, and remove-missing looks for where a description can move
// by its parts.
struct DeclarationIdentity {
    // Each case-folded; the group as DeclGroupName names it, or "?" and the
    // folded word for a kind word this version does not know, which is no
    // other declaration's group.
    QString owner;
    QString name;
    QString group;
    QString overloadKey;

    // Owner, name and group: what a declaration keeps through a change of
    // its signature.
    QString nameKey() const;
    // All four: the same declaration.
    QString key() const;
    // Name and group alone: a namesake under any owner, which is where a
    // moved member's description may go.
    QString namesakeKey() const;
};

DeclarationIdentity IdentityOf(const Declaration& declaration);
// The same for a row as the store keeps it, its kind by its word.
DeclarationIdentity IdentityOf(const QString& kindWord, const QString& owner, const QString& name,
                               const QString& overloadKey);

// Whether the two have one identity, asked without making their keys: a
// refresh asks it of nearly every declaration, mostly of names in ASCII.
bool SameIdentity(const Declaration& a, const Declaration& b);

} // namespace ink
