#include <QSignalSpy>
#include <QThread>

#include "store/TDataSource.h"
#include "store/UserError.h"
#include "support/StoreFixture.h"

using ink::TTable;
using ink::UserError;
using State = ink::TTable::State;

namespace {

// Runs `action` and returns the UserError text it raised, or "" when none.
template <typename Action> QString errorOf(Action action) {
    try {
        action();
    } catch (const UserError& error) {
        return error.message();
    }
    return {};
}

} // namespace

TEST_F(StoreFixture, DetailsAreScopedToTheCurrentMasterRow) {
    addDoc("FIRST");
    addUnit("Util.pas");
    addProc("FormCreate");
    addProc("FormClose");
    addUnit("Main.pas");
    addProc("Helper");
    addDoc("SECOND");
    addUnit("Other.pas");
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Other.pas"}));
    EXPECT_EQ(dm->tblProc->recordCount(), 0);
    EXPECT_TRUE(dm->tblProc->eof());

    // Moving the document takes its units, in the order they were added,
    // with the first one current and its routines following it.
    dm->tblDocs->first();
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Util.pas", "Main.pas"}));
    EXPECT_EQ(dm->tblUnits->recNo(), 0);
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"FormCreate", "FormClose"}));
    dm->tblUnits->next();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Helper"}));

    // A posted document with the same number keeps the current unit.
    dm->tblDocs->edit();
    dm->tblDocsDocAuthor->setValue("Ann");
    dm->tblDocs->post();
    EXPECT_EQ(dm->tblUnits->recNo(), 1);

    // Back and forth again: the kept scopes match the store.
    dm->tblDocs->next();
    dm->tblDocs->prior();
    EXPECT_EQ(dm->tblUnits->recNo(), 0);
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"FormCreate", "FormClose"}));
}

TEST_F(StoreFixture, FirstNextAndTheEndTest) {
    EXPECT_TRUE(dm->tblDocs->eof());
    addDoc("A");
    addDoc("B");
    dm->tblDocs->first();
    EXPECT_FALSE(dm->tblDocs->eof());
    QStringList walked;
    while (!dm->tblDocs->eof()) {
        walked << dm->tblDocsDocName->asString();
        dm->tblDocs->next();
    }
    EXPECT_EQ(walked, QStringList({"A", "B"}));
    EXPECT_EQ(dm->tblDocs->recNo(), 1);
}

TEST_F(StoreFixture, EditOnAnEmptyScopeStartsANewRow) {
    // No documents: the details are empty and Edit starts a new document.
    EXPECT_EQ(dm->tblUnits->recordCount(), 0);
    dm->tblDocs->edit();
    EXPECT_EQ(dm->tblDocs->state(), State::Inserting);
    dm->tblDocsDocName->setValue("NEW");
    dm->tblDocs->post();
    EXPECT_EQ(dm->tblDocs->recordCount(), 1);
    EXPECT_GT(dm->tblDocsDocNo->asInteger(), 0);

    // A unit row started by Edit takes the document's number, but its own
    // number comes only from the store, so Post refuses it and keeps it.
    dm->tblUnits->edit();
    EXPECT_EQ(dm->tblUnits->state(), State::Inserting);
    EXPECT_EQ(dm->tblUnitsDocNo->asInteger(), dm->tblDocsDocNo->asInteger());
    dm->tblUnitsUnitName->setValue("Main.pas");
    EXPECT_EQ(errorOf([&] { dm->tblUnits->post(); }), "Field 'UnitNo' must have a value");
    EXPECT_EQ(dm->tblUnits->state(), State::Inserting);
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "Main.pas");
    dm->tblUnits->cancel();

    // A routine row started by Edit is refused only while it has no name.
    addUnit("Main.pas");
    dm->tblProc->edit();
    EXPECT_EQ(errorOf([&] { dm->tblProc->post(); }), "Field 'ProcName' must have a value");
    dm->tblProcProcName->setValue("Run");
    dm->tblProc->post();
    EXPECT_EQ(dm->tblProc->state(), State::Browsing);
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Run"}));
    EXPECT_GT(dm->tblProcProcNo->asInteger(), 0);
}

