// The full-text search over every document: prefixes as typed, names and
// description words, and an index that follows every later write.
#include "store/Search.h"
#include "store/Database.h"
#include "store/UserError.h"
#include "support/PrintQt.h"
#include "support/SearchIndexCheck.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class Search : public StoreFixture {
protected:
    QStringList find(const QString& text) { return find(dm->database(), text); }
    static QStringList find(Database& db, const QString& text) {
        QStringList found;
        for (const SearchHit& hit : SearchDocuments(db, text))
            found << QStringList{hit.docName, hit.unitName, hit.procName, hit.line}.join('|');
        return found;
    }
    // The store as a version without the index left it.
    void dropIndex() {
        for (const char* table : {"Units", "Procs", "Decls"})
            for (const char* trigger : {"Insert", "Delete", "Update"})
                dm->database().exec(QStringLiteral("DROP TRIGGER %1Search%2").arg(table, trigger));
        dm->database().exec("DROP TABLE UnitsSearch");
        dm->database().exec("DROP TABLE ProcsSearch");
        dm->database().exec("DROP TABLE DeclsSearch");
        dm->database().exec("DROP TABLE SearchDeferred");
    }
    void addDecl(const char* kind, const char* owner, const char* name,
                 const QString& description = {}) {
        dm->tblDecls->append({QVariant(), dm->tblUnitsDocNo->value(), dm->tblUnitsUnitNo->value(),
                              0, kind, name, owner[0] ? QVariant(owner) : QVariant(), QVariant(),
                              QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                              QVariant(),
                              description.isEmpty() ? QVariant() : QVariant(description)});
    }
    void describeCurrent(TTable* table, const QString& text) {
        table->edit();
        table->fieldByName("Description")->setValue(text);
        table->post();
    }
};

} // namespace

TEST_F(Search, FindsNamesAndDescriptionWordsByTheirBeginning) {
    addDoc("FIRST");
    addUnit("Streams.pas");
    describeCurrent(dm->tblUnits, "Buffered streams.\r\nReads files.");
    addProc("ReadBuffer");
    describeCurrent(dm->tblProc, "Fills the buffer.\r\nRaises on a short read.");
    addProc("Write_All");
    addDoc("SECOND");
    addUnit("Net.pas");
    addProc("ReadSocket");

    EXPECT_EQ(find("read"), QStringList({"FIRST|Streams.pas||Reads files.",
                                         "FIRST|Streams.pas|ReadBuffer|Raises on a short read.",
                                         "SECOND|Net.pas|ReadSocket|"}));
    // Every word must match; the line shown is the first that holds one.
    EXPECT_EQ(find("buff rais"), QStringList({"FIRST|Streams.pas|ReadBuffer|Fills the buffer."}));
    EXPECT_EQ(find("write_"), QStringList({"FIRST|Streams.pas|Write_All|"}));
    EXPECT_EQ(find("  "), QStringList());
    EXPECT_EQ(find("\"*)(OR"), QStringList()); // the query language is not the user's
}

TEST_F(Search, TheIndexFollowsEditsAndRemovals) {
    addDoc("DOC");
    addUnit("A.pas");
    addProc("Alpha");
    EXPECT_EQ(find("alpha").size(), 1);
    describeCurrent(dm->tblProc, "Computes the checksum.");
    addProc("Beta");
    EXPECT_EQ(find("checks"), QStringList({"DOC|A.pas|Alpha|Computes the checksum."}));
    EXPECT_EQ(find("beta").size(), 1);
    describeCurrent(dm->tblProc, "");
    dm->tblProc->first();
    dm->tblProc->deleteRow();
    EXPECT_EQ(find("checks"), QStringList());
    if (!storeTestsOnServer()) // the FTS5 index is the embedded store's own
        dm->database().exec("INSERT INTO ProcsSearch(ProcsSearch) VALUES ('integrity-check')");
}

