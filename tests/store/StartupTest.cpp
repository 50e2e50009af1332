#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/Startup.h"
#include "store/StoreError.h"
#include "store/TDM1.h"
#include "store/testing/SqlFile.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "store/UserError.h"
#include "support/OddFiles.h"
#include "support/TempDir.h"

using namespace ink;

namespace {

// One start of the program from `programFolder`: the data directory, the
// alias and the tables, as the main window does it. Returns the error text
// of the table step, or "" when all three opened.
QString startProgram(const QString& configPath, const QString& programFolder,
                     std::unique_ptr<TDM1>& dm) {
    auto registry = std::make_shared<AliasRegistry>(configPath);
    const QString data = dataDirectoryFor(programFolder);
    createDataDirectory(data);
    EnsureDatabaseAlias(*registry, TDM1::AliasName, data, true);
    dm = std::make_unique<TDM1>(nullptr, registry);
    try {
        OpenOrCreateTables(*dm);
    } catch (const UserError& error) {
        return error.message();
    }
    return {};
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Startup : public ::testing::Test {
protected:
    QString config() const { return temp.filePath("config/Inkwright/DatabaseEngine.ini"); }
    QString program() const { return temp.filePath("program"); }
    QString databaseFile(const QString& folder) const {
        return QDir(dataDirectoryFor(folder)).filePath(TDM1::DatabaseFileName);
    }
    // The document names of the store under `folder`, through a fresh start.
    QStringList documentsOf(const QString& folder) {
        std::unique_ptr<TDM1> dm;
        EXPECT_EQ(startProgram(config(), folder, dm), "");
        QStringList names;
        for (dm->tblDocs->first(); !dm->tblDocs->eof(); dm->tblDocs->next())
            names << dm->tblDocsDocName->asString();
        return names;
    }
    void addDocument(const QString& folder, const QString& name) {
        std::unique_ptr<TDM1> dm;
        ASSERT_EQ(startProgram(config(), folder, dm), "");
        dm->tblDocs->append({QVariant(), name});
        dm->tblUnits->append({dm->tblDocsDocNo->value(), QVariant(), "Main.pas"});
        dm->tblProc->append(
            {dm->tblDocsDocNo->value(), dm->tblUnitsUnitNo->value(), QVariant(), "Run"});
    }

    TempDir temp;
};

} // namespace

TEST(DataDirectory, IsTheProgramFolderAndData) {
    EXPECT_EQ(QDir::fromNativeSeparators(dataDirectoryFor("/opt/ink")), "/opt/ink/Data");
    EXPECT_EQ(QDir::fromNativeSeparators(dataDirectoryFor("/opt/ink/")), "/opt/ink/Data");
    EXPECT_EQ(QDir::fromNativeSeparators(dataDirectoryFor("/")), "/Data");
}

TEST_F(Startup, FirstStartCreatesEverythingAndTheSecondFindsIt) {
    std::unique_ptr<TDM1> dm;
    ASSERT_EQ(startProgram(config(), program(), dm), "");
    EXPECT_TRUE(QFileInfo(dataDirectoryFor(program())).isDir());
    EXPECT_TRUE(QFileInfo::exists(databaseFile(program())));
    for (TTable* table : {dm->tblDocs, dm->tblUnits, dm->tblProc}) {
        EXPECT_TRUE(table->isOpen());
        EXPECT_EQ(table->recordCount(), 0);
    }
    AliasRegistry saved(config());
    EXPECT_EQ(saved.aliasPath("Quillmark"), dataDirectoryFor(program()));
    EXPECT_EQ(saved.parameter("quillmark", "default driver"), "SQLITE3");
    dm.reset();

    addDocument(program(), "KEPT");
    EXPECT_EQ(documentsOf(program()), QStringList({"KEPT"}));
    EXPECT_EQ(AliasRegistry(config()).aliasPath("Quillmark"), dataDirectoryFor(program()));
}

TEST_F(Startup, AMovedProgramFolderGetsItsOwnStore) {
    addDocument(program(), "OLD");
    const QString moved = temp.filePath("elsewhere");
    EXPECT_EQ(documentsOf(moved), QStringList());
    EXPECT_EQ(AliasRegistry(config()).aliasPath("Quillmark"), dataDirectoryFor(moved));
    // The old data is neither used nor moved.
    EXPECT_TRUE(QFileInfo::exists(databaseFile(program())));
    EXPECT_EQ(documentsOf(program()), QStringList({"OLD"}));
}

TEST_F(Startup, AnAliasPointingElsewhereIsRePointedAndTheRestKept) {
    temp.write("config/Inkwright/DatabaseEngine.ini",
               "; engine settings\n"
               "[Other]\nPATH=/srv/other\n\n"
               "[QUILLMARK]\n; where the data lives\nPath=/somewhere/else\n"
               "DEFAULT DRIVER=PARADOX\nLANGDRIVER=ascii\n");
    AliasRegistry registry(config());
    EXPECT_TRUE(EnsureDatabaseAlias(registry, "Quillmark", "/new/Data", true));

    AliasRegistry saved(config());
    EXPECT_EQ(saved.aliasPath("Quillmark"), "/new/Data");
    EXPECT_EQ(saved.parameter("Quillmark", "DEFAULT DRIVER"), "PARADOX");
    EXPECT_EQ(saved.parameter("Quillmark", "LANGDRIVER"), "ascii");
    EXPECT_EQ(saved.aliasPath("Other"), "/srv/other");
    const QByteArray text = bytesOf(config());
    EXPECT_TRUE(text.contains("; engine settings"));
    EXPECT_TRUE(text.contains("; where the data lives"));
}

TEST_F(Startup, AMissingAliasIsAddedOnlyWhenAllowed) {
    AliasRegistry registry(config());
    EXPECT_FALSE(EnsureDatabaseAlias(registry, "Quillmark", "/data", false));
    EXPECT_FALSE(QFileInfo::exists(config()));
    EXPECT_FALSE(registry.aliasExists("Quillmark"));
}

TEST_F(Startup, AnUnwritableConfigurationIsReported) {
    temp.write("blocker", "a file where a folder should be");
    AliasRegistry registry(temp.filePath("blocker/DatabaseEngine.ini"));
    try {
        EnsureDatabaseAlias(registry, "Quillmark", "/data", true);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_TRUE(error.message().contains(temp.filePath("blocker/DatabaseEngine.ini")));
    }
}

TEST_F(Startup, OnlyTheMissingTableIsCreated) {
    addDocument(program(), "KEPT");
    runSql(databaseFile(program()), "DROP TABLE ProcsLib");
    std::unique_ptr<TDM1> dm;
    ASSERT_EQ(startProgram(config(), program(), dm), "");
    EXPECT_EQ(dm->tblDocs->recordCount(), 1);
    EXPECT_EQ(dm->tblUnits->recordCount(), 1);
    EXPECT_EQ(dm->tblProc->recordCount(), 0);
}

TEST_F(Startup, ATableOfAnotherLayoutIsReportedAndLeftAlone) {
    addDocument(program(), "KEPT");
    runSql(databaseFile(program()), "ALTER TABLE UnitsLib RENAME COLUMN FormName TO Form");
    std::unique_ptr<TDM1> dm;
    const QString error = startProgram(config(), program(), dm);
    EXPECT_TRUE(error.contains("UnitsLib")) << error.toStdString();
    EXPECT_TRUE(error.contains(databaseFile(program()))) << error.toStdString();
    EXPECT_TRUE(error.contains("FormName")) << error.toStdString();
    EXPECT_TRUE(dm->tblDocs->isOpen());
    EXPECT_FALSE(dm->tblUnits->isOpen());
    EXPECT_FALSE(dm->tblProc->isOpen());
    dm.reset();
    runSql(databaseFile(program()), "SELECT DocNo, UnitNo, UnitName, Form FROM UnitsLib");
}

// A store written before a field was added at a table's end, or before a
// table was added (also one that was never stamped), opens, keeps every row
// and gains the field or the table, empty.
TEST_F(Startup, AnOlderStoreGainsTheFieldsAddedSince) {
    addDocument(program(), "KEPT");
    runSql(databaseFile(program()),
           "ALTER TABLE UnitsLib DROP COLUMN DeclsSeen;"
           "ALTER TABLE UnitsLib DROP COLUMN SourceStamps;"
           "ALTER TABLE UnitsLib DROP COLUMN MissingSource;"
           "ALTER TABLE UnitsLib DROP COLUMN LastSeen; ALTER TABLE UnitsLib DROP COLUMN UnitPath;"
           "ALTER TABLE ProcsLib DROP COLUMN LastSeen; ALTER TABLE DocsLib DROP COLUMN LastScan;"
           "ALTER TABLE DocsLib DROP COLUMN Configuration;"
           "ALTER TABLE DocsLib DROP COLUMN ReportVisibility;"
           "ALTER TABLE DocsLib DROP COLUMN ReportEventHandlers;"
           "DROP TABLE DeclsLib; PRAGMA application_id = 0");
    std::unique_ptr<TDM1> dm;
    ASSERT_EQ(startProgram(config(), program(), dm), "");
    EXPECT_TRUE(dm->tblDecls->isOpen());
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "Main.pas");
    EXPECT_TRUE(dm->tblUnitsUnitPath->isNull());
    EXPECT_TRUE(dm->tblUnitsLastSeen->isNull());
    EXPECT_TRUE(dm->tblUnitsMissingSource->isNull());
    EXPECT_TRUE(dm->tblUnitsSourceStamps->isNull());
    EXPECT_TRUE(dm->tblUnitsDeclsSeen->isNull());
    EXPECT_TRUE(dm->tblDocsLastScan->isNull());
    EXPECT_TRUE(dm->tblDocsConfiguration->isNull());
    EXPECT_TRUE(dm->tblDocsReportVisibility->isNull());
    EXPECT_TRUE(dm->tblDocsReportEventHandlers->isNull());
    dm->tblUnits->edit();
    dm->tblUnitsUnitPath->setValue("src\\Main.pas");
    dm->tblUnits->post();
    dm.reset();
    EXPECT_EQ(sqlText(databaseFile(program()), "SELECT UnitPath FROM UnitsLib"), "src\\Main.pas");
}

