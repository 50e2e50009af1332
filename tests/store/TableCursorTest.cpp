#include "StoreFixture.h"

using ink::TTable;

TEST_F(StoreFixture, DetailsFollowTheirMaster) {
    addDoc("FIRST");
    addUnit("Main.pas");
    addProc("FormCreate");
    addProc("FormClose");
    addUnit("Util.pas");
    addProc("Helper");
    addDoc("SECOND");
    EXPECT_EQ(dm->tblUnits->recordCount(), 0);
    EXPECT_EQ(dm->tblProc->recordCount(), 0);

    dm->tblDocs->first();
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Main.pas", "Util.pas"}));
    EXPECT_EQ(dm->tblUnits->recNo(), 0);
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"FormCreate", "FormClose"}));
    dm->tblUnits->next();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Helper"}));
}
