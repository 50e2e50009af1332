// A unit's declarations matched to its stored rows across refreshes: every
// description stays with the declaration it was written for, a changed
// signature is noted where a description may no longer fit, and nothing is
// dropped.
#include "scan/DeclarationRows.h"
#include "scan/BuildDocument.h"
#include "store/Coverage.h"
#include "store/DeclarationDescriptions.h"
#include "store/MissingRows.h"
#include "store/SeenStamps.h"
#include "store/UndescribedDeclarations.h"
#include "support/FileTimes.h"
#include "support/PrintQt.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

Declaration decl(DeclKind kind, const QString& owner, const QString& name, const QString& text,
                 const QString& overloadKey = {}, int parent = -1) {
    Declaration d;
    d.kind = kind;
    d.owner = owner;
    d.name = name;
    d.text = text;
    d.overloadKey = overloadKey;
    d.parent = parent;
    d.visibility = owner.isEmpty() ? QString() : QStringLiteral("public");
    d.sourceFile = QStringLiteral("Shapes.pas");
    d.line = 1;
    return d;
}

class DeclarationRows : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        addDoc("DOC");
        addUnit("Shapes.pas");
    }

    // One scan of the unit, a second later than the one before.
    void write(const QList<Declaration>& declarations) {
        stamp = stamp.addSecs(1);
        UnitDeclarations found;
        found.declarations = declarations;
        Batch batch(dm->database());
        dm->tblDecls->refresh(); // as the build reads it under the write lock
        SeenStamps seen(dm->database(), stamp);
        WriteDeclarations(*dm, found, seen, stamp);
        seen.finish();
    }
    // The row of `owner.name` (the first of several overloads with `nth`).
    bool at(const QString& owner, const QString& name, int nth = 0) {
        dm->tblDecls->refresh();
        for (dm->tblDecls->first(); !dm->tblDecls->eof(); dm->tblDecls->next())
            if (dm->tblDeclsOwner->asString() == owner &&
                dm->tblDeclsDeclName->asString() == name && nth-- == 0)
                return true;
        return false;
    }
    void describe(const QString& owner, const QString& name, const QString& text, int nth = 0) {
        ASSERT_TRUE(at(owner, name, nth));
        dm->tblDecls->edit();
        dm->tblDeclsDescription->setValue(text);
        dm->tblDecls->post();
    }
    QStringList rows() {
        dm->tblDecls->refresh();
        QStringList all;
        for (int row = 0; row < dm->tblDecls->recordCount(); ++row) {
            auto value = [&](TField* f) {
                return dm->tblDecls->rowValue(row, f->index()).toString();
            };
            all << value(dm->tblDeclsDeclKind) + ' ' + value(dm->tblDeclsOwner) + '.' +
                       value(dm->tblDeclsDeclName) + ' ' + value(dm->tblDeclsDeclaration) + " | " +
                       value(dm->tblDeclsDescription) + " | " + value(dm->tblDeclsChangedFrom) +
                       (RowLeftTheSource(*dm, *dm->tblDecls, row) ? " (missing)" : "");
        }
        return all;
    }

    QDateTime stamp = QDateTime(QDate(2026, 1, 1), QTime(12, 0));
};

const Declaration shape = decl(DeclKind::Class, "", "TShape", "TShape = class(TObject)");
Declaration area(const QString& params, const QString& key, const QString& tail = "virtual;") {
    return decl(DeclKind::Function, "TShape", "Area",
                "function Area(" + params + "): Double; " + tail, key, 0);
}

} // namespace