// The index comes with the tables, and the writes keep it: no search waits
// for it to be built. An older store without one gains it at its next open
// for writing, filled from its rows.
TEST_F(Search, TheIndexIsThereBeforeTheFirstSearch) {
    if (storeTestsOnServer())
        GTEST_SKIP() << "a server searches its tables";
    EXPECT_TRUE(dm->database().tableExists("ProcsSearch"));
    addDoc("DOC");
    addUnit("A.pas");
    addProc("Alpha");
    Database& db = dm->database();
    Statement indexed(db, "SELECT count(*) FROM ProcsSearch WHERE ProcsSearch MATCH 'alpha'");
    ASSERT_TRUE(indexed.step());
    EXPECT_EQ(indexed.integerAt(0), 1);
    indexed.reset();

    dropIndex();
    dm->closeDatabase();
    OpenOrCreateTables(*dm);
    EXPECT_TRUE(dm->database().tableExists("ProcsSearch"));
    EXPECT_EQ(find("alph"), QStringList({"DOC|A.pas|Alpha|"}));
}

// A store opened only for reading may have no index, and cannot be given
// one: it is searched row by row, and finds what the index finds.
TEST_F(Search, AStoreOpenedOnlyForReadingIsSearchedWithoutAnIndex) {
    addDoc("FIRST");
    addUnit("Streams.pas");
    describeCurrent(dm->tblUnits, "Buffered streams.\r\nReads files.");
    addProc("ReadBuffer");
    describeCurrent(dm->tblProc, "Fills the buffer.\r\nRaises on a short read.");
    addProc("Write_All");
    addDoc("SECOND");
    addUnit("Net.pas");
    addProc("ReadSocket");
    if (dm->database().isServer())
        GTEST_SKIP() << "a server is searched without an index anyway";

    dropIndex(); // as an older version left it
    Database reader(databaseFile(), {}, Database::Access::ReadOnly);
    ASSERT_FALSE(reader.tableExists("ProcsSearch"));
    const QStringList typed{"read", "buff rais", "write_", "STREAM", "fill short", "  ", "none"};
    QList<QStringList> unindexed;
    for (const QString& text : typed)
        unindexed << find(reader, text);
    EXPECT_FALSE(reader.tableExists("ProcsSearch"));
    for (qsizetype i = 0; i < typed.size(); ++i)
        EXPECT_EQ(unindexed[i], find(typed[i])) << typed[i].toStdString();
    EXPECT_EQ(unindexed[0].size(), 3);
}

TEST_F(Search, FindsDeclarationsByOwnerNameAndTheirOwnWordsAfterTheirUnitsRoutines) {
    addDoc("SHAPES");
    addUnit("Shapes.pas");
    const int areaRoutine = addProc("Area");
    addProc("Draw");
    addDecl("class", "", "TShape");
    addDecl("function", "TShape", "Area");
    addDecl("function", "TSquare", "Area", "The side, squared.");
    addDecl("property", "TShape", "Side_Count", "How many sides.");
    addDecl("procedure", "", "Draw"); // found as its routine row only
    addUnit("Other.pas");
    addProc("Unrelated");

    EXPECT_EQ(find("area"),
              QStringList({"SHAPES|Shapes.pas|Area|", "SHAPES|Shapes.pas|TShape.Area|",
                           "SHAPES|Shapes.pas|TSquare.Area|"}));
    EXPECT_EQ(find("tshape"),
              QStringList({"SHAPES|Shapes.pas|TShape|", "SHAPES|Shapes.pas|TShape.Area|",
                           "SHAPES|Shapes.pas|TShape.Side_Count|"}));
    // Every word begins a word of the owner, the name or the description;
    // an underscore is part of a word, not a wildcard.
    EXPECT_EQ(find("TSquare squared"),
              QStringList({"SHAPES|Shapes.pas|TSquare.Area|The side, squared."}));
    EXPECT_EQ(find("side_c"), QStringList({"SHAPES|Shapes.pas|TShape.Side_Count|"}));
    EXPECT_EQ(find("sidexc"), QStringList());
    EXPECT_EQ(find("draw"), QStringList({"SHAPES|Shapes.pas|Draw|"}));
    // Words of any script, split at any mark that is not a letter or digit;
    // the line shown is the one that holds the word.
    addDecl("property", "TCircle", "Breite", QString::fromUtf8("Die Größe—Maß.\r\nZweite Zeile."));
    EXPECT_EQ(find(QString::fromUtf8("maß")),
              QStringList({QString::fromUtf8("SHAPES|Other.pas|TCircle.Breite|Die Größe—Maß.")}));
    EXPECT_EQ(find(QString::fromUtf8("GRÖSS")), QStringList());
    EXPECT_EQ(find("zweite circle"), QStringList());
    EXPECT_EQ(find("zweite tcircle"),
              QStringList({"SHAPES|Other.pas|TCircle.Breite|Zweite Zeile."}));
    // A routine declaration leads to the routine row of its name.
    const QList<SearchHit> hits = SearchDocuments(dm->database(), "TSquare");
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits[0].procNo, areaRoutine);
    EXPECT_NE(hits[0].declNo, 0);
}

