// The report reads what Inkwright's own store writes, found through the
// alias, while Inkwright still holds the database open.
#include <gtest/gtest.h>
#include <memory>
#include <QDir>

#include "report/layout/ReportDatabase.h"
#include "report/layout/ReportSource.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "store/UserError.h"
#include "tests/support/PrintQt.h"
#include "tests/support/TempDir.h"

using namespace ink;

namespace {

class ReportStoreReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry = std::make_shared<AliasRegistry>(temp.filePath("config/DatabaseEngine.ini"));
        const QString dataDir = dataDirectoryFor(temp.path());
        createDataDirectory(dataDir);
        EnsureDatabaseAlias(*registry, TDM1::AliasName, dataDir, true);
        dm = std::make_unique<TDM1>(nullptr, registry);
        OpenOrCreateTables(*dm);
    }

    void setDescription(TTable* table, TField* field, const QString& text) {
        table->edit();
        field->setValue(text);
        table->post();
    }

    TempDir temp;
    std::shared_ptr<AliasRegistry> registry;
    std::unique_ptr<TDM1> dm;
};

TEST_F(ReportStoreReadTest, ReadsTheDocumentAsTheStoreWroteIt) {
    const QDateTime built({2023, 11, 30}, {9, 15, 0});
    dm->tblDocs->append({QVariant(), "LEDGER", 2048, built, "Ann", "Quill"});
    dm->tblDocs->edit();
    dm->tblDocsisVerInfo->setValue(true);
    dm->tblDocsProductVer->setValue("4.0");
    dm->tblDocs->post();
    const qint32 docNo = dm->tblDocsDocNo->asInteger();
    dm->tblUnits->append({docNo, QVariant(), "Main.pas", "frmMain"});
    setDescription(dm->tblUnits, dm->tblUnitsDescription, "First line\nSecond line");
    dm->tblProc->append(
        {docNo, dm->tblUnitsUnitNo->value(), QVariant(), "Start", "PROCEDURE", "<None>", "<None>"});
    setDescription(dm->tblProc, dm->tblProcDescription, "Starts it.");
    dm->tblUnits->append({docNo, QVariant(), "Aux.pas", "N/A"});

    ReportSource source(reportStore(*registry));
    ASSERT_TRUE(source.open(docNo));
    const ReportDocument* document = &source.document();
    QList<ReportUnit> units;
    source.readUnits(0, [&](int, const ReportUnit& unit) {
        units.append(unit);
        return true;
    });
    EXPECT_EQ(document->name, "LEDGER");
    EXPECT_EQ(document->author, "Ann");
    EXPECT_EQ(document->company, "Quill");
    EXPECT_EQ(document->modified, built);
    EXPECT_EQ(document->sizeKb, 2048);
    EXPECT_TRUE(document->includeVersionInfo);
    EXPECT_EQ(document->versionValues.last(), "4.0");
    ASSERT_EQ(units.size(), 2);
    EXPECT_EQ(units[0].name, "Main.pas");
    EXPECT_EQ(units[0].form, "frmMain");
    EXPECT_EQ(units[0].description, "First line\r\nSecond line");
    ASSERT_EQ(units[0].routines.size(), 1);
    EXPECT_EQ(units[0].routines[0].name, "Start");
    EXPECT_EQ(units[0].routines[0].description, "Starts it.");
    EXPECT_EQ(units[1].name, "Aux.pas");
    EXPECT_EQ(units[1].form, ""); // "N/A" is no form
    EXPECT_TRUE(units[1].routines.isEmpty());
}

TEST_F(ReportStoreReadTest, AMissingAliasIsReportedWithTheConfigurationFile) {
    const QString expected =
        QDir(registry->aliasPath(TDM1::AliasName)).filePath("Inkwright.sqlite");
    EXPECT_EQ(reportStore(*registry).databaseFile(), expected);

    const AliasRegistry empty(temp.filePath("other/DatabaseEngine.ini"));
    try {
        reportStore(empty);
        FAIL() << "found a database without an alias";
    } catch (const UserError& error) {
        EXPECT_TRUE(error.message().contains("\"Quillmark\" is not set up")) << error.what();
        EXPECT_TRUE(error.message().contains(QDir::toNativeSeparators(empty.configPath())));
    }
}

} // namespace
