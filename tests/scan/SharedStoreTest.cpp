// Two people on one server store: the same row edited by both (the second
// post is refused and keeps its text), different rows and fields (both kept),
// a refresh beside someone describing, others' changes shown without asking,
// and a server that goes away in the middle of an edit.
#include <gtest/gtest.h>
#include <memory>
#include <QTest>
#include <thread>

#include "scan/BuildDocument.h"
#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/Startup.h"
#include "store/StoreAddress.h"
#include "store/StoreError.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "support/PgCluster.h"
#include "support/RecordingFeedback.h"
#include "support/TempDir.h"

using namespace ink;

namespace {

// One person's program: its own alias configuration and data module, on the
// shared database.
struct Person {
    Person(const TempDir& temp, const QString& name, const StoreAddress& address)
        : registry(std::make_shared<AliasRegistry>(temp.filePath(name + "/DatabaseEngine.ini"))) {
        SetAliasAddress(*registry, TDM1::AliasName, address);
        dm = std::make_unique<TDM1>(nullptr, registry);
        OpenOrCreateTables(*dm);
    }
    void showUnit(const char* unit) {
        dm->tblDocs->first();
        ASSERT_TRUE(dm->tblUnits->locate("UnitName", unit));
    }
    void typeUnitDescription(const QString& text) {
        dm->tblUnits->edit();
        dm->tblUnitsDescription->setValue(text);
    }
    std::shared_ptr<AliasRegistry> registry;
    std::unique_ptr<TDM1> dm;
};

class SharedStore : public ::testing::Test {
protected:
    void SetUp() override {
        address = PgCluster::shared().createDatabase("shared");
        anna = std::make_unique<Person>(temp, "anna", address);
        temp.write("app/Main.pas", "unit Main;\ninterface\nprocedure Show;\nprocedure Hide;\n"
                                   "implementation\nend.\n");
        temp.write("app/Util.pas", "unit Util;\ninterface\nfunction Twice(N: Integer): Integer;\n"
                                   "implementation\nend.\n");
        project = temp.write("app/P.dpr", "program P;\nuses\n  Main in 'Main.pas',\n"
                                          "  Util in 'Util.pas';\nbegin\nend.\n");
        BuildDocument(*anna->dm, project, "P", false, feedback);
        ben = std::make_unique<Person>(temp, "ben", address);
    }

    QString storedUnitDescription(const char* unit) {
        Person reader(temp, "reader", address);
        reader.showUnit(unit);
        return reader.dm->tblUnitsDescription->asString();
    }

    TempDir temp;
    StoreAddress address;
    QString project;
    RecordingFeedback feedback;
    std::unique_ptr<Person> anna;
    std::unique_ptr<Person> ben;
};

} // namespace

TEST_F(SharedStore, TheTablesAreMadeOnceAndFoundByTheNextProgram) {
    Database& db = anna->dm->database();
    EXPECT_TRUE(db.isServer());
    for (const char* table : {"DocsLib", "UnitsLib", "ProcsLib"})
        EXPECT_TRUE(db.tableExists(table)) << table;
    EXPECT_EQ(anna->dm->storeName(), address.displayName());
    ben->dm->tblDocs->first();
    EXPECT_EQ(ben->dm->tblUnits->recordCount(), 2);
    EXPECT_EQ(ben->dm->tblDocsDocName->asString(), "P");
}