TEST_F(StoreFixture, MovingPostsAChangedRowAndDropsAnUnchangedOne) {
    addDoc("A");
    addDoc("B");
    dm->tblDocs->first();
    dm->tblDocs->edit();
    dm->tblDocsDocAuthor->setValue("Ann");
    EXPECT_TRUE(dm->tblDocs->isModified());
    dm->tblDocs->next();
    EXPECT_EQ(dm->tblDocs->state(), State::Browsing);
    EXPECT_EQ(column(dm->tblDocs, "DocAuthor"), QStringList({"Ann", ""}));

    // Setting a field to the value it has is no change.
    dm->tblDocs->edit();
    dm->tblDocsDocAuthor->setValue("");
    EXPECT_FALSE(dm->tblDocs->isModified());
    dm->tblDocs->first();
    EXPECT_EQ(dm->tblDocs->state(), State::Browsing);

    // A new row that was started and never filled disappears.
    addUnit("Main.pas");
    dm->tblProc->edit();
    EXPECT_EQ(dm->tblProc->state(), State::Inserting);
    dm->tblProc->first();
    EXPECT_EQ(dm->tblProc->state(), State::Browsing);
    EXPECT_EQ(dm->tblProc->recordCount(), 0);

    // Post writes also an unchanged row, and on a browsing table does nothing.
    dm->tblDocs->edit();
    dm->tblDocs->post();
    dm->tblDocs->post();
    EXPECT_EQ(dm->tblDocs->state(), State::Browsing);
}

TEST_F(StoreFixture, AMasterMoveFinishesTheDetailsFirst) {
    addDoc("A");
    addUnit("Main.pas");
    addProc("Run");
    addDoc("B");
    dm->tblDocs->first();

    // The routine's change is posted before the document moves.
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Runs it.");
    dm->tblDocs->next();
    EXPECT_EQ(dm->tblProc->state(), State::Browsing);
    EXPECT_EQ(dm->tblProc->recordCount(), 0);
    dm->tblDocs->first();
    EXPECT_EQ(dm->tblProcDescription->asString(), "Runs it.");

    // A detail row the store refuses stops the master's move; nothing is lost.
    dm->tblProc->edit();
    dm->tblProcProcName->setValue("");
    EXPECT_EQ(errorOf([&] { dm->tblDocs->next(); }), "Field 'ProcName' must have a value");
    EXPECT_EQ(dm->tblDocs->recNo(), 0);
    EXPECT_EQ(dm->tblProc->state(), State::Editing);
    dm->tblProc->cancel();
    EXPECT_EQ(dm->tblProcProcName->asString(), "Run");
}

TEST_F(StoreFixture, APostedMasterRowReScopesItsDetails) {
    addDoc("A");
    addUnit("Main.pas");
    dm->tblDocs->deleteRow(); // leaves its unit behind, but no document shows it
    dm->tblDocs->edit();
    dm->tblDocsDocName->setValue("B");
    dm->tblDocs->post();
    EXPECT_EQ(dm->tblUnits->recordCount(), 0);
    addUnit("Util.pas");
    EXPECT_EQ(dm->tblUnitsDocNo->asInteger(), dm->tblDocsDocNo->asInteger());
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Util.pas"}));
}

TEST_F(StoreFixture, AppendWritesAtOnceAndBecomesCurrent) {
    addDoc("A");
    addUnit("Main.pas");
    addProc("First");
    dm->tblProc->first();
    QSignalSpy moved(dm->dsProcs, &ink::TDataSource::currentChanged);
    const int procNo = addProc("Second");
    EXPECT_GT(procNo, 0);
    EXPECT_EQ(dm->tblProc->recordCount(), 2);
    EXPECT_EQ(dm->tblProc->recNo(), 1);
    EXPECT_EQ(dm->tblProcProcName->asString(), "Second");
    EXPECT_TRUE(dm->tblProcDescription->isNull());
    EXPECT_FALSE(moved.isEmpty());

    // Fields after the last value stay empty; the store refuses what a
    // routine or a unit cannot be without.
    dm->tblProc->append({dm->tblUnitsDocNo->value(), dm->tblUnitsUnitNo->value(), {}, "Third"});
    EXPECT_TRUE(dm->tblProcProcType->isNull());
    EXPECT_EQ(errorOf([&] {
                  dm->tblProc->append({1, 1, QVariant(), QVariant()});
              }),
              "Field 'ProcName' must have a value");
    EXPECT_EQ(errorOf([&] {
                  dm->tblUnits->append({QVariant(), QVariant(), "X.pas"});
              }),
              "Field 'DocNo' must have a value");
    EXPECT_EQ(errorOf([&] {
                  dm->tblProc->append({1, 1, 99, "Given"});
              }),
              "Field 'ProcNo' cannot be modified");
    EXPECT_EQ(dm->tblProc->recordCount(), 3);
}