TEST_F(DeclarationRows, AFirstReadWritesEveryDeclarationWithItsEnclosingType) {
    Declaration circle = decl(DeclKind::Class, "", "TCircle", "TCircle = class(TShape, IDrawable)");
    circle.ancestor = "TShape";
    circle.interfaces = {"IDrawable"};
    Declaration radius = decl(DeclKind::Property, "TCircle", "Radius",
                              "property Radius: Double read FRadius;", {}, 2);
    radius.directives = "default";
    radius.hints = "deprecated 'use Size'";
    write({shape, area("Scale: Double", "double"), circle, radius});
    EXPECT_EQ(rows(), QStringList({"class .TShape TShape = class(TObject) |  | ",
                                   "function TShape.Area function Area(Scale: Double): Double; "
                                   "virtual; |  | ",
                                   "class .TCircle TCircle = class(TShape, IDrawable) |  | ",
                                   "property TCircle.Radius property Radius: Double read FRadius; "
                                   "|  | "}));
    ASSERT_TRUE(at("", "TCircle"));
    const int circleNo = dm->tblDeclsDeclNo->asInteger();
    EXPECT_EQ(dm->tblDeclsAncestor->asString(), "TShape, IDrawable");
    EXPECT_EQ(dm->tblDeclsParentNo->asInteger(), 0);
    ASSERT_TRUE(at("TCircle", "Radius"));
    EXPECT_EQ(dm->tblDeclsParentNo->asInteger(), circleNo);
    EXPECT_EQ(dm->tblDeclsDirectives->asString(), "default; deprecated 'use Size'");
    EXPECT_EQ(dm->tblDeclsVisibility->asString(), "public");
    EXPECT_EQ(dm->tblDeclsSourceFile->asString(), "Shapes.pas");
}

TEST_F(DeclarationRows, ASignatureChangedUnderADescriptionIsNotedUntilReviewed) {
    write({shape, area("Scale: Double", "double")});
    describe("TShape", "Area", "The area, scaled.");
    const int areaNo = dm->tblDeclsDeclNo->asInteger();

    // Directives and spacing only: the text follows, nothing to review.
    write({shape, area("Scale:  Double", "double", "virtual; abstract;")});
    EXPECT_EQ(rows()[1], "function TShape.Area function Area(Scale:  Double): Double; virtual; "
                         "abstract; | The area, scaled. | ");

    // Other parameters: the same declaration (the only Area of TShape on
    // each side), with what the description was written for kept.
    write({shape, area("Scale, Margin: Double", "double;double")});
    write({shape, area("Factor: Integer", "integer")}); // the first change is the one kept
    ASSERT_TRUE(at("TShape", "Area"));
    EXPECT_EQ(dm->tblDeclsDeclNo->asInteger(), areaNo);
    EXPECT_EQ(dm->tblDeclsOverloadKey->asString(), "integer");
    EXPECT_EQ(rows()[1], "function TShape.Area function Area(Factor: Integer): Double; virtual; | "
                         "The area, scaled. | function Area(Scale:  Double): Double; virtual; "
                         "abstract;");

    // Reviewed: the note goes, and stays gone while nothing changes.
    dm->tblDecls->edit();
    dm->tblDeclsChangedFrom->setValue(QVariant());
    dm->tblDecls->post();
    write({shape, area("Factor: Integer", "integer")});
    EXPECT_EQ(rows()[1], "function TShape.Area function Area(Factor: Integer): Double; virtual; | "
                         "The area, scaled. | ");

    // Without a description there is nothing to review.
    write({shape, area("Factor: Integer", "integer"),
           decl(DeclKind::Const, "", "Pi2", "Pi2 = 6.28;")});
    write({shape, area("Factor: Integer", "integer"),
           decl(DeclKind::Const, "", "Pi2", "Pi2 = 6.2832;")});
    EXPECT_EQ(rows()[2], "const .Pi2 Pi2 = 6.2832; |  | ");
}