// Opening reads the header and the schema: damage there is refused at once.
TEST_F(Startup, ADamagedOrForeignFileIsReportedAndLeftUntouched) {
    addDocument(program(), "KEPT");
    QByteArray damaged = bytesOf(databaseFile(program()));
    ASSERT_GT(damaged.size(), 3 * 4096);
    damaged.replace(100, 2000, QByteArray(2000, '\xA5')); // the schema's page

    const QByteArray foreignDatabase = [&] {
        const QString path = temp.filePath("foreign.db");
        runSql(path, "PRAGMA journal_mode=DELETE; CREATE TABLE Contacts (Name TEXT)");
        return bytesOf(path);
    }();
    // An empty file too: SQLite would take it as an empty database and
    // write a new store over it.
    const QByteArray cases[] = {damaged, QByteArray("just some text\n").repeated(300),
                                foreignDatabase, QByteArray()};
    for (const QByteArray& content : cases) {
        temp.write("program/Data/Inkwright.sqlite", content);
        std::unique_ptr<TDM1> dm;
        const QString error = startProgram(config(), program(), dm);
        EXPECT_TRUE(error.startsWith("Cannot open the database \"" + databaseFile(program())))
            << error.toStdString();
        for (TTable* table : {dm->tblDocs, dm->tblUnits, dm->tblProc})
            EXPECT_FALSE(table->isOpen());
        dm.reset();
        EXPECT_EQ(bytesOf(databaseFile(program())), content);
    }
}