TEST_F(StoreFixture, AppendFinishesThePendingRow) {
    addDoc("A");
    dm->tblDocs->edit();
    dm->tblDocsDocAuthor->setValue("Ann");
    addDoc("B");
    EXPECT_EQ(column(dm->tblDocs, "DocAuthor"), QStringList({"Ann", ""}));
}

TEST_F(StoreFixture, LocateSearchesTheScopeIgnoringCase) {
    addDoc("A");
    addUnit("Util.pas");
    addDoc("B");
    addUnit("MAIN.PAS");
    addUnit("Forms.pas");
    EXPECT_TRUE(dm->tblUnits->locate("unitname", "main.pas"));
    EXPECT_EQ(dm->tblUnits->recNo(), 0);
    // Another document's unit is not found, and the current row stays.
    dm->tblUnits->last();
    EXPECT_FALSE(dm->tblUnits->locate("UnitName", "util.pas"));
    EXPECT_EQ(dm->tblUnits->recNo(), 1);
    // Whole values only.
    EXPECT_FALSE(dm->tblUnits->locate("UnitName", "main"));
    // Names of letters other than a to z fold too.
    addUnit("Ärger.pas");
    EXPECT_TRUE(dm->tblUnits->locate("UnitName", "äRGER.PAS"));
    EXPECT_EQ(dm->tblDocs->locate("DocName", "b"), true);
    EXPECT_EQ(errorOf([&] { dm->tblUnits->locate("NoSuchField", "x"); }),
              "tblUnits: Field 'NoSuchField' not found");
}

TEST_F(StoreFixture, LocateComparesWithTheStoredCutValue) {
    addDoc("A");
    addUnit("Main.pas");
    const QString longName = QString(60, QLatin1Char('n'));
    addProc(longName);
    dm->tblProc->first();
    EXPECT_FALSE(dm->tblProc->locate("ProcName", longName));
    EXPECT_TRUE(dm->tblProc->locate("ProcName", longName.left(50)));
}

TEST_F(StoreFixture, DeleteMovesToTheNextThenThePreviousRow) {
    addDoc("A");
    addUnit("One.pas");
    addUnit("Two.pas");
    addUnit("Three.pas");
    dm->tblUnits->moveTo(1);
    dm->tblUnits->deleteRow();
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "Three.pas");
    dm->tblUnits->deleteRow();
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "One.pas");
    addProc("Run");
    dm->tblUnits->deleteRow();
    EXPECT_EQ(dm->tblUnits->recordCount(), 0);
    EXPECT_EQ(dm->tblUnits->recNo(), -1);
    EXPECT_EQ(dm->tblProc->recordCount(), 0);

    EXPECT_EQ(errorOf([&] { dm->tblUnits->deleteRow(); }),
              "Cannot perform this operation on an empty dataset");
    // While inserting, Delete abandons the new row.
    dm->tblUnits->edit();
    dm->tblUnits->deleteRow();
    EXPECT_EQ(dm->tblUnits->state(), State::Browsing);
    EXPECT_EQ(dm->tblDocs->recordCount(), 1);
}