TEST_F(DeclarationRows, OverloadsKeepTheirOwnDescriptionsAndAnAmbiguousChangeIsNoGuess) {
    const Declaration create1 =
        decl(DeclKind::Constructor, "TShape", "Create", "constructor Create;", {}, 0);
    const Declaration create2 = decl(DeclKind::Constructor, "TShape", "Create",
                                     "constructor Create(Size: Integer);", "integer", 0);
    write({shape, create1});
    describe("TShape", "Create", "Makes an empty shape.");
    write({shape, create1, create2}); // an overload added
    describe("TShape", "Create", "Makes a shape of a size.", 1);
    write({shape, create2, create1}); // the order changed in the source
    EXPECT_EQ(rows(), QStringList({"class .TShape TShape = class(TObject) |  | ",
                                   "constructor TShape.Create constructor Create; | Makes an empty "
                                   "shape. | ",
                                   "constructor TShape.Create constructor Create(Size: Integer); | "
                                   "Makes a shape of a size. | "}));

    // One overload gone and two new ones of that name: which one it became
    // cannot be told, so the described row stays, missing, and both are new.
    const Declaration create3 = decl(DeclKind::Constructor, "TShape", "Create",
                                     "constructor Create(Size: Double);", "double", 0);
    const Declaration create4 = decl(DeclKind::Constructor, "TShape", "Create",
                                     "constructor Create(const Name: string);", "const string", 0);
    write({shape, create1, create3, create4});
    const QStringList now = rows();
    ASSERT_EQ(now.size(), 5);
    EXPECT_EQ(now[2], "constructor TShape.Create constructor Create(Size: Integer); | Makes a "
                      "shape of a size. |  (missing)");

    // Back again: the very row, with its words.
    write({shape, create1, create2});
    EXPECT_EQ(rows()[2], "constructor TShape.Create constructor Create(Size: Integer); | Makes a "
                         "shape of a size. | ");
}

TEST_F(DeclarationRows, AKindChangeWithinItsGroupIsTheSameDeclaration) {
    write({decl(DeclKind::Procedure, "", "Reset", "procedure Reset;"),
           decl(DeclKind::Var, "", "Reset2", "Reset2: Integer;")});
    describe("", "Reset", "Starts over.");
    write({decl(DeclKind::Function, "", "Reset", "function Reset: Boolean;"),
           decl(DeclKind::Const, "", "Reset2", "Reset2 = 1;")});
    // A procedure that became a function is the same routine; a variable
    // that became a constant is another declaration.
    EXPECT_EQ(rows(), QStringList({"function .Reset function Reset: Boolean; | Starts over. | "
                                   "procedure Reset;",
                                   "var .Reset2 Reset2: Integer; |  |  (missing)",
                                   "const .Reset2 Reset2 = 1; |  | "}));
}

// Declarations found in another order than they were stored, one key twice
// among them: each description stays with its own declaration, and the
// second of the same key takes the second row, not the first again.
TEST_F(DeclarationRows, DeclarationsReorderedInTheSourceKeepTheirRows) {
    const Declaration first = decl(DeclKind::Procedure, "", "Paint", "procedure Paint;");
    Declaration second = first;
    second.text = "procedure paint;";
    const Declaration other = decl(DeclKind::Const, "", "Size", "Size = 1;");
    write({first, other, second});
    describe("", "Paint", "The first.");
    describe("", "Size", "A size.");
    describe("", "Paint", "The second.", 1);
    write({first, second, other});
    EXPECT_EQ(rows(), QStringList({"procedure .Paint procedure Paint; | The first. | ",
                                   "const .Size Size = 1; | A size. | ",
                                   "procedure .Paint procedure paint; | The second. | "}));
    write({other, decl(DeclKind::Procedure, "", "PAINT", "procedure PAINT;")});
    EXPECT_EQ(rows(),
              QStringList({"procedure .PAINT procedure PAINT; | The first. | ",
                           "const .Size Size = 1; | A size. | ",
                           "procedure .Paint procedure paint; | The second. |  (missing)"}));
}

TEST_F(DeclarationRows, ASharedRoutineDescriptionCountsForTheChangeNote) {
    addProc("Area");
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Typed before declarations were kept.");
    dm->tblProc->post();
    write({shape, area("Scale: Double", "double")});
    write({shape, area("Scale: Integer", "integer")});
    EXPECT_EQ(rows()[1], "function TShape.Area function Area(Scale: Integer): Double; virtual; |  "
                         "| function Area(Scale: Double): Double; virtual;");
}