// Opening does not read every page, so that its cost does not grow with the
// store: damage inside a table is met by the first read of that table, which
// reports it and leaves the table closed, the file as it was.
TEST_F(Startup, DamageInsideATableIsReportedByTheReadThatMeetsIt) {
    addDocument(program(), "KEPT");
    const QString file = databaseFile(program());
    const int page =
        sqlText(file, "SELECT rootpage FROM sqlite_schema WHERE name = 'ProcsLib'").toInt();
    ASSERT_GT(page, 1);
    QByteArray damaged = bytesOf(file);
    damaged.replace((page - 1) * 4096, 4096, QByteArray(4096, '\xA5'));
    temp.write("program/Data/Inkwright.sqlite", damaged);

    std::unique_ptr<TDM1> dm;
    const QString error = startProgram(config(), program(), dm);
    EXPECT_TRUE(error.contains(file) && error.contains("malformed")) << error.toStdString();
    EXPECT_TRUE(dm->tblDocs->isOpen());
    EXPECT_FALSE(dm->tblProc->isOpen());
    dm.reset();
    EXPECT_EQ(bytesOf(file), damaged);
}

// The window's check at open: a small store is read whole, a large one in
// samples that walk every tree from its root; either finds a damaged page
// that opening does not read, and a sound store passes both.
TEST_F(Startup, TheBriefCheckFindsDamageWholeOrBySamples) {
    addDocument(program(), "KEPT");
    const QString file = databaseFile(program());
    {
        Database sound(file);
        EXPECT_NO_THROW(sound.checkForDamage());
        EXPECT_NO_THROW(sound.checkForDamage(0));
    }
    const QByteArray original = bytesOf(file);
    for (const char* tree : {"ProcsLib", "tblProcIndex1"}) {
        const int page =
            sqlText(file, QStringLiteral("SELECT rootpage FROM sqlite_schema WHERE name = '%1'")
                              .arg(QLatin1String(tree)))
                .toInt();
        ASSERT_GT(page, 1);
        QByteArray damaged = original;
        damaged.replace((page - 1) * 4096 + 8, 64, QByteArray(64, '\xA5'));
        temp.write("program/Data/Inkwright.sqlite", damaged);
        for (const qint64 wholeUpTo : {Database::FullCheckBytes, qint64(0)}) {
            Database db(file);
            try {
                db.checkForDamage(wholeUpTo);
                ADD_FAILURE() << tree << " " << wholeUpTo << ": no damage found";
            } catch (const StoreDamaged& e) {
                EXPECT_TRUE(e.message().startsWith("Cannot open the database \"" + file))
                    << e.message().toStdString();
                EXPECT_EQ(db.damage(), e.message());
            }
        }
        EXPECT_EQ(bytesOf(file), damaged);
    }
}