TEST_F(StoreFixture, DeleteWithDetailsRemovesTheRowsBelow) {
    addDoc("KEEP");
    addUnit("Kept.pas");
    addProc("Kept");
    addDoc("GONE");
    addUnit("Main.pas");
    addProc("Run");
    addProc("Stop");
    addUnit("Util.pas");
    addProc("Help");

    // A unit takes its routines with it.
    dm->tblUnits->first();
    dm->tblUnits->deleteWithDetails();
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Util.pas"}));
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Help"}));

    // A document takes its units and their routines.
    dm->tblDocs->deleteWithDetails();
    EXPECT_EQ(dm->tblDocsDocName->asString(), "KEEP");
    ink::Database& db = dm->database();
    for (const char* table : {"UnitsLib", "ProcsLib"}) {
        ink::Statement count(db, QStringLiteral("SELECT count(*) FROM %1").arg(table));
        count.step();
        EXPECT_EQ(count.integerAt(0), 1) << table;
    }
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Kept"}));
}

TEST_F(StoreFixture, AutoNumbersAreNeverGivenOutTwice) {
    addDoc("A");
    const int second = addDoc("B");
    dm->tblDocs->deleteRow();
    EXPECT_GT(addDoc("C"), second);

    // Unit numbers are unique in the whole table, not per document.
    const int firstUnit = addUnit("Main.pas");
    dm->tblDocs->first();
    EXPECT_GT(addUnit("Main.pas"), firstUnit);

    // Also after the program ends and starts again.
    const int last = addUnit("Last.pas");
    dm->tblUnits->deleteRow();
    dm = std::make_unique<ink::TDM1>(nullptr, registry);
    ink::OpenOrCreateTables(*dm);
    dm->tblDocs->first();
    EXPECT_GT(addUnit("Again.pas"), last);
}

TEST_F(StoreFixture, TextIsCutToTheFieldWidth) {
    addDoc("A");
    addUnit("Main.pas");
    addProc(QString(60, QLatin1Char('x')));
    EXPECT_EQ(dm->tblProcProcName->asString(), QString(50, QLatin1Char('x')));

    // A character outside the basic plane counts as one and is never split.
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");
    dm->tblProc->edit();
    dm->tblProcProcType->setValue(QString(9, QLatin1Char('a')) + clef + clef);
    EXPECT_EQ(dm->tblProcProcType->asString(), QString(9, QLatin1Char('a')) + clef);

    // Memos keep any length with CR LF line breaks; empty text is no value.
    dm->tblProcDescription->setValue(QString("one\ntwo\rthree\r\nfour") + QString(500, 'z'));
    dm->tblProcProcParams->setValue("");
    dm->tblProc->post();
    dm = std::make_unique<ink::TDM1>(nullptr, registry);
    ink::OpenOrCreateTables(*dm);
    EXPECT_TRUE(dm->tblProcDescription->asString().startsWith("one\r\ntwo\r\nthree\r\nfour"));
    EXPECT_EQ(dm->tblProcDescription->asString().size(), 21 + 500);
    EXPECT_TRUE(dm->tblProcProcParams->isNull());
    EXPECT_EQ(dm->tblProcProcType->asString(), QString(9, QLatin1Char('a')) + clef);
}

TEST_F(StoreFixture, ReadingWithoutACurrentRowGivesEmptyValues) {
    EXPECT_EQ(dm->tblDocsDocName->asString(), "");
    EXPECT_EQ(dm->tblDocsDocSize->asInteger(), 0);
    EXPECT_FALSE(dm->tblDocsisVerInfo->asBoolean());
    EXPECT_FALSE(dm->tblDocsDocDate->asDateTime().isValid());
    EXPECT_EQ(dm->tblDocs->fieldByName("isverinfo"), dm->tblDocsisVerInfo);
    EXPECT_EQ(dm->tblDocsisVerInfo->objectName(), "tblDocsisVerInfo");
    EXPECT_EQ(errorOf([&] { dm->tblDocsDocName->setValue("X"); }),
              "tblDocs: Dataset not in edit or insert mode");
}