// The row the scanner names "{STDCALL}" for a procedural type is no
// routine: neither its name nor what was typed on it finds it; the type is
// found as its declaration. So with an index, on a server, and row by row.
TEST_F(Search, AProceduralTypesRowIsNoRoutineHit) {
    addDoc("EVENTS");
    addUnit("Events.pas");
    addProc("{STDCALL}");
    describeCurrent(dm->tblProc, "Notifies the handler.");
    addProc("Notify");
    addDecl("type", "", "TNotify", "Notifies the form.");

    const QStringList notif{"EVENTS|Events.pas|Notify|",
                            "EVENTS|Events.pas|TNotify|Notifies the form."};
    EXPECT_EQ(find("stdcall"), QStringList());
    EXPECT_EQ(find("handler"), QStringList());
    EXPECT_EQ(find("notif"), notif);
    if (storeTestsOnServer())
        return;
    dropIndex();
    Database reader(databaseFile(), {}, Database::Access::ReadOnly);
    ASSERT_FALSE(reader.tableExists("ProcsSearch"));
    EXPECT_EQ(find(reader, "stdcall"), QStringList());
    EXPECT_EQ(find(reader, "handler"), QStringList());
    EXPECT_EQ(find(reader, "notif"), notif);
}

// A batch indexes the rows it adds when it ends, in one statement; the rows
// it edits or deletes meanwhile, new or old, leave the index exact (an index
// told to delete a row it never held would be damaged).
TEST_F(Search, ABatchIndexesItsNewRowsWhenItEnds) {
    if (storeTestsOnServer())
        GTEST_SKIP() << "a server searches its tables";
    addDoc("DOC");
    addUnit("A.pas");
    addProc("Alpha");
    addProc("Omega");
    Database& db = dm->database();
    {
        Batch batch(db);
        addUnit("B.pas");
        describeCurrent(dm->tblUnits, "Buffered streams.");
        addProc("Beta");
        describeCurrent(dm->tblProc, "Counts the beans.");
        addProc("Gamma");
        describeCurrent(dm->tblProc, "Never kept.");
        dm->tblProc->deleteRow();
        EXPECT_EQ(find("beta"), QStringList()); // not indexed until the batch ends
        dm->tblUnits->first();
        describeCurrent(dm->tblUnits, "The first unit.");
        dm->tblProc->last();
        describeCurrent(dm->tblProc, "Ends the list.");
        dm->tblProc->first();
        dm->tblProc->deleteRow();
    }
    EXPECT_EQ(searchIndexMismatch(databaseFile()), QString());
    EXPECT_EQ(find("beans"), QStringList({"DOC|B.pas|Beta|Counts the beans."}));
    EXPECT_EQ(find("buffer"), QStringList({"DOC|B.pas||Buffered streams."}));
    EXPECT_EQ(find("ends"), QStringList({"DOC|A.pas|Omega|Ends the list."}));
    EXPECT_EQ(find("gamma"), QStringList());
    EXPECT_EQ(find("kept"), QStringList());
    EXPECT_EQ(find("alpha"), QStringList());

    // A batch that an error ends still keeps, and indexes, what it wrote.
    try {
        Batch batch(db);
        addProc("Delta");
        throw std::runtime_error("stopped");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(find("delta").size(), 1);
    EXPECT_EQ(searchIndexMismatch(databaseFile()), QString());
}

// A store whose index was kept row by row keeps that index and gains the
// batch-aware triggers at its next open for writing.
TEST_F(Search, AnIndexKeptRowByRowIsKeptAndGainsTheBatchTriggers) {
    if (storeTestsOnServer())
        GTEST_SKIP() << "a server searches its tables";
    addDoc("DOC");
    addUnit("A.pas");
    addProc("Alpha");
    addDecl("class", "", "AlphaShape");
    for (const char* table : {"Units", "Procs", "Decls"})
        for (const char* trigger : {"Insert", "Delete", "Update"})
            dm->database().exec(QStringLiteral("DROP TRIGGER %1Search%2").arg(table, trigger));
    dm->database().exec("DROP TABLE SearchDeferred");
    dm->database().exec("DROP TABLE DeclsSearch");
    dm->closeDatabase();
    OpenOrCreateTables(*dm);
    {
        Batch batch(dm->database());
        addProc("Beta");
    }
    EXPECT_EQ(find("alpha").size(), 2);
    EXPECT_EQ(find("beta").size(), 1);
    EXPECT_TRUE(dm->database().tableExists("DeclsSearch"));
    EXPECT_EQ(searchIndexMismatch(databaseFile()), QString());
}

// The declarations have an index of their own, kept as the others are: a
// batch indexes the ones it adds when it ends, and what it edits or deletes
// meanwhile leaves the index exact. A store made before that index gains it
// at its next open for writing, filled from the rows it holds.
TEST_F(Search, DeclarationsAreIndexedByTheirBatchAndOlderStoresGainTheIndex) {
    if (storeTestsOnServer())
        GTEST_SKIP() << "a server searches its tables";
    addDoc("SHAPES");
    addUnit("Shapes.pas");
    addDecl("class", "", "TShape");
    addDecl("property", "TShape", "Corners", "How many corners.");
    Database& db = dm->database();
    {
        Batch batch(db);
        addDecl("class", "", "TCircle", "Round.");
        addDecl("property", "TCircle", "Radius");
        addDecl("property", "TCircle", "Centre", "Never kept.");
        dm->tblDecls->deleteRow();
        dm->tblDecls->first();
        describeCurrent(dm->tblDecls, "Any closed outline.");
        EXPECT_EQ(find("radius"), QStringList()); // not indexed until the batch ends
    }
    EXPECT_EQ(searchIndexMismatch(databaseFile()), QString());
    Statement indexed(db, "SELECT count(*) FROM DeclsSearch WHERE DeclsSearch MATCH 'tcircle'");
    ASSERT_TRUE(indexed.step());
    EXPECT_EQ(indexed.integerAt(0), 2);
    indexed.reset();
    EXPECT_EQ(find("radius"), QStringList({"SHAPES|Shapes.pas|TCircle.Radius|"}));
    EXPECT_EQ(find("outline"), QStringList({"SHAPES|Shapes.pas|TShape|Any closed outline."}));
    EXPECT_EQ(find("centre never"), QStringList());

    for (const char* trigger : {"Insert", "Delete", "Update"})
        db.exec(QStringLiteral("DROP TRIGGER DeclsSearch%1").arg(trigger));
    db.exec("DROP TABLE DeclsSearch");
    dm->closeDatabase();
    OpenOrCreateTables(*dm);
    EXPECT_TRUE(dm->database().tableExists("DeclsSearch"));
    EXPECT_EQ(searchIndexMismatch(databaseFile()), QString());
    EXPECT_EQ(find("corn").size(), 1);
    EXPECT_EQ(find("tcircle").size(), 2);
    // No word counts per row: nothing ranks the hits.
    EXPECT_FALSE(dm->database().tableExists("DeclsSearch_docsize"));
}

// The declarations' index as the first stores with one hold it, with word
// counts per row, is kept and kept exact.
TEST_F(Search, ADeclarationsIndexWithWordCountsIsKeptExact) {
    if (storeTestsOnServer())
        GTEST_SKIP() << "a server searches its tables";
    addDoc("SHAPES");
    addUnit("Shapes.pas");
    addDecl("class", "", "TShape", "Any outline.");
    Database& db = dm->database();
    db.exec("DROP TABLE DeclsSearch");
    db.exec("CREATE VIRTUAL TABLE DeclsSearch USING fts5(Owner, DeclName, Description, "
            "content='DeclsLib', content_rowid='DeclNo', tokenize=\"unicode61 tokenchars '_'\", "
            "detail=none)");
    db.exec("INSERT INTO DeclsSearch(DeclsSearch) VALUES ('rebuild')");
    dm->closeDatabase();
    OpenOrCreateTables(*dm);
    ASSERT_TRUE(dm->database().tableExists("DeclsSearch_docsize"));
    dm->tblDocs->first();
    dm->tblUnits->first();
    {
        Batch batch(dm->database());
        addDecl("property", "TShape", "Corners", "How many corners.");
        dm->tblDecls->first();
        describeCurrent(dm->tblDecls, "Any closed outline.");
    }
    addDecl("class", "", "TCircle");
    dm->tblDecls->deleteRow();
    EXPECT_EQ(searchIndexMismatch(databaseFile()), QString());
    EXPECT_EQ(find("closed"), QStringList({"SHAPES|Shapes.pas|TShape|Any closed outline."}));
    EXPECT_EQ(find("corners").size(), 1);
    EXPECT_EQ(find("tcircle").size(), 0);
}

// An insert trigger costs every row a batch adds, though inside a batch it
// indexes none of them; so the batch takes them off for its duration. Only
// its own connection ever sees them gone, and every way a batch ends puts
// them back as they were written: a commit, and a rollback by the engine.
TEST_F(Search, ABatchPutsBackTheInsertTriggersItTookOff) {
    if (storeTestsOnServer())
        GTEST_SKIP() << "a server searches its tables";
    const QString triggersSql =
        "SELECT name, sql FROM sqlite_schema WHERE type = 'trigger' ORDER BY name";
    const QList<QStringList> written = SqlFile(databaseFile()).rows(triggersSql);
    ASSERT_EQ(written.size(), 9);
    addDoc("DOC");
    addUnit("A.pas");
    Database& db = dm->database();
    auto insertTriggersSeenBy = [](Database& on) {
        Statement seen(on, "SELECT count(*) FROM sqlite_schema WHERE type = 'trigger' AND "
                           "name LIKE '%Insert'");
        EXPECT_TRUE(seen.step());
        return seen.integerAt(0);
    };
    {
        Batch batch(db);
        addProc("Alpha");
        addDecl("class", "", "TAlpha");
        EXPECT_EQ(insertTriggersSeenBy(db), 0);
        Database other(databaseFile(), {}, Database::Access::ReadOnly);
        EXPECT_EQ(insertTriggersSeenBy(other), 3);
    }
    EXPECT_EQ(SqlFile(databaseFile()).rows(triggersSql), written);
    addProc("Beta"); // outside a batch, indexed by its trigger
    addDecl("class", "", "TBeta");
    EXPECT_EQ(find("alpha").size(), 1);
    EXPECT_EQ(find("talpha").size(), 1);
    EXPECT_EQ(find("beta").size(), 1);
    EXPECT_EQ(find("tbeta").size(), 1);

    // The engine may end a batch's transaction itself (a full disk): what
    // it rolls back includes the triggers' removal.
    EXPECT_THROW(
        {
            Batch batch(db);
            addProc("Gamma");
            db.exec("ROLLBACK");
        },
        UserError);
    EXPECT_EQ(SqlFile(databaseFile()).rows(triggersSql), written);
    EXPECT_EQ(insertTriggersSeenBy(db), 3);
    {
        Batch batch(db);
        addProc("Delta");
    }
    EXPECT_EQ(SqlFile(databaseFile()).rows(triggersSql), written);
    EXPECT_EQ(find("delta").size(), 1);
    EXPECT_EQ(find("gamma").size(), 0);
    EXPECT_EQ(searchIndexMismatch(databaseFile()), QString());
}
