// A read of a unit matched to its stored rows with values alone: which row
// each declaration finds again, what it changes there, what left, and when
// a description's old signature is kept.
#include <gtest/gtest.h>

#include "model/DeclarationIdentity.h"
#include "model/DeclarationMatch.h"
#include "support/PrintQt.h"

using namespace ink;

namespace {

const QString UnitFile = "shapes.pas";

Declaration decl(DeclKind kind, const QString& owner, const QString& name, const QString& text,
                 const QString& overloadKey = {}, int line = 1) {
    Declaration d;
    d.kind = kind;
    d.owner = owner;
    d.name = name;
    d.text = text;
    d.overloadKey = overloadKey;
    d.sourceFile = UnitFile;
    d.line = line;
    return d;
}

// A stored row as a refresh reads it back: the store keeps no own file.
StoredDeclaration row(qint64 number, Declaration d, qint64 parentNumber = 0) {
    if (d.sourceFile == UnitFile)
        d.sourceFile.clear();
    d.parent = -1;
    StoredDeclaration stored;
    stored.number = number;
    stored.parentNumber = parentNumber;
    stored.declaration = d;
    return stored;
}

QList<StoredDeclaration> rowsOf(const QList<Declaration>& found) {
    QList<StoredDeclaration> rows;
    for (qsizetype i = 0; i < found.size(); ++i)
        rows.append(row(100 + i, found[i]));
    return rows;
}

// Each found declaration's row index, -1 for a new one.
QList<int> rowsTaken(const DeclarationChangeSet& changes) {
    QList<int> taken;
    for (const DeclarationMatch& match : changes.found)
        taken.append(match.stored);
    return taken;
}

// The columns a match changes, by name.
QStringList columnsChanged(const DeclarationMatch& match) {
    QStringList columns;
    for (int f : match.changedFields)
        columns << DeclarationFields()[std::size_t(f)].column;
    return columns;
}

const Declaration shape = decl(DeclKind::Class, "", "TShape", "TShape = class(TObject)");
const Declaration pi2 = decl(DeclKind::Const, "", "Pi2", "Pi2 = 6.28;", {}, 2);
const Declaration draw = decl(DeclKind::Procedure, "", "Draw", "procedure Draw;", {}, 3);
Declaration area(const QString& params, const QString& key) {
    Declaration d = decl(DeclKind::Function, "TShape", "Area",
                         "function Area(" + params + "): Double; virtual;", key, 5);
    d.parent = 0;
    return d;
}

} // namespace

// A unit found as it was stored matches row by row, each row read once and
// no more: a refresh mostly finds units so.
TEST(DeclarationMatch, AUnitFoundAsStoredIsReadOnceInOrderAndChangesNothing) {
    const QList<Declaration> found{shape, area("Scale: Double", "double"), pi2, draw};
    QList<StoredDeclaration> rows = rowsOf(found);
    rows[1].parentNumber = 100;
    QList<int> reads;
    int describedAsked = 0;
    const StoredDeclarations stored(
        int(rows.size()),
        [&](int index) {
            reads.append(index);
            return rows[index];
        },
        [&](int) { return bool(++describedAsked); }, true);
    const DeclarationChangeSet changes = MatchDeclarations(found, UnitFile, stored);
    EXPECT_EQ(reads, QList<int>({0, 1, 2, 3}));
    EXPECT_EQ(describedAsked, 0);
    EXPECT_EQ(rowsTaken(changes), QList<int>({0, 1, 2, 3}));
    for (const DeclarationMatch& match : changes.found) {
        EXPECT_EQ(match.matchedBy, MatchedBy::Identity);
        EXPECT_EQ(match.change, RowChange::None);
        EXPECT_FALSE(match.cameBack);
    }
    EXPECT_TRUE(changes.leftTheSource.isEmpty());
    EXPECT_FALSE(changes.judgedByThisRead);

    // A unit no read of its own judged yet is judged by this one; a first
    // read has nothing to match.
    EXPECT_TRUE(
        MatchDeclarations(found, UnitFile, StoredDeclarations(rows, false)).judgedByThisRead);
    const DeclarationChangeSet first = MatchDeclarations(found, UnitFile, StoredDeclarations({}));
    EXPECT_EQ(rowsTaken(first), QList<int>({-1, -1, -1, -1}));
}