TEST_F(StoreFixture, DataSourcesReportAndCanBeSilenced) {
    QSignalSpy current(dm->dsDocs, &ink::TDataSource::currentChanged);
    QSignalSpy data(dm->dsDocs, &ink::TDataSource::dataChanged);
    QSignalSpy state(dm->dsDocs, &ink::TDataSource::stateChanged);
    QSignalSpy field(dm->dsDocs, &ink::TDataSource::fieldChanged);
    QSignalSpy units(dm->dsUnits, &ink::TDataSource::currentChanged);
    addDoc("A");
    EXPECT_EQ(current.count(), 1);
    EXPECT_EQ(data.count(), 1);
    EXPECT_EQ(units.count(), 1);
    dm->tblDocs->edit();
    dm->tblDocsDocAuthor->setValue("Ann");
    EXPECT_EQ(state.count(), 1);
    ASSERT_EQ(field.count(), 1);
    EXPECT_EQ(field.at(0).at(0).toInt(), dm->tblDocsDocAuthor->index());

    // Silenced during long work, the table and its details keep working.
    dm->dsDocs->setEnabled(false);
    dm->tblDocs->post();
    addDoc("B");
    addUnit("Main.pas");
    EXPECT_EQ(current.count(), 1);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Main.pas"}));
    dm->dsDocs->setEnabled(true);
    EXPECT_EQ(current.count(), 2);
}

TEST_F(StoreFixture, ChangesFromAnotherConnectionAreSeenOnTheNextScope) {
    addDoc("A");
    addUnit("Main.pas");
    addProc("Run");
    addUnit("Util.pas");

    // Another program (here a second connection) adds a routine to Main.pas.
    const qint64 before = dm->database().dataVersion();
    {
        ink::TDM1 other(nullptr, registry);
        ink::OpenOrCreateTables(other);
        other.tblProc->append(
            {dm->tblUnitsDocNo->value(), other.tblUnitsUnitNo->value(), QVariant(), "Added"});
    }
    // A server announces the change a moment after its commit.
    for (int wait = 0; wait < 500 && dm->database().dataVersion() == before; ++wait)
        QThread::msleep(10);
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Run", "Added"}));

    // Plain SQL on this connection is noticed as well.
    dm->database().exec("UPDATE ProcsLib SET ProcName = 'Renamed' WHERE ProcName = 'Run'");
    dm->tblUnits->next();
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Renamed", "Added"}));
}

// The embedded store keeps what a batch wrote before an error; a server,
// shared with others, keeps nothing of a run that failed.
TEST_F(StoreFixture, ABatchLeftByAnErrorKeepsItsRowsOnlyInTheEmbeddedStore) {
    addDoc("A");
    addUnit("Main.pas");
    try {
        ink::Batch batch(dm->database());
        addProc("Written");
        addProc(""); // refused
    } catch (const UserError&) {
    }
    EXPECT_FALSE(dm->database().inBatch());
    const QStringList kept = storeTestsOnServer() ? QStringList() : QStringList({"Written"});
    EXPECT_EQ(column(dm->tblProc, "ProcName"), kept); // the rows in view are the store's
    dm = std::make_unique<ink::TDM1>(nullptr, registry);
    ink::OpenOrCreateTables(*dm);
    EXPECT_EQ(column(dm->tblProc, "ProcName"), kept);
}

// A batch's rows, which a server receives many at a time, arrive as they
// were written: the characters that end a value or a row on the way, a
// backslash, text that reads like a null, a null itself.
TEST_F(StoreFixture, ABatchKeepsEveryCharacterOfWhatItWrites) {
    const QString awkward = QString::fromUtf8("tab\there \\ back\\N\r\nline\r\n\r\nend ünï €");
    addDoc("DOC");
    {
        ink::Batch batch(dm->database());
        addUnit("A.pas");
        addProc("Plain");
        dm->tblProc->append({dm->tblUnitsDocNo->value(), dm->tblUnitsUnitNo->value(), QVariant(),
                             "Awkward", "FUNCTION", QVariant(), "\\N", awkward});
    }
    ink::Statement rows(dm->database(),
                        "SELECT ProcName, ProcParams, ResultType, Description FROM ProcsLib "
                        "ORDER BY ProcNo");
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.textAt(0), "Plain");
    EXPECT_TRUE(rows.isNullAt(3));
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.textAt(0), "Awkward");
    EXPECT_TRUE(rows.isNullAt(1));
    EXPECT_EQ(rows.textAt(2), "\\N");
    EXPECT_EQ(rows.textAt(3), awkward);
    EXPECT_FALSE(rows.step());
}