TEST_F(Startup, ADataDirectoryThatCannotBeCreatedIsReportedAtOnce) {
    temp.write("program", "a file where the program folder should be");
    const QString data = dataDirectoryFor(program());
    try {
        createDataDirectory(data);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_TRUE(
            error.message().startsWith("Cannot create the data directory \"" + data + "\": "))
            << error.message().toStdString();
        EXPECT_TRUE(error.message().contains("directory", Qt::CaseInsensitive));
    }
}

TEST_F(Startup, AnUnstampedDatabaseHoldingOurTablesIsOurs) {
    addDocument(program(), "KEPT");
    runSql(databaseFile(program()), "PRAGMA application_id = 0");
    EXPECT_EQ(documentsOf(program()), QStringList({"KEPT"}));
}

TEST_F(Startup, AnUnreadableConfigurationIsReportedByEveryUseAndNeverWrittenOver) {
    const QString folder = temp.filePath("config/Inkwright/DatabaseEngine.ini");
    ASSERT_TRUE(QDir().mkpath(folder));
    AliasRegistry registry(folder); // does not throw: start-up reports it in its own step
    EXPECT_THROW(registry.aliasExists("Quillmark"), UserError);
    EXPECT_THROW(registry.aliasPath("Quillmark"), UserError);
    EXPECT_THROW(registry.saveConfiguration(), UserError);
    try {
        EnsureDatabaseAlias(registry, "Quillmark", "/data", true);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_TRUE(error.message().startsWith("Cannot read the configuration \"" + folder))
            << error.message().toStdString();
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(Startup, AValueWithALineBreakIsNeverWritten) {
    temp.write("config/Inkwright/DatabaseEngine.ini", "[Quillmark]\nPATH=/old/Data\n");
    const QByteArray before = bytesOf(config());
    AliasRegistry registry(config());
    for (const QString& path : {QStringLiteral("/a\nb/Data"), QStringLiteral("/a\rb/Data")}) {
        try {
            EnsureDatabaseAlias(registry, "Quillmark", path, true);
            FAIL() << "no error";
        } catch (const UserError& error) {
            EXPECT_TRUE(error.message().contains("line break")) << error.message().toStdString();
        }
        EXPECT_THROW(registry.modifyAlias("Quillmark", {"LANGDRIVER=x", "PATH=" + path}),
                     UserError);
        EXPECT_THROW(registry.addStandardAlias("Other", path, "SQLITE3"), UserError);
    }
    // Nothing was taken in, not even the good line before the refused one.
    EXPECT_EQ(registry.aliasPath("Quillmark"), "/old/Data");
    EXPECT_EQ(registry.parameter("Quillmark", "LANGDRIVER"), "");
    EXPECT_FALSE(registry.aliasExists("Other"));
    EXPECT_EQ(bytesOf(config()), before);
}

TEST_F(Startup, AFileWithOneOfOurTableNamesButAnotherLayoutIsNeverWritten) {
    const QString file = databaseFile(program());
    QDir().mkpath(QFileInfo(file).absolutePath());
    runSql(file, "PRAGMA journal_mode=DELETE; CREATE TABLE UnitsLib (Id INTEGER, Title TEXT);"
                 "INSERT INTO UnitsLib VALUES (1, 'theirs')");
    const QByteArray before = bytesOf(file);
    std::unique_ptr<TDM1> dm;
    const QString error = startProgram(config(), program(), dm);
    EXPECT_TRUE(error.contains("has a different layout")) << error.toStdString();
    EXPECT_TRUE(error.contains("UnitsLib")) << error.toStdString();
    for (TTable* table : {dm->tblDocs, dm->tblUnits, dm->tblProc})
        EXPECT_FALSE(table->isOpen());
    dm.reset();
    EXPECT_EQ(bytesOf(file), before); // journal mode, stamp and tables as they were
    EXPECT_FALSE(QFileInfo::exists(file + "-wal"));
}

TEST_F(Startup, OpeningOurStoreChangesNoByte) {
    addDocument(program(), "KEPT");
    const QString file = databaseFile(program());
    const QByteArray before = bytesOf(file);
    EXPECT_EQ(documentsOf(program()), QStringList({"KEPT"}));
    EXPECT_EQ(bytesOf(file), before);
}

// A pipe where the configuration or the database should be is refused as
// "not a file" at once; nothing waits for a writer, nothing is written to it.
TEST_F(Startup, PipesInPlaceOfTheConfigurationOrTheDatabaseAreNoFiles) {
    const QString pipe = MakeFifo(config());
    bool reported = false;
    EXPECT_TRUE(ReturnsWithin(std::chrono::seconds(5), {pipe}, [&] {
        AliasRegistry registry(pipe);
        try {
            registry.aliasExists("Quillmark");
        } catch (const UserError& error) {
            reported = error.message().contains("it is not a file");
        }
    }));
    EXPECT_TRUE(reported);

    QDir().mkpath(dataDirectoryFor(program()));
    const QString database = MakeFifo(databaseFile(program()));
    QString error;
    EXPECT_TRUE(ReturnsWithin(std::chrono::seconds(5), {database}, [&] {
        std::unique_ptr<TDM1> dm;
        error = startProgram(temp.filePath("other.ini"), program(), dm);
    }));
    EXPECT_EQ(error, "Cannot open the database \"" + database + "\": it is not a file");
}

// A shared store on a server stays where the user pointed it, whichever
// folder the program starts from; the file is not even rewritten.
TEST_F(Startup, AServerAliasIsLeftAsTheUserSetIt) {
    const QByteArray text = "[Quillmark]\nDEFAULT DRIVER=PostgreSQL\nSERVER NAME=db.example.org\n"
                            "PORT=5433\nDATABASE NAME=docs\nUSER NAME=anna\nPATH=/old/Data\n";
    temp.write("config/Inkwright/DatabaseEngine.ini", text);
    AliasRegistry registry(config());
    EXPECT_TRUE(EnsureDatabaseAlias(registry, "Quillmark", dataDirectoryFor(program()), true));
    EXPECT_EQ(registry.aliasPath("Quillmark"), "/old/Data");
    EXPECT_EQ(bytesOf(config()), text);
}
