// The declarations' table: made with the others (and added to a store made
// before it), scoped to the unit like the routines, and gone with the
// document or unit it belongs to.
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
