// The declarations' table: made with the others (and added to a store made
// before it), scoped to the unit like the routines, and gone with the
// document or unit it belongs to.
#include "store/NewDeclarations.h"
#include "store/UserError.h"
#include "support/PrintQt.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class Declarations : public StoreFixture {
protected:
    int addDecl(const QString& name, const QString& description = {}) {
        dm->tblDecls->append({QVariant(), dm->tblUnitsDocNo->value(), dm->tblUnitsUnitNo->value(),
                              0, "procedure", name, QVariant(), QVariant(),
                              "procedure " + name + ";", QVariant(), QVariant(), QVariant(),
                              "U.pas", 3, description.isEmpty() ? QVariant() : description});
        return dm->tblDeclsDeclNo->asInteger();
    }
    QString count(const char* table) {
        Statement rows(dm->database(), QStringLiteral("SELECT COUNT(*) FROM ") + table);
        rows.step();
        return QString::number(rows.integerAt(0));
    }
    void reopen() {
        dm = std::make_unique<TDM1>(nullptr, registry);
        OpenOrCreateTables(*dm);
    }
};

} // namespace

TEST_F(Declarations, TheTableHoldsEveryFieldAndFollowsTheUnit) {
    EXPECT_EQ(dm->database().columnsOf("DeclsLib").join(',').toLower(),
              QString("DeclNo,DocNo,UnitNo,ParentNo,DeclKind,DeclName,Owner,OverloadKey,"
                      "Declaration,Visibility,Directives,Ancestor,SourceFile,SourceLine,"
                      "Description,LastSeen,ChangedFrom")
                  .toLower());
    addDoc("A");
    addUnit("One.pas");
    addDecl("Run", "Runs.");
    addDecl("Stop");
    addUnit("Two.pas");
    addDecl("Other");
    EXPECT_EQ(column(dm->tblDecls, "DeclName"), QStringList({"Other"}));
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblDecls, "DeclName"), QStringList({"Run", "Stop"}));
    EXPECT_EQ(column(dm->tblDecls, "Description"), QStringList({"Runs.", ""}));
}

TEST_F(Declarations, GoWithTheirUnitAndTheirDocument) {
    addDoc("A");
    addUnit("One.pas");
    addDecl("Run");
    addUnit("Two.pas");
    addDecl("Other");
    addDoc("B");
    addUnit("Three.pas");
    addDecl("Kept");
    dm->tblDocs->first();
    dm->tblUnits->first();
    dm->tblUnits->deleteWithDetails();
    EXPECT_EQ(count("DeclsLib"), "2");
    dm->tblDocs->deleteWithDetails();
    EXPECT_EQ(count("DeclsLib"), "1");
    EXPECT_EQ(column(dm->tblDecls, "DeclName"), QStringList({"Kept"}));
}

TEST_F(Declarations, AStoreMadeBeforeGainsTheEmptyTableAndNothingElseChanges) {
    addDoc("OLD");
    addUnit("One.pas");
    addProc("Run");
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Typed long ago.");
    dm->tblProc->post();
    dm->closeDatabase();
    {
        Database db(AliasAddress(*registry, TDM1::AliasName),
                    {TDM1::docsDefinition(), TDM1::unitsDefinition(), TDM1::procsDefinition()});
        db.exec("DROP TABLE " + db.quoted("DeclsLib"));
        EXPECT_FALSE(db.tableExists("DeclsLib"));
    }
    reopen();
    EXPECT_TRUE(dm->database().tableExists("DeclsLib"));
    EXPECT_EQ(count("DeclsLib"), "0");
    EXPECT_EQ(column(dm->tblProc, "Description"), QStringList({"Typed long ago."}));
    EXPECT_EQ(dm->tblDecls->recordCount(), 0);
}

// A build writes its new declarations beside the cursor: each row must be
// stored exactly as an append of the same values stores it, on either engine.
TEST_F(Declarations, ABuildsNewRowsAreStoredAsAnAppendStoresThem) {
    addDoc("A");
    addUnit("One.pas");
    const QDateTime stamp(QDate(2024, 5, 6), QTime(7, 8, 9));
    DeclarationPlace place{dm->tblUnitsDocNo->asInteger(), dm->tblUnitsUnitNo->asInteger(), 7,
                           "One.pas"};
    Declaration row;
    row.kind = DeclKind::Procedure;
    row.name = QString(254, 'n') + QChar(0xD83D) + QChar(0xDE00) + "cut"; // cut after the pair
    row.text = "procedure Run(\nA: Integer);\r"; // line breaks CR LF, as a memo keeps them
    row.visibility = "strict private" + QString(40, 'v');
    row.directives = "overload";
    row.sourceFile = "One.pas"; // the unit's own file is not repeated
    row.line = 12;
    const QVariantList appended{QVariant(),  place.docNo,    place.unitNo,   place.parentNo,
                                "procedure", row.name,       QVariant(),     QVariant(),
                                row.text,    row.visibility, row.directives, QVariant(),
                                QVariant(),  row.line,       QVariant(),     stamp};
    qint64 written = 0;
    {
        Batch batch(dm->database());
        dm->tblDecls->append(appended);
        NewDeclarations inserts(dm->database(), stamp);
        written = inserts.insert(place, row);
        row.name.clear();
        QString refusal;
        try {
            inserts.insert(place, row);
        } catch (const UserError& error) {
            refusal = error.message();
        }
        EXPECT_EQ(refusal, "Field 'DeclName' must have a value");
        row.line = 0; // no line, and the unit level
        place.parentNo = 0;
        row.name = "Top";
        row.visibility.clear();
        inserts.insert(place, row);
    }
    EXPECT_EQ(written, dm->tblDeclsDeclNo->asInteger() + 1);
    Statement rows(dm->database(),
                   "SELECT DocNo, UnitNo, ParentNo, DeclKind, DeclName, Owner, OverloadKey, "
                   "Declaration, Visibility, Directives, Ancestor, SourceFile, SourceLine, "
                   "Description, LastSeen, ChangedFrom, DeclNo FROM DeclsLib ORDER BY DeclNo");
    QList<QStringList> stored;
    while (rows.step()) {
        QStringList fields;
        for (int i = 0; i < 17; ++i)
            fields << (rows.isNullAt(i) ? QString("null") : rows.textAt(i));
        stored << fields;
    }
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[1].mid(0, 16), stored[0].mid(0, 16));
    EXPECT_EQ(stored[1][16], QString::number(written));
    EXPECT_EQ(stored[0][4].size(), 256); // 255 characters, one of them a pair
    EXPECT_EQ(stored[0][7], "procedure Run(\r\nA: Integer);\r\n");
    EXPECT_EQ(stored[2].mid(0, 16),
              QStringList({stored[0][0], stored[0][1], "0", "procedure", "Top", "null", "null",
                           stored[0][7], "null", "overload", "null", "null", "null", "null",
                           stored[0][14], "null"}));
}