// Declarations in another order keep their rows, letter case aside; only
// their lines move. Overloads are told apart by their keys, and of two of
// one identity each takes its own row.
TEST(DeclarationMatch, ReorderedSourceAndOverloadsKeepTheirOwnRows) {
    const Declaration create1 =
        decl(DeclKind::Constructor, "TShape", "Create", "constructor Create;", {}, 4);
    const Declaration create2 = decl(DeclKind::Constructor, "TShape", "Create",
                                     "constructor Create(Size: Integer);", "integer", 5);
    const Declaration paint = decl(DeclKind::Procedure, "", "Paint", "procedure Paint;", {}, 6);
    const StoredDeclarations stored(rowsOf({create1, create2, paint, paint}));

    Declaration upper = create2;
    upper.owner = "TSHAPE";
    upper.overloadKey = "INTEGER";
    upper.text = "constructor Create(Size: INTEGER);";
    upper.line = 4;
    Declaration created = create1;
    created.line = 5;
    const DeclarationChangeSet changes =
        MatchDeclarations({paint, upper, created, paint}, UnitFile, stored);
    EXPECT_EQ(rowsTaken(changes), QList<int>({2, 1, 0, 3}));
    EXPECT_EQ(changes.found[2].change, RowChange::Moved);
    EXPECT_EQ(columnsChanged(changes.found[2]), QStringList({"SourceLine"}));
    EXPECT_EQ(changes.found[1].change, RowChange::Changed);
    EXPECT_EQ(columnsChanged(changes.found[1]),
              QStringList({"Owner", "OverloadKey", "Declaration", "SourceLine"}));
    EXPECT_EQ(changes.found[3].change, RowChange::None);
}

// A changed signature is taken for the same declaration only when one is
// left of its owner, name and group on each side; with two on either side
// there is no telling, and the row is left, the found ones new.
TEST(DeclarationMatch, AChangedSignatureIsMatchedOnlyOneToOne) {
    QList<StoredDeclaration> rows = rowsOf({shape, area("Scale: Double", "double"), pi2});
    rows[1].described = true;
    const StoredDeclarations stored(rows);

    const DeclarationChangeSet one =
        MatchDeclarations({shape, area("Factor: Integer", "integer"), pi2}, UnitFile, stored);
    EXPECT_EQ(rowsTaken(one), QList<int>({0, 1, 2}));
    EXPECT_EQ(one.found[1].matchedBy, MatchedBy::ChangedSignature);
    EXPECT_TRUE(one.found[1].keepsChangedFrom);
    EXPECT_FALSE(one.judgedByThisRead);

    const DeclarationChangeSet two = MatchDeclarations(
        {shape, area("Factor: Integer", "integer"), area("S: string", "string"), pi2}, UnitFile,
        stored);
    EXPECT_EQ(rowsTaken(two), QList<int>({0, -1, -1, 2}));
    EXPECT_EQ(two.leftTheSource, QList<int>({1}));
    EXPECT_TRUE(two.judgedByThisRead);
}

// A procedure that became a function is the same routine; a variable that
// became a constant is another declaration. A kind word of a later
// version's is never matched.
TEST(DeclarationMatch, AKindChangeIsKeptWithinItsGroupOnly) {
    const Declaration reset = decl(DeclKind::Procedure, "", "Reset", "procedure Reset;");
    const Declaration count = decl(DeclKind::Var, "", "Count", "Count: Integer;");
    QList<StoredDeclaration> rows = rowsOf({reset, count, pi2});
    rows[2].kindKnown = false;
    Declaration resetFunction = reset;
    resetFunction.kind = DeclKind::Function;
    resetFunction.text = "function Reset: Boolean;";
    Declaration countConst = count;
    countConst.kind = DeclKind::Const;
    const DeclarationChangeSet changes =
        MatchDeclarations({resetFunction, countConst, pi2}, UnitFile, StoredDeclarations(rows));
    EXPECT_EQ(rowsTaken(changes), QList<int>({0, -1, -1}));
    EXPECT_EQ(columnsChanged(changes.found[0]), QStringList({"DeclKind", "Declaration"}));
    EXPECT_EQ(changes.leftTheSource, QList<int>({1, 2}));
}

