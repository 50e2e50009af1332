#pragma once
#include <QList>
#include <QString>

#include "Declaration.h"
#include "StoredDeclarations.h"

namespace ink {

// How a found declaration came to its stored row.
enum class MatchedBy : unsigned char {
    Nothing,          // no row: it is new
    Identity,         // the row of its identity (DeclarationIdentity)
    ChangedSignature, // the one row left of its owner, name and group
};

// What the found declaration changes in its row.
enum class RowChange : unsigned char {
    None,
    Moved,   // only its place: its line, its file or its enclosing type
    Changed, // what the source says of it
};

struct DeclarationMatch {
    MatchedBy matchedBy = MatchedBy::Nothing;
    int stored = -1; // the index of its row among the stored ones; -1 when new
    RowChange change = RowChange::None;
    // The fields that differ, by their index in DeclarationFields(); the
    // enclosing type, which is a row's number, apart.
    QList<int> changedFields;
    bool parentChanged = false;
    // The row's description was written for the text it holds, which the
    // change makes another signature: that text is kept as ChangedFrom.
    bool keepsChangedFrom = false;
    // The row had left the source and is found again.
    bool cameBack = false;

    bool isNew() const { return matchedBy == MatchedBy::Nothing; }
};

// What one read of a unit changes against its stored rows (or one read
// against another), by indexes into the two lists.
struct DeclarationChangeSet {
    // One for each found declaration, in the order found.
    QList<DeclarationMatch> found;
    // The stored rows no found declaration matched, in their order.
    QList<int> leftTheSource;
    // The unit's rows are judged by this read from now on: it missed one
    // that was present, or the unit was never judged by a read of its own.
    bool judgedByThisRead = false;
};

// Matches the declarations a read of a unit found (`unitFile` its own file,
// which stored rows do not repeat) to its stored rows, so that every
// description stays with its declaration.
//
// A declaration is found again by its identity; of several of one
// identity, each takes the first row left. One left over is taken for the
// same declaration with a changed signature when it is the only one left of
// its owner, name and group on both sides: with more on either side there
// is no telling which became which, and guessing wrong would put a
// description on the wrong overload, so they are left missing and new. A
// described row whose signature changes keeps the text its description was
// written for, unless it already keeps one: the user reviews against what
// the description was written for.
DeclarationChangeSet MatchDeclarations(const QList<Declaration>& found, const QString& unitFile,
                                       const StoredDeclarations& stored);

// Whether two declaration texts differ in more than spacing, letter case
// and what follows their first top-level semicolon (the directives): a
// description written for one may not fit the other.
bool SignatureDiffers(const QString& before, const QString& after);

} // namespace ink
