// The tool on a server store: every command takes --db URL in place of
// --data DIR, and copy-store moves a store between the two kinds, numbers
// and descriptions kept, only ever into an empty one.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "store/testing/SqlFile.h"
#include "support/PgCluster.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

class ServerStoreCommands : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/A.pas", "unit A;\ninterface\nprocedure One;\nfunction Two: Integer;\n"
                                "implementation\nend.\n");
        temp.write("app/B.pas", "unit B;\ninterface\nprocedure Three;\nimplementation\nend.\n");
        project = temp.write("app/P.dpr", "program P;\nuses\n  A in 'A.pas',\n  B in 'B.pas';\n"
                                          "begin\nend.\n");
        server = PgCluster::shared().createDatabase("tool");
        url = server.url();
    }
    QString folder(const char* name) const { return temp.filePath(name); }
    QString file(const char* name) const { return QDir(folder(name)).filePath("Inkwright.sqlite"); }
    // The three tables of a SQLite store, every field of every row.
    QString everything(const char* name) const {
        return sqlText(file(name),
                       "SELECT group_concat(x, char(10)) FROM ("
                       "SELECT quote(DocNo) || quote(DocName) || quote(DocDate) || "
                       "quote(DPRFileName) || quote(LastScan) AS x FROM DocsLib UNION ALL "
                       "SELECT quote(UnitNo) || quote(UnitName) || quote(Description) "
                       "|| quote(UnitPath) || quote(LastSeen) FROM UnitsLib UNION ALL "
                       "SELECT quote(ProcNo) || quote(ProcName) || quote(ProcParams) || "
                       "quote(Description) || quote(Declaration) || quote(LastSeen) "
                       "FROM ProcsLib UNION ALL "
                       "SELECT quote(DeclNo) || quote(ParentNo) || quote(Owner) || quote(DeclName) "
                       "|| quote(Declaration) || quote(Description) || quote(ChangedFrom) || "
                       "quote(SourceLine) || quote(LastSeen) FROM DeclsLib)");
    }

    TempDir temp;
    QString project;
    ink::StoreAddress server;
    QString url;
};

} // namespace

TEST_F(ServerStoreCommands, EveryCommandWorksOnTheServer) {
    ToolRun run = runTool({"build", project, "--db", url});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("docno\t1\tunits\t2\troutines\t3\t")) << run.out.toStdString();
    run = runTool({"refresh", "1", "--db", url});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("missing_units\t0\tmissing_routines\t0")) << run.out.toStdString();
    run = runTool({"coverage", "1", "--db", url, "--min", "0"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith("total\t3\t0\t0.0\n")) << run.out.toStdString();
    run = runTool({"search", "Thr", "--db", url});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "P\tB.pas\tThree\t\n");
    run = runTool({"export", "1", "--db", url, "--out", temp.filePath("out/r.html")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(temp.filePath("out/r.html")).size() > 0);

    // Exactly one store option, and a URL that says where.
    EXPECT_EQ(runTool({"coverage", "1", "--db", url, "--data", folder("d")}).status, 2);
    run = runTool({"coverage", "1", "--db", "postgresql://anna:secret@h/d"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("pgpass")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("postgresql://anna@h/d")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("secret")) << run.err.toStdString();
    // A server database that holds no store is refused, and left empty.
    const QString empty = PgCluster::shared().createDatabase("empty").url();
    run = runTool({"refresh", "1", "--db", empty});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("holds no documentation")) << run.err.toStdString();
}