namespace {

// The same rules through a whole build and refresh of a project on disk.
class DeclarationRefresh : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        temp.write("app/P.dpr", "program P;\nuses\n  Shapes in 'Shapes.pas',\n"
                                "  Util in 'Util.pas';\nbegin\nend.\n");
        writeShapes("function Area(Scale: Double): Double;", "procedure Draw;\n");
        temp.write("app/Util.pas", "unit Util;\ninterface\nconst\n  Pi2 = 6.28;\n"
                                   "implementation\nend.\n");
    }
    void writeShapes(const QByteArray& area, const QByteArray& unitLevel,
                     const QByteArray& circle = "procedure Scale;") {
        temp.write("app/Shapes.pas", "unit Shapes;\ninterface\ntype\n  TShape = class\n  public\n"
                                     "    " +
                                         area +
                                         "\n  end;\n  TCircle = class(TShape)\n"
                                         "    " +
                                         circle + "\n  end;\n" + unitLevel +
                                         "implementation\nend.\n");
    }
    void build(bool refresh, RefreshReading reading = RefreshReading::ChangedUnits) {
        BuildDocument(*dm, temp.filePath("app/P.dpr"), "P", refresh, feedback, reading);
    }
    // Every declaration row and the stamp each unit judges them by, as stored.
    QStringList stored() {
        Statement rows(dm->database(),
                       "SELECT d.DeclNo, d.LastSeen, d.Declaration, d.ChangedFrom, d.SourceLine, "
                       "u.DeclsSeen FROM DeclsLib d JOIN UnitsLib u ON u.UnitNo = d.UnitNo "
                       "ORDER BY d.DeclNo");
        QStringList all;
        while (rows.step()) {
            QStringList values;
            for (int i = 0; i < 6; ++i)
                values << rows.textAt(i);
            all << values.join('|');
        }
        return all;
    }
    // How many declarations (no class among them) left the source, while
    // every unit is in the project: the count of missing rows and the
    // coverage must agree with what declarations() marks.
    int missingEverywhere() {
        const int docNo = dm->tblDocsDocNo->asInteger();
        const int marked = int(declarations().filter(" (missing)").size());
        const DocumentCoverage coverage =
            ReadCoverage(dm->database(), docNo, {"procedure", "function", "const"});
        EXPECT_EQ(CountMissingRows(dm->database(), docNo).declarations, marked);
        EXPECT_EQ(coverage.declarations.missing, marked);
        return marked;
    }
    // "Owner.Name: Description | ChangedFrom", missing rows marked, of every unit.
    QStringList declarations() {
        Statement rows(dm->database(),
                       "SELECT d.Owner, d.DeclName, d.Description, d.ChangedFrom, CASE WHEN " +
                           DeclarationLeftTheSourceSql("d", "u", 1) +
                           " THEN ' (missing)' ELSE '' END FROM DeclsLib d "
                           "LEFT JOIN UnitsLib u ON u.UnitNo = d.UnitNo "
                           "WHERE d.DeclKind <> 'class' ORDER BY d.UnitNo, d.DeclNo");
        BindLastScan(rows, 1, StoredLastScan(dm->database(), dm->tblDocsDocNo->asInteger()));
        QStringList all;
        while (rows.step())
            all << rows.textAt(0) + '.' + rows.textAt(1) + ": " + rows.textAt(2) + " | " +
                       rows.textAt(3) + rows.textAt(4);
        return all;
    }
    void describe(const QString& name, const QString& text) {
        Statement set(dm->database(), "UPDATE DeclsLib SET Description = ?1 WHERE DeclName = ?2");
        set.bindText(1, text);
        set.bindText(2, name);
        set.run();
        dm->tblDecls->refresh();
    }
    RecordingFeedback feedback;
};

} // namespace

TEST_F(DeclarationRefresh, EachKindOfChangeKeepsEveryDescription) {
    build(false);
    EXPECT_EQ(declarations(),
              QStringList({"TShape.Area:  | ", "TCircle.Scale:  | ", ".Draw:  | ", ".Pi2:  | "}));
    describe("Area", "The area.");
    describe("Scale", "Scales it.");
    describe("Draw", "Draws.");
    describe("Pi2", "Two pi.");

    // Parameters changed; a method moved to another class; a routine moved
    // to another unit; a constant renamed.
    writeShapes("function Area(Scale, Margin: Double): Double;\n    procedure Scale;", "",
                "procedure Grow;");
    temp.write("app/Util.pas", "unit Util;\ninterface\nconst\n  TwoPi = 6.28;\n"
                               "procedure Draw;\nimplementation\nend.\n");
    build(true);
    EXPECT_EQ(declarations(),
              QStringList({"TShape.Area: The area. | function Area(Scale: Double): Double;",
                           "TCircle.Scale: Scales it. |  (missing)", ".Draw: Draws. |  (missing)",
                           "TShape.Scale:  | ", "TCircle.Grow:  | ", ".Pi2: Two pi. |  (missing)",
                           ".TwoPi:  | ", ".Draw:  | "}));

    // An overload added, and a declaration back that had gone.
    writeShapes("function Area(Scale, Margin: Double): Double; overload;\n"
                "    function Area: Double; overload;",
                "procedure Draw;\n");
    build(true);
    EXPECT_EQ(declarations().mid(0, 3),
              QStringList({"TShape.Area: The area. | function Area(Scale: Double): Double;",
                           "TCircle.Scale: Scales it. | ", ".Draw: Draws. | "}));
    EXPECT_TRUE(declarations().contains("TShape.Area:  | "))
        << declarations().join('\n').toStdString();
}