TEST_F(SharedStore, TheSecondPostOfTheSameRowIsRefusedAndKeepsItsText) {
    anna->showUnit("Main.pas");
    ben->showUnit("Main.pas");
    anna->typeUnitDescription("Anna's words.");
    ben->typeUnitDescription("Ben's words.");
    anna->dm->tblUnits->post();
    try {
        ben->dm->tblUnits->post();
        FAIL() << "the second post reported success";
    } catch (const RowChanged& error) {
        EXPECT_TRUE(
            error.message().startsWith("This row was changed by another user since you opened it."))
            << error.message().toStdString();
    }
    EXPECT_EQ(ben->dm->tblUnits->state(), TTable::State::Editing);
    EXPECT_EQ(ben->dm->tblUnitsDescription->asString(), "Ben's words.");
    EXPECT_EQ(storedUnitDescription("Main.pas"), "Anna's words.");

    // Refresh Row shows Anna's version; Ben decides to keep his.
    const QVariantList theirs = ben->dm->tblUnits->refreshRow();
    EXPECT_EQ(theirs.value(ben->dm->tblUnitsDescription->index()).toString(), "Anna's words.");
    EXPECT_EQ(ben->dm->tblUnitsDescription->asString(), "Ben's words.");
    ben->dm->tblUnits->post();
    EXPECT_EQ(storedUnitDescription("Main.pas"), "Ben's words.");
}

TEST_F(SharedStore, DifferentRowsAndDifferentFieldsAreAllKept) {
    anna->showUnit("Main.pas");
    ben->showUnit("Util.pas");
    anna->typeUnitDescription("Main, by Anna.");
    ben->typeUnitDescription("Util, by Ben.");
    anna->dm->tblUnits->post();
    ben->dm->tblUnits->post();

    // The same row, different fields: the form name and the description.
    anna->showUnit("Util.pas");
    anna->dm->tblUnits->edit();
    anna->dm->tblUnitsFormName->setValue("UtilForm");
    ben->typeUnitDescription("Util, again by Ben.");
    anna->dm->tblUnits->post();
    ben->dm->tblUnits->post();

    Person reader(temp, "reader", address);
    reader.showUnit("Main.pas");
    EXPECT_EQ(reader.dm->tblUnitsDescription->asString(), "Main, by Anna.");
    reader.showUnit("Util.pas");
    EXPECT_EQ(reader.dm->tblUnitsDescription->asString(), "Util, again by Ben.");
    EXPECT_EQ(reader.dm->tblUnitsFormName->asString(), "UtilForm");
}

// Anna refreshes the document while Ben describes a routine of it: Ben's post
// waits for her transaction, then lands; her refresh keeps his words.
TEST_F(SharedStore, ARefreshBesideSomeoneDescribingKeepsBoth) {
    temp.write("app/Util.pas", "unit Util;\ninterface\nfunction Twice(N: Integer): Integer;\n"
                               "procedure Added;\nimplementation\nend.\n");
    ben->showUnit("Main.pas");
    ASSERT_TRUE(ben->dm->tblProc->locate("ProcName", "Show"));
    ben->dm->tblProc->edit();
    ben->dm->tblProcDescription->setValue("Shows it.");

    std::unique_ptr<std::thread> poster;
    std::string posted = "not run";
    {
        Batch held(anna->dm->database()); // her refresh's transaction stays open
        anna->dm->tblDocs->first();
        BuildDocument(*anna->dm, project, "P", true, feedback);
        // Ben posts from another thread: his row is locked by her refresh.
        // (His data module is only used by that thread until it is joined.)
        poster = std::make_unique<std::thread>([this, &posted] {
            try {
                ben->dm->tblProc->post();
                posted = "ok";
            } catch (const UserError& error) {
                posted = error.message().toStdString();
            }
        });
        QTest::qWait(300);
    }
    poster->join();
    EXPECT_EQ(posted, "ok");

    Person reader(temp, "reader", address);
    reader.showUnit("Main.pas");
    ASSERT_TRUE(reader.dm->tblProc->locate("ProcName", "Show"));
    EXPECT_EQ(reader.dm->tblProcDescription->asString(), "Shows it.");
    reader.showUnit("Util.pas");
    EXPECT_TRUE(reader.dm->tblProc->locate("ProcName", "Added"));
}