TEST_F(ServerStoreCommands, CopyStoreMovesEveryRowBothWaysIntoEmptyStoresOnly) {
    ASSERT_EQ(runTool({"build", project, "--data", folder("first")}).status, 0);
    runSql(file("first"), "UPDATE ProcsLib SET Description = 'Does it.' || char(13) || "
                          "char(10) || 'Twice.' WHERE ProcName = 'Two'");
    runSql(file("first"), "UPDATE UnitsLib SET Description = 'The A unit.' WHERE UnitNo = 1");
    runSql(file("first"), "DELETE FROM ProcsLib WHERE ProcName = 'One'"); // a gap in the numbers
    runSql(file("first"), "UPDATE DeclsLib SET Description = 'Its own.', ChangedFrom = "
                          "'procedure Two(X: Integer);' WHERE DeclName = 'Two'");

    ToolRun run = runTool({"copy-store", "--from", folder("first"), "--to", url});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "documents\t1\tunits\t2\troutines\t3\tdeclarations\t3\n"); // with B's placeholder
    // The report of the same data reads the same from either store.
    ASSERT_EQ(runTool({"export", "1", "--data", folder("first"), "--out", folder("a.html")}).status,
              0);
    run = runTool({"export", "1", "--db", url, "--out", folder("b.html")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(folder("a.html")), readFile(folder("b.html")));

    run = runTool({"copy-store", "--from", url, "--to", folder("back")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(everything("back"), everything("first"));
    // A folder copied into goes on after the highest numbers too.
    run = runTool({"build", project, "--data", folder("back"), "--name", "Later"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("docno\t2\t")) << run.out.toStdString();
    EXPECT_EQ(sqlText(file("back"), "SELECT min(UnitNo) FROM UnitsLib WHERE DocNo = 2"), "3");

    // Into a store that holds documents: refused, nothing written.
    run = runTool({"copy-store", "--from", folder("first"), "--to", url});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("not empty")) << run.err.toStdString();
    run = runTool({"search", "Three", "--db", url});
    EXPECT_EQ(run.out.count('\n'), 1);

    // The server's numbers go on after the highest copied.
    run = runTool({"build", project, "--db", url, "--name", "Again"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("docno\t2\t")) << run.out.toStdString();
    run = runTool({"copy-store", "--from", url, "--to", folder("third")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(sqlText(file("third"), "SELECT min(ProcNo) FROM ProcsLib WHERE DocNo = 2"), "5");
}

// libpq's keyword/value form is taken wherever a URL is, and no message of
// any command repeats a password typed into it.
TEST_F(ServerStoreCommands, AKeywordValueStringIsAServerAndNoMessageEchoesItsPassword) {
    const QString keywords = QStringLiteral("host='%1' port=%2 dbname=%3 user=%4")
                                 .arg(server.server)
                                 .arg(server.port)
                                 .arg(server.database, server.user);
    ToolRun run = runTool({"build", project, "--db", keywords});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    run = runTool({"check", "--db", keywords});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "ok\n");
    run = runTool({"copy-store", "--from", keywords, "--to", folder("copy")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("documents\t1\t")) << run.out.toStdString();

    const QString withPassword = keywords + " user=anna password=s3cret-word";
    const QList<QStringList> commands{
        {"check", "--db", withPassword},
        {"check", "--data", withPassword},
        {"coverage", "1", "--db", withPassword},
        {"build", project, "--db", withPassword},
        {"copy-store", "--from", withPassword, "--to", folder("other")},
        {"copy-store", "--from", folder("copy"), "--to", withPassword},
        {"check", "--db", "host=h password=s3cret-word dbname"},
        {"check", "--db", "host=h dbname=d password='s3cret-word"},
    };
    for (const QStringList& command : commands) {
        run = runTool(command);
        EXPECT_EQ(run.status, 2) << command.join(' ').toStdString();
        EXPECT_FALSE((run.out + run.err).contains("s3cret")) << run.err.toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << command.join(' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(folder("other")));
}

// Users type a document's number (export 2, refresh 2): each new document
// takes the next one, on either store, however many runs made them.
TEST_F(ServerStoreCommands, EachNewDocumentTakesTheNextNumberOnEitherStore) {
    for (const QStringList& store :
         {QStringList{"--data", folder("local")}, QStringList{"--db", url}}) {
        QStringList numbers;
        for (const char* name : {"First", "Second", "Third"}) {
            const ToolRun run = runTool(QStringList{"build", project, "--name", name} + store);
            ASSERT_EQ(run.status, 0) << run.err.toStdString();
            numbers << run.out.section('\t', 1, 1);
        }
        EXPECT_EQ(numbers, QStringList({"1", "2", "3"})) << store.first().toStdString();
    }
}

// A server keeps text as C strings: a NUL character must never cut a
// description short without a word.
TEST_F(ServerStoreCommands, ANulCharacterIsDroppedFromSourcesAndRefusedInACopy) {
    using namespace Qt::StringLiterals;
    temp.write("app/A.pas",
               "{ The A\0 unit. }\nunit A;\ninterface\n{ Does\0 one,\0 fully. }\nprocedure One;\n"
               "function Two: Integer;\nimplementation\nend.\n"_ba);
    ASSERT_EQ(runTool({"build", project, "--db", url}).status, 0);
    ToolRun run = runTool({"import-comments", "1", "--db", url});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "units\t1\troutines\t1\tdeclarations\t0\n");
    EXPECT_EQ(PgCluster::shared().query(server.database,
                                        "SELECT description FROM procslib WHERE procname = 'One'"),
              "Does one, fully.");
    EXPECT_EQ(PgCluster::shared().query(
                  server.database, "SELECT description FROM unitslib WHERE unitname = 'A.pas'"),
              "The A unit.");

    // A description typed into a local store keeps its NUL there; the copy
    // to a server is refused, naming the row, and leaves the server empty.
    ASSERT_EQ(runTool({"build", project, "--data", folder("local")}).status, 0);
    runSql(file("local"), "UPDATE UnitsLib SET Description = 'Kept.' WHERE UnitNo = 1");
    runSql(file("local"), "UPDATE ProcsLib SET Description = 'Before' || char(0) || 'after' "
                          "WHERE ProcName = 'Two'");
    const QString empty = PgCluster::shared().createDatabase("copy").url();
    run = runTool({"copy-store", "--from", folder("local"), "--to", empty});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    for (const char* named :
         {"NUL", "Description", "ProcsLib", "ProcName \"Two\"", "Nothing was copied."})
        EXPECT_TRUE(run.err.contains(named)) << named << ": " << run.err.toStdString();
    EXPECT_EQ(PgCluster::shared().query(ink::StoreAddress::fromUrl(empty)->database,
                                        "SELECT (SELECT count(*) FROM docslib) + "
                                        "(SELECT count(*) FROM unitslib) + "
                                        "(SELECT count(*) FROM procslib)"),
              "0");
}

TEST(CopyStore, AMissingSourceIsSaidSoAndNothingIsMade) {
    TempDir temp;
    // Two folders that do not exist yet are still two stores.
    const ToolRun run =
        runTool({"copy-store", "--from", temp.filePath("none"), "--to", temp.filePath("new")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("does not exist")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(temp.filePath("new")));
    EXPECT_EQ(
        runTool({"copy-store", "--from", temp.filePath("new"), "--to", temp.filePath("./new")}).err,
        "The source and the target are the same store.\n");
}