TEST_F(DeclarationRefresh, AStoreMadeBeforeGetsItsDeclarationsAtTheNextRefreshSharingItsWords) {
    build(false);
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Shapes.pas"));
    ASSERT_TRUE(dm->tblProc->locate("ProcName", "Area"));
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Typed on the Procedures page.");
    dm->tblProc->post();
    // As a store of the version before kept it: no declaration rows at all.
    Statement(dm->database(), "DELETE FROM DeclsLib").run();
    dm->tblDecls->refresh();

    build(true); // nothing changed on disk, so only the missing rows make it read
    EXPECT_EQ(declarations(),
              QStringList({"TShape.Area:  | ", "TCircle.Scale:  | ", ".Draw:  | ", ".Pi2:  | "}));
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Shapes.pas"));
    const auto routines = RoutineDescriptions(dm->database(), dm->tblDocsDocNo->asInteger());
    const DeclarationDescription shown =
        DescriptionShown("function", "Area", "", routines.value(dm->tblUnitsUnitNo->asInteger()));
    EXPECT_EQ(shown.text, "Typed on the Procedures page.");
    EXPECT_TRUE(shown.shared);
    EXPECT_FALSE(DescriptionShown("function", "Area", "Its own.",
                                  routines.value(dm->tblUnitsUnitNo->asInteger()))
                     .shared);
    EXPECT_FALSE(
        DescriptionShown("property", "Area", "", routines.value(dm->tblUnitsUnitNo->asInteger()))
            .shared);
    // The routine rows are as they were.
    EXPECT_EQ(column(dm->tblProc, "Description").join(','), ",,Typed on the Procedures page.");
}

// A refresh that finds every declaration as it was writes none of them,
// whether it passes over the unchanged units or reads them all; a
// declaration missing before stays missing through it.
TEST_F(DeclarationRefresh, ARefreshThatFindsNothingChangedWritesNoDeclarationRow) {
    build(false);
    AgeFileTree(temp.path());
    const QStringList built = stored();
    build(true);
    EXPECT_EQ(stored(), built);
    build(true, RefreshReading::AllUnits);
    EXPECT_EQ(stored(), built);

    writeShapes("function Area(Scale: Double): Double;", ""); // Draw gone
    AgeFileTree(temp.path());
    build(true);
    ASSERT_EQ(declarations().filter(" (missing)"), QStringList({".Draw:  |  (missing)"}));
    const QStringList drawGone = stored();
    build(true);
    EXPECT_EQ(stored(), drawGone);
    build(true, RefreshReading::AllUnits);
    EXPECT_EQ(stored(), drawGone);
    EXPECT_EQ(declarations().filter(" (missing)"), QStringList({".Draw:  |  (missing)"}));
    EXPECT_EQ(missingEverywhere(), 1);

    // Removing what left the source takes that one alone: the rows found
    // again but not written are no less present.
    RemoveMissingRows(dm->database(), dm->tblDocsDocNo->asInteger(), false);
    EXPECT_EQ(declarations(), QStringList({"TShape.Area:  | ", "TCircle.Scale:  | ", ".Pi2:  | "}));
}

