// Inserts held back inside a transaction and written many to one statement:
// the caller's numbers are the stored ones, every read sees the rows, and
// every way a transaction or a savepoint ends keeps exactly what it should.
#include <sqlite3.h>

#include "store/Savepoint.h"
#include "store/SqliteBackend.h"
#include "store/testing/SqlFile.h"
#include "store/UserError.h"
#include "support/PrintQt.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class HeldRows : public StoreFixture {
protected:
    void SetUp() override {
        if (storeTestsOnServer())
            GTEST_SKIP() << "the server holds rows back in its own way";
        StoreFixture::SetUp();
        addDoc("DOC");
        addUnit("A.pas");
    }
    // Rows SQLite itself has written on the connection so far.
    qint64 writtenByTheEngine() {
        return sqlite3_total_changes64(
            dynamic_cast<SqliteBackend&>(dm->database().backend()).handle());
    }
    QList<int> storedRoutines() {
        QList<int> numbers;
        Statement stored(dm->database(), "SELECT ProcNo FROM ProcsLib ORDER BY ProcNo");
        while (stored.step())
            numbers << int(stored.integerAt(0));
        return numbers;
    }
};

} // namespace

TEST_F(HeldRows, ABatchsRowsAreWrittenManyAtATimeUnderTheNumbersTheirCallersHold) {
    Database& db = dm->database();
    QList<int> given;
    {
        Batch batch(db);
        const qint64 before = writtenByTheEngine();
        const quint64 stampBefore = db.changeStamp();
        for (int i = 0; i < 40; ++i)
            given << addProc(QStringLiteral("R%1").arg(i));
        // 32 went in one statement; 8 are held, yet count as written.
        EXPECT_EQ(writtenByTheEngine() - before, 32);
        EXPECT_EQ(db.changeStamp() - stampBefore, 40u);
        EXPECT_EQ(storedRoutines(), given); // a read writes them first
        EXPECT_EQ(writtenByTheEngine() - before, 40);

        // A number once given is never given again, even after its row is
        // deleted, as AUTOINCREMENT has it.
        dm->tblProc->last();
        dm->tblProc->deleteRow();
        given.removeLast();
        given << addProc("After");
        EXPECT_EQ(given.last(), given[given.size() - 2] + 2);
    }
    EXPECT_EQ(storedRoutines(), given);
    for (int i = 1; i < given.size() - 1; ++i)
        EXPECT_EQ(given[i], given[i - 1] + 1);

    // Outside a transaction a row is written before the call returns.
    const int alone = addProc("Alone");
    EXPECT_EQ(sqlText(databaseFile(), "SELECT max(ProcNo) FROM ProcsLib"), QString::number(alone));
}

TEST_F(HeldRows, ASavepointUndoneUndoesTheRowsHeldInsideItOnly) {
    Database& db = dm->database();
    int kept = 0;
    int after = 0;
    {
        Batch batch(db);
        kept = addProc("Kept");
        {
            Savepoint step(db);
            addProc("Undone");
            addProc("UndoneToo");
        }
        after = addProc("After");
    }
    EXPECT_EQ(storedRoutines(), QList<int>({kept, after}));
    Statement names(db, "SELECT group_concat(ProcName) FROM ProcsLib");
    ASSERT_TRUE(names.step());
    EXPECT_EQ(names.textAt(0), "Kept,After");
}

// Held rows take the numbers AUTOINCREMENT would give; a row that took one
// of them another way (SQL written by hand) makes the held row's write fail
// rather than store it under a number its caller does not know.
TEST_F(HeldRows, ANumberTakenMeanwhileFailsTheHeldRowAndOverwritesNothing) {
    Database& db = dm->database();
    const int unitNo = dm->tblUnitsUnitNo->asInteger();
    const int docNo = dm->tblDocsDocNo->asInteger();
    EXPECT_THROW(
        {
            Batch batch(db);
            const int first = addProc("Held");
            db.exec(QStringLiteral("INSERT INTO ProcsLib (DocNo, UnitNo, ProcName) VALUES "
                                   "(%1, %2, 'ByHand')")
                        .arg(docNo)
                        .arg(unitNo));
            EXPECT_EQ(addProc("Clashes"), first + 1);
            storedRoutines();
        },
        UserError);
    Statement names(db, "SELECT group_concat(ProcName) FROM ProcsLib");
    ASSERT_TRUE(names.step());
    EXPECT_EQ(names.textAt(0), "Held,ByHand");
}

// A rollback drops what is held, and the numbers are read again.
TEST_F(HeldRows, ARollbackDropsTheHeldRows) {
    Database& db = dm->database();
    EXPECT_THROW(
        {
            Batch batch(db);
            addProc("Lost");
            db.backend().rollbackQuietly();
        },
        UserError);
    const int number = addProc("Kept");
    EXPECT_EQ(storedRoutines(), QList<int>({number}));
    {
        Batch batch(db);
        EXPECT_EQ(addProc("Next"), number + 1);
    }
    EXPECT_EQ(storedRoutines(), QList<int>({number, number + 1}));
}