// A refresh that fails half-way keeps nothing of its run on a server: no
// half-added units beside another user's work, and the lists show the store.
TEST_F(SharedStore, ARefreshThatFailsHalfWayKeepsNothing) {
    temp.write("app/Later.pas", "unit Later;\ninterface\nprocedure Soon;\nimplementation\nend.\n");
    temp.write("app/P.dpr", "program P;\nuses\n  Main in 'Main.pas',\n  Util in 'Util.pas',\n"
                            "  Later in 'Later.pas';\nbegin\nend.\n");
    struct FailingFeedback : RecordingFeedback {
        void stepProgress() override { throw UserError("The disk went away."); }
    } failing;
    anna->dm->tblDocs->first();
    try {
        BuildDocument(*anna->dm, project, "P", true, failing);
        FAIL() << "the refresh reported success";
    } catch (const UserError& error) {
        EXPECT_EQ(error.message(), "The disk went away.");
    }
    EXPECT_EQ(anna->dm->tblUnits->recordCount(), 2);
    Person reader(temp, "reader", address);
    reader.dm->tblDocs->first();
    EXPECT_EQ(reader.dm->tblUnits->recordCount(), 2);
    EXPECT_FALSE(reader.dm->tblUnits->locate("UnitName", "Later.pas"));

    BuildDocument(*anna->dm, project, "P", true, feedback);
    EXPECT_EQ(anna->dm->tblUnits->recordCount(), 3);
}

// The server would keep the text only up to a NUL: the post is refused,
// naming the row, and what was typed stays pending.
TEST_F(SharedStore, ADescriptionHoldingANulIsRefusedNotCut) {
    anna->showUnit("Main.pas");
    const QString typed = QStringLiteral("Before") + QChar(0) + QStringLiteral("after");
    anna->typeUnitDescription(typed);
    try {
        anna->dm->tblUnits->post();
        FAIL() << "the post reported success";
    } catch (const UserError& error) {
        for (const char* named : {"NUL", "Description", "UnitsLib", "UnitName \"Main.pas\""})
            EXPECT_TRUE(error.message().contains(named)) << error.message().toStdString();
    }
    EXPECT_EQ(anna->dm->tblUnits->state(), TTable::State::Editing);
    EXPECT_EQ(anna->dm->tblUnitsDescription->asString(), typed);
    EXPECT_EQ(storedUnitDescription("Main.pas"), "");
}