// What reads as missing after each kind of change, by every reader of the
// store: a declaration gone, back, new; a unit whose source is not found and
// then found again; a unit that left the project and came back.
TEST_F(DeclarationRefresh, EveryReaderSeesWhatEachRefreshMissed) {
    build(false);
    const int docNo = dm->tblDocsDocNo->asInteger();
    EXPECT_EQ(missingEverywhere(), 0);
    EXPECT_EQ(UnitsWithUndescribedDeclarations(dm->database(), docNo).size(), 2);

    writeShapes("function Area(Scale: Double): Double;", "procedure Fill;\n");
    build(true);
    EXPECT_EQ(declarations(), QStringList({"TShape.Area:  | ", "TCircle.Scale:  | ",
                                           ".Draw:  |  (missing)", ".Fill:  | ", ".Pi2:  | "}));
    EXPECT_EQ(missingEverywhere(), 1);

    QFile::rename(temp.filePath("app/Util.pas"), temp.filePath("app/Util.bak"));
    build(true);
    EXPECT_EQ(declarations().filter(" (missing)"),
              QStringList({".Draw:  |  (missing)", ".Pi2:  |  (missing)"}));
    EXPECT_EQ(missingEverywhere(), 2);
    // Util's only undescribed declaration is missing: Shapes alone has one.
    EXPECT_EQ(UnitsWithUndescribedDeclarations(dm->database(), docNo).size(), 1);

    QFile::rename(temp.filePath("app/Util.bak"), temp.filePath("app/Util.pas"));
    writeShapes("function Area(Scale: Double): Double;", "procedure Draw;\n");
    build(true);
    describe("Pi2", "Two pi.");
    EXPECT_EQ(declarations(), QStringList({"TShape.Area:  | ", "TCircle.Scale:  | ", ".Draw:  | ",
                                           ".Fill:  |  (missing)", ".Pi2: Two pi. | "}));
    EXPECT_EQ(missingEverywhere(), 1);

    temp.write("app/P.dpr", "program P;\nuses\n  Shapes in 'Shapes.pas';\nbegin\nend.\n");
    build(true);
    const MissingRowsSummary gone = CountMissingRows(dm->database(), docNo);
    EXPECT_EQ(gone.units, 1);
    EXPECT_EQ(gone.declarations, 2); // Util's constant with Fill
    EXPECT_EQ(gone.describedDeclarations, 1);

    temp.write("app/P.dpr", "program P;\nuses\n  Shapes in 'Shapes.pas',\n"
                            "  Util in 'Util.pas';\nbegin\nend.\n");
    build(true);
    EXPECT_EQ(CountMissingRows(dm->database(), docNo).units, 0);
    EXPECT_EQ(missingEverywhere(), 1);
}

// A store from before kept no DeclsSeen: the document's scan judged every
// declaration, and the rows found were stamped at each refresh. Its first
// refreshes keep what reads as missing, read or passed over.
TEST_F(DeclarationRefresh, AStoreFromBeforeKeepsItsMissingDeclarations) {
    build(false);
    writeShapes("function Area(Scale: Double): Double;", "");
    build(true);
    const QStringList missing = declarations();
    ASSERT_EQ(missing.filter(" (missing)"), QStringList({".Draw:  |  (missing)"}));
    // As that version left it: the rows found carry the scan's stamp.
    Statement stamp(dm->database(), "UPDATE DeclsLib SET LastSeen = ?1 WHERE DeclName <> 'Draw'");
    BindLastScan(stamp, 1, StoredLastScan(dm->database(), dm->tblDocsDocNo->asInteger()));
    stamp.run();
    dm->database().exec("UPDATE UnitsLib SET DeclsSeen = NULL");
    EXPECT_EQ(declarations(), missing);

    AgeFileTree(temp.path());
    build(true); // passes over both units
    EXPECT_EQ(declarations(), missing);
    build(true, RefreshReading::AllUnits);
    EXPECT_EQ(declarations(), missing);
    Statement unjudged(dm->database(), "SELECT COUNT(*) FROM UnitsLib WHERE DeclsSeen IS NULL");
    ASSERT_TRUE(unjudged.step());
    EXPECT_EQ(unjudged.integerAt(0), 0);

    dm->database().exec("UPDATE UnitsLib SET DeclsSeen = NULL");
    build(true, RefreshReading::AllUnits); // reads both units
    EXPECT_EQ(declarations(), missing);
    writeShapes("function Area(Scale: Double): Double;", "procedure Draw;\n");
    build(true);
    EXPECT_EQ(declarations().filter(" (missing)"), QStringList());
}

