#pragma once
#include <functional>
#include <memory>
#include <QList>
#include <vector>

#include "Declaration.h"

namespace ink {

// One stored declaration row of a unit, as matching reads it.
struct StoredDeclaration {
    qint64 number = 0;       // its DeclNo
    qint64 parentNumber = 0; // its enclosing type's DeclNo; 0 at unit level
    // Its fields as DeclarationFields() loads them.
    Declaration declaration;
    // False for a kind word of a later version's: such a row is kept and
    // shown, never matched.
    bool kindKnown = true;
    // False once it has left the source, as its unit's DeclsSeen judges.
    bool present = true;
    // Its description, or the routine row's that it shows, is a description
    // (DescriptionShown). Rows read from the store leave it to
    // StoredDeclarations::described, which reads it apart.
    bool described = false;
    // It already keeps the text its description was written for.
    bool hasChangedFrom = false;
};

// A unit's stored rows, in the order the store keeps them: given as values,
// or read one by one when matching first asks for a row. A refresh mostly
// finds a unit as it was, and then needs each row once and in order; reading
// them all up front would cost as much again.
class StoredDeclarations {
public:
    using ReadRow = std::function<StoredDeclaration(int index)>;
    using ReadDescribed = std::function<bool(int index)>;

    // `judgedBefore`: the unit's rows are judged by a read of their own
    // (the unit has a DeclsSeen); a unit of a store from before has none yet.
    explicit StoredDeclarations(QList<StoredDeclaration> rows, bool judgedBefore = true);
    // Whether a row is described is asked apart, of the few rows whose
    // signature changed: for a routine it may mean reading the unit's
    // routine rows.
    StoredDeclarations(int count, ReadRow readRow, ReadDescribed readDescribed, bool judgedBefore);

    int count() const { return int(rows_.size()); }
    bool judgedBefore() const { return judgedBefore_; }
    // Row `index` (0 <= index < count()), read on the first call.
    const StoredDeclaration& at(int index) const;
    // Whether row `index` shows a description (StoredDeclaration::described).
    bool described(int index) const;

private:
    // Each row made when first read: a large unit's rows are not all
    // laid out (and their memory touched) before matching needs them.
    mutable std::vector<std::unique_ptr<StoredDeclaration>> rows_;
    ReadRow readRow_;
    ReadDescribed readDescribed_;
    bool judgedBefore_;
};

} // namespace ink