TEST_F(SharedStore, OthersChangesAppearWithoutAskingAndKeepThePendingEdit) {
    ben->showUnit("Util.pas");
    ben->typeUnitDescription("Ben is typing.");
    anna->showUnit("Main.pas");
    anna->typeUnitDescription("Anna's new words.");
    anna->dm->tblUnits->post();

    // Ben's window shows Main's new words within a second or so, his own
    // row still current and his text still pending.
    auto mainDescription = [this] {
        const int field = ben->dm->tblUnitsDescription->index();
        for (int row = 0; row < ben->dm->tblUnits->recordCount(); ++row)
            if (ben->dm->tblUnits->rowValue(row, ben->dm->tblUnitsUnitName->index()) == "Main.pas")
                return ben->dm->tblUnits->rowValue(row, field).toString();
        return QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(mainDescription(), QString("Anna's new words."), 5000);
    EXPECT_EQ(ben->dm->tblUnitsUnitName->asString(), "Util.pas");
    EXPECT_EQ(ben->dm->tblUnits->state(), TTable::State::Editing);
    EXPECT_EQ(ben->dm->tblUnitsDescription->asString(), "Ben is typing.");
    ben->dm->tblUnits->post();
    EXPECT_EQ(storedUnitDescription("Util.pas"), "Ben is typing.");
}

TEST_F(SharedStore, ARowDeletedByAnotherIsTheVanishedRowError) {
    ben->showUnit("Util.pas");
    ben->typeUnitDescription("Too late.");
    anna->showUnit("Util.pas");
    anna->dm->tblUnits->deleteWithDetails();
    try {
        ben->dm->tblUnits->post();
        FAIL() << "the post reported success";
    } catch (const RowChanged& error) {
        EXPECT_TRUE(error.message().contains("deleted by another program or user"))
            << error.message().toStdString();
    }
    EXPECT_EQ(ben->dm->tblUnitsDescription->asString(), "Too late.");
}

// A server of its own, so that stopping it troubles no other test.
TEST(SharedStoreServer, AServerThatGoesAwayMidEditKeepsTheTextAndTheNextPostLands) {
    PgCluster cluster;
    TempDir temp;
    const StoreAddress address = cluster.createDatabase("away");
    Person anna(temp, "anna", address);
    anna.dm->tblDocs->append({QVariant(), "DOC"});
    anna.dm->tblUnits->append({anna.dm->tblDocsDocNo->value(), QVariant(), "Main.pas"});
    anna.typeUnitDescription("Typed while the server was away.");

    ASSERT_TRUE(cluster.stop() || !cluster.isRunning());
    try {
        anna.dm->tblUnits->post();
        FAIL() << "the post reported success";
    } catch (const ServerUnreachable& error) {
        EXPECT_TRUE(error.message().contains("Nothing you typed is lost"))
            << error.message().toStdString();
    }
    EXPECT_EQ(anna.dm->tblUnits->state(), TTable::State::Editing);
    EXPECT_EQ(anna.dm->tblUnitsDescription->asString(), "Typed while the server was away.");

    ASSERT_TRUE(cluster.start()) << cluster.lastError().toStdString();
    anna.dm->tblUnits->post();
    Person reader(temp, "reader", address);
    reader.showUnit("Main.pas");
    EXPECT_EQ(reader.dm->tblUnitsDescription->asString(), "Typed while the server was away.");

    // Closing while the server is away frees what it can and throws nothing.
    reader.dm.reset();
    cluster.stop();
    anna.typeUnitDescription("Never saved.");
    EXPECT_THROW(anna.dm->tblUnits->post(), ServerUnreachable); // the connection is known lost
    EXPECT_NO_THROW(anna.dm->closeDatabase());
}

// A server store made before the later fields of documents and units gains them when
// the next program opens it, rows kept, and takes values in them.
TEST_F(SharedStore, AnOlderServerStoreGainsTheDocumentsLaterFields) {
    anna.reset();
    ben.reset();
    QString error;
    ASSERT_TRUE(PgCluster::shared().execute(
        address.database,
        "ALTER TABLE DocsLib DROP COLUMN ReportEventHandlers, DROP COLUMN ReportVisibility, "
        "DROP COLUMN Configuration; ALTER TABLE UnitsLib DROP COLUMN DeclsSeen",
        &error))
        << error.toStdString();
    Person carla(temp, "carla", address);
    carla.dm->tblDocs->first();
    EXPECT_EQ(carla.dm->tblDocsDocName->asString(), "P");
    EXPECT_TRUE(carla.dm->tblDocsConfiguration->isNull());
    EXPECT_TRUE(carla.dm->tblDocsReportVisibility->isNull());
    EXPECT_TRUE(carla.dm->tblDocsReportEventHandlers->isNull());
    ASSERT_GT(carla.dm->tblUnits->recordCount(), 0);
    EXPECT_TRUE(carla.dm->tblUnitsDeclsSeen->isNull());
    carla.dm->tblDocs->edit();
    carla.dm->tblDocsReportVisibility->setValue("public,private");
    carla.dm->tblDocsReportEventHandlers->setValue(true);
    carla.dm->tblDocs->post();
    Person reader(temp, "reader", address);
    reader.dm->tblDocs->first();
    EXPECT_EQ(reader.dm->tblDocsReportVisibility->asString(), "public,private");
    EXPECT_TRUE(reader.dm->tblDocsReportEventHandlers->asBoolean());
}