// A member whose place alone changed (its line, its file, the row of its
// enclosing type) is moved, not changed; its enclosing type's row being new
// is a change of place too.
TEST(DeclarationMatch, AMovedMemberChangesOnlyItsPlace) {
    const Declaration before = area("Scale: Double", "double");
    QList<StoredDeclaration> rows = rowsOf({shape, before});
    rows[1].parentNumber = 100;
    rows[1].described = true;
    Declaration moved = before;
    moved.sourceFile = "shapes.inc";
    moved.line = 40;
    const DeclarationChangeSet changes =
        MatchDeclarations({shape, moved}, UnitFile, StoredDeclarations(rows));
    EXPECT_EQ(changes.found[1].change, RowChange::Moved);
    EXPECT_FALSE(changes.found[1].parentChanged);
    EXPECT_FALSE(changes.found[1].keepsChangedFrom);
    EXPECT_EQ(columnsChanged(changes.found[1]), QStringList({"SourceFile", "SourceLine"}));

    rows[0].kindKnown = false; // its type's row is not found again, so a new one is written
    const DeclarationChangeSet reparented =
        MatchDeclarations({shape, before}, UnitFile, StoredDeclarations(rows));
    EXPECT_TRUE(reparented.found[0].isNew());
    EXPECT_EQ(reparented.found[1].change, RowChange::Moved);
    EXPECT_TRUE(reparented.found[1].parentChanged);
    EXPECT_TRUE(reparented.found[1].changedFields.isEmpty());
}

// A row that had left the source and is found again comes back; the unit
// is judged by this read only when it misses a row that was present.
TEST(DeclarationMatch, ARowThatHadLeftComesBack) {
    QList<StoredDeclaration> rows = rowsOf({pi2, draw});
    rows[1].present = false;
    const DeclarationChangeSet back =
        MatchDeclarations({pi2, draw}, UnitFile, StoredDeclarations(rows));
    EXPECT_FALSE(back.found[0].cameBack);
    EXPECT_TRUE(back.found[1].cameBack);
    EXPECT_EQ(back.found[1].change, RowChange::None);

    const DeclarationChangeSet stillGone =
        MatchDeclarations({pi2}, UnitFile, StoredDeclarations(rows));
    EXPECT_EQ(stillGone.leftTheSource, QList<int>({1}));
    EXPECT_FALSE(stillGone.judgedByThisRead);
    const DeclarationChangeSet piGone =
        MatchDeclarations({draw}, UnitFile, StoredDeclarations(rows));
    EXPECT_EQ(piGone.leftTheSource, QList<int>({0}));
    EXPECT_TRUE(piGone.judgedByThisRead);
}

// Only a described row whose signature (not its directives or spacing)
// changes keeps its old text, and only the first time.
TEST(DeclarationMatch, ADescribedRowKeepsItsOldSignatureOnce) {
    QList<StoredDeclaration> rows = rowsOf({area("Scale: Double", "double")});
    Declaration respaced = area("Scale :  double", "double");
    respaced.text.replace("virtual;", "virtual; abstract;");
    const Declaration changed = area("Factor: Integer", "double");
    auto keeps = [&](const Declaration& now) {
        return MatchDeclarations({now}, UnitFile, StoredDeclarations(rows))
            .found[0]
            .keepsChangedFrom;
    };
    EXPECT_FALSE(keeps(changed)); // nothing described to review
    rows[0].described = true;
    EXPECT_FALSE(keeps(respaced));
    EXPECT_TRUE(keeps(changed));
    rows[0].hasChangedFrom = true;
    EXPECT_FALSE(keeps(changed));

    EXPECT_FALSE(SignatureDiffers("procedure A(X: Integer); overload;", "PROCEDURE A(x:integer);"));
    EXPECT_TRUE(SignatureDiffers("procedure A(X: Integer);", "procedure A(X: Int64);"));
    EXPECT_TRUE(SignatureDiffers("procedure A(X: Integer; Y: Byte);", "procedure A(X: Integer);"));
}

// Remove-missing finds where a description may move by the same identity.
TEST(DeclarationIdentity, IsOneForTheStoreAndTheRead) {
    const DeclarationIdentity read = IdentityOf(area("Scale: Double", "Double"));
    const DeclarationIdentity stored = IdentityOf("procedure", "tshape", "AREA", "DOUBLE");
    EXPECT_EQ(read.key(), stored.key());
    EXPECT_EQ(read.namesakeKey(), IdentityOf("function", "TCircle", "Area", {}).namesakeKey());
    EXPECT_NE(read.nameKey(), IdentityOf("property", "TShape", "Area", {}).nameKey());
    EXPECT_NE(stored.key(), IdentityOf("concept", "TShape", "Area", "double").key());
    Declaration strasse = decl(DeclKind::Const, "", "Straße", "Straße = 1;");
    Declaration upper = strasse;
    upper.name = "STRASSE";
    EXPECT_EQ(SameIdentity(strasse, upper), IdentityOf(strasse).key() == IdentityOf(upper).key());
}
