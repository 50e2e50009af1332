// The embedded store's full-text index stays exact, entry for entry, through
// everything the tool writes and what another program writes beside it.
#include <gtest/gtest.h>
#include <QDir>

#include "store/testing/SqlFile.h"
#include "support/PrintQt.h"
#include "support/SearchIndexCheck.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

class SearchIndex : public ::testing::Test {
protected:
    QString data() const { return temp.filePath("data"); }
    QString store() const { return QDir(data()).filePath("Inkwright.sqlite"); }
    void run(const QStringList& args) {
        const ToolRun done = runTool(args + QStringList{"--data", data()});
        ASSERT_EQ(done.status, 0) << args.join(' ').toStdString() << ": " << done.err.toStdString();
        EXPECT_EQ(searchIndexMismatch(store()), QString()) << args.join(' ').toStdString();
    }
    QString found(const QString& words) { return runTool({"search", words, "--data", data()}).out; }

    TempDir temp;
};

} // namespace

TEST_F(SearchIndex, StaysExactThroughBuildRefreshImportEditAndDelete) {
    temp.write("app/A.pas", "unit A;\ninterface\nprocedure One;\nprocedure Two;\n"
                            "implementation\nend.\n");
    temp.write("app/B.pas", "unit B;\ninterface\nprocedure Four;\nimplementation\nend.\n");
    const QString project = temp.write("app/P.dpr", "program P;\nuses\n  A in 'A.pas',\n"
                                                    "  B in 'B.pas';\nbegin\nend.\n");
    run({"build", project});
    run({"build", project, "--name", "Q"}); // a second document after rows already indexed
    EXPECT_EQ(found("four"), "P\tB.pas\tFour\t\nQ\tB.pas\tFour\t\n");

    temp.write("app/A.pas", "{ The A unit. }\nunit A;\ninterface\n{ Counts. }\nprocedure Two;\n"
                            "{ Sums the column. }\nfunction Three: Integer;\n"
                            "implementation\nend.\n");
    run({"refresh", "1"});
    run({"refresh", "2", "--full"});
    EXPECT_EQ(found("three"), "P\tA.pas\tThree\t\nQ\tA.pas\tThree\t\n");
    run({"import-comments", "1"});
    EXPECT_EQ(found("sums"), "P\tA.pas\tThree\tSums the column.\n");

    // Another program edits and deletes, one row at a time, outside a batch.
    runSql(store(), "UPDATE ProcsLib SET Description = 'Adds it up.' WHERE ProcName = 'Three'");
    runSql(store(), "DELETE FROM ProcsLib WHERE ProcName = 'Four' AND DocNo = 2");
    runSql(store(), "UPDATE UnitsLib SET UnitName = 'Renamed.pas' WHERE UnitName = 'B.pas'");
    EXPECT_EQ(searchIndexMismatch(store()), QString());
    EXPECT_EQ(found("sums"), "");
    EXPECT_EQ(found("four"), "P\tRenamed.pas\tFour\t\n");
    run({"refresh", "2"}); // a refresh over those changes
    run({"check"});
}