// A full read finds a unit as its last read did: nothing of it is written,
// its rows not even loaded. What changed unseen by the files' sizes and times
// is still found by it, routines and declarations alike.
TEST_F(DeclarationRefresh, AFullReadWritesNothingOfAUnitFoundAsBeforeAndFindsWhatChangedUnseen) {
    build(false);
    AgeFileTree(temp.path());
    build(true, RefreshReading::AllUnits); // the stamps of aged files are kept
    const QStringList before = stored();
    build(true, RefreshReading::AllUnits);
    EXPECT_EQ(stored(), before);

    RewriteUnseen(temp.filePath("app/Shapes.pas"), "procedure Draw;", "procedure Dray;");
    build(true);
    EXPECT_EQ(stored(), before); // passed over: its files look as they were
    build(true, RefreshReading::AllUnits);
    EXPECT_EQ(declarations().filter("Dra"), QStringList({".Draw:  |  (missing)", ".Dray:  | "}));
    Statement routines(dm->database(), "SELECT COUNT(*) FROM ProcsLib WHERE ProcName = 'Dray'");
    ASSERT_TRUE(routines.step());
    EXPECT_EQ(routines.integerAt(0), 1);
}

// The digest is kept in the store and compared by later runs: a value that
// depended on the process (as Qt's seeded hashes do) would make every full
// read write every unit.
TEST(ReadDigest, IsTheSameInEveryRun) {
    UnitScan scan;
    scan.routines.rows.append({"FUNCTION", "Area", "<None>", "Double", "function Area: Double;"});
    scan.declarations.declarations.append(area("", ""));
    EXPECT_EQ(ReadDigest(scan), "63480f982aea67d4-5289b39dfe7695b5");
    UnitScan renamed = scan;
    renamed.routines.rows[0].name = "Aria";
    EXPECT_NE(ReadDigest(renamed), ReadDigest(scan));
}

namespace {

// Stands in for any member when counting an aggregate's members.
struct AnyMember {
    template <class T> operator T() const;
};

template <class T, class... Members> constexpr std::size_t memberCount() {
    if constexpr (requires { T{Members{}..., AnyMember{}}; })
        return memberCount<T, Members..., AnyMember>();
    else
        return sizeof...(Members);
}

} // namespace

// A changed-only refresh skips a unit whose digest did not move, so every
// field the store keeps must move it: each field of the model's list is
// changed in turn, and so is each member kept within another's column.
TEST(ReadDigest, FollowsEveryFieldTheStoreKeeps) {
    // A member added to Declaration belongs in DeclarationFields (or in a
    // column of another, as the hints and the interfaces are), and then in
    // this count and the cases below.
    EXPECT_EQ(memberCount<Declaration>(), 14u);
    UnitScan scan;
    scan.declarations.sources.append({"shapes.pas"});
    Declaration base = area("TShape", "");
    base.sourceFile = "shapes.inc";
    base.line = 3;
    scan.declarations.declarations.append(base);
    const QString before = ReadDigest(scan);
    for (const DeclarationField& field : DeclarationFields()) {
        UnitScan changed = scan;
        const QVariant value = field.shape == ColumnShape::Integer ? QVariant(99)
                               : QLatin1StringView(field.column) == QLatin1StringView("DeclKind")
                                   ? QVariant("record")
                                   : QVariant("changed");
        field.load(changed.declarations.declarations[0], value);
        EXPECT_NE(ReadDigest(changed), before) << field.column;
    }
    auto changedBy = [&](auto change) {
        UnitScan changed = scan;
        change(changed.declarations.declarations[0]);
        return ReadDigest(changed);
    };
    EXPECT_NE(changedBy([](Declaration& d) { d.hints = "platform"; }), before);
    EXPECT_NE(changedBy([](Declaration& d) { d.interfaces = {"IShape"}; }), before);
    EXPECT_NE(changedBy([](Declaration& d) { d.parent = 7; }), before);
    // Not kept apart from the text, which says `class` itself.
    EXPECT_EQ(changedBy([](Declaration& d) { d.isClassMember = true; }), before);
}
