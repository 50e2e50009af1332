// A build whose units are read on several threads stores exactly what a build
// read on one thread stores: the same units, routines and declarations, in
// the same order, with the same places, stamps and size.
#include <QFile>
#include <QRegularExpression>

#include "scan/BuildDocument.h"
#include "scan/ScanAhead.h"
#include "support/FileTimes.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class ParallelBuild : public StoreFixture {
protected:
    void TearDown() override {
        ScanAhead::setDefaultWorkers(0);
        StoreFixture::TearDown();
    }

    // Packages of units that share include files (some nested, some found
    // only in the "inc" folder beside the unit's), units far larger than
    // others so that threads finish out of order, and units that cannot be
    // read, among them.
    QString writeProject() {
        temp.write("pkg/inc/types.inc", "type\n  TShared = record\n    A: Integer;\n  end;\n"
                                        "{$I consts.inc}\n");
        temp.write("pkg/inc/consts.inc", "const Shared = 1;\nprocedure SharedRoutine;\n");
        QByteArray uses = "program Big;\nuses\n";
        for (int i = 0; i < 90; ++i) {
            QByteArray body = QStringLiteral("unit U%1;\ninterface\n").arg(i).toUtf8();
            if (i % 3 == 0)
                body += "{$I types.inc}\n";
            const int classes = i % 11 == 0 ? 60 : 2;
            for (int c = 0; c < classes; ++c)
                body += QStringLiteral("type\n  TC%1 = class(TObject)\n  private\n    F: Integer;\n"
                                       "  public\n    procedure Run%1(A: Integer); overload;\n"
                                       "    procedure Run%1(const S: string); overload;\n"
                                       "    function Count: Integer;\n"
                                       "    property Value: Integer read F;\n  end;\n")
                            .arg(c)
                            .toUtf8();
            body +=
                QStringLiteral("function Make%1: TObject;\nimplementation\nend.\n").arg(i).toUtf8();
            const QString file = QStringLiteral("pkg/src/U%1.pas").arg(i);
            if (i % 17 != 5) // some units' files are missing
                temp.write(file, body);
            uses += QStringLiteral("  U%1 in '..\\pkg\\src\\U%1.pas'%2\n")
                        .arg(i)
                        .arg(i == 89 ? ';' : ',')
                        .toUtf8();
        }
        const QString project = temp.write("app/Big.dpr", uses + "begin\nend.\n");
        AgeFileTree(temp.path()); // stamps are kept only for files left alone a while
        return project;
    }

    // Every stored fact of the document but its row numbers and the time of
    // the build.
    QStringList stored(int docNo) {
        QStringList lines;
        // `stamps`: the column of a unit's stamps, whose first line holds
        // the time of the read.
        const auto all = [&](const char* sql, int columns, int stamps = -1) {
            Statement rows(dm->database(), QString::fromLatin1(sql));
            rows.bindInteger(1, docNo);
            while (rows.step()) {
                QStringList values;
                for (int i = 0; i < columns; ++i)
                    values << (i == stamps ? rows.textAt(i).section('\n', 1) : rows.textAt(i));
                lines << values.join('|');
            }
        };
        all("SELECT DocSize FROM DocsLib WHERE DocNo = ?1", 1);
        all("SELECT UnitName, FormName, UnitPath, MissingSource, SourceStamps "
            "FROM UnitsLib WHERE DocNo = ?1 ORDER BY UnitNo",
            5, 4);
        all("SELECT u.UnitName, ProcName, ProcType, ProcParams, ResultType, Declaration "
            "FROM ProcsLib p JOIN UnitsLib u ON u.UnitNo = p.UnitNo "
            "WHERE p.DocNo = ?1 ORDER BY p.UnitNo, ProcNo",
            6);
        all("SELECT u.UnitName, coalesce(o.DeclName, ''), d.DeclKind, d.DeclName, d.Owner, "
            "d.OverloadKey, d.Declaration, d.Visibility, d.Directives, d.Ancestor, "
            "d.SourceFile, d.SourceLine FROM DeclsLib d JOIN UnitsLib u ON u.UnitNo = d.UnitNo "
            "LEFT JOIN DeclsLib o ON o.DeclNo = d.ParentNo "
            "WHERE d.DocNo = ?1 ORDER BY d.UnitNo, d.DeclNo",
            12);
        return lines;
    }

    int build(const QString& project, const QString& name, int workers) {
        ScanAhead::setDefaultWorkers(workers);
        RecordingFeedback feedback;
        BuildDocument(*dm, project, name, false, feedback);
        return dm->tblDocsDocNo->asInteger();
    }
};

} // namespace

TEST_F(ParallelBuild, StoresWhatABuildReadOnOneThreadStores) {
    const QString project = writeProject();
    const QStringList serial = stored(build(project, "SERIAL", 1));
    const QStringList parallel = stored(build(project, "PARALLEL", 4));
    ASSERT_GT(serial.size(), 90 * 10);
    // Every unit that names the include and could be read has its routine.
    EXPECT_EQ(serial.filter("|SharedRoutine|PROCEDURE|").size(), 29);
    // and the stamps compared name the include files it read.
    EXPECT_FALSE(serial.filter("pkg/inc/consts.inc").isEmpty());
    EXPECT_EQ(parallel, serial);
}

// A refresh reads on every core (it writes little itself); what it stores of
// units found unchanged, changed and gone is what a refresh read on one
// thread stores.
TEST_F(ParallelBuild, ARefreshReadOnSeveralThreadsStoresWhatOneThreadStores) {
    const QString project = writeProject();
    const auto refreshed = [&](const QString& name, int workers) {
        const int docNo = build(project, name, 1);
        temp.write("pkg/src/U4.pas", "unit U4;\ninterface\ntype\n  TC0 = class(TObject)\n"
                                     "    procedure Run0(A: Int64); overload;\n  end;\n"
                                     "implementation\nend.\n");
        QFile::remove(temp.filePath("pkg/src/U7.pas"));
        ScanAhead::setDefaultWorkers(workers);
        RecordingFeedback feedback;
        BuildDocument(*dm, project, name, true, feedback, RefreshReading::AllUnits);
        QStringList rows = stored(docNo);
        // The files are written again for the next, at another time.
        rows.replaceInStrings(QRegularExpression(QStringLiteral("\\nf (\\d+) \\d+ ")),
                              QStringLiteral("\nf \\1 TIME "));
        writeProject();
        return rows;
    };
    const QStringList serial = refreshed("SERIAL", 1);
    ASSERT_FALSE(serial.filter("procedure Run0(A: Int64); overload;").isEmpty());
    EXPECT_EQ(refreshed("PARALLEL", 4), serial);
}
