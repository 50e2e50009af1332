// What a build keeps in memory of the units it finished: not the stamps of
// their files, which only the next refresh reads, from the store.
#include "scan/BuildDocument.h"
#include "scan/SourceStamps.h"
#include "support/FileTimes.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"
#include <QFileInfo>
#include <QRegularExpression>

using namespace ink;

TEST_F(StoreFixture, TheUnitsFileStampsAreStoredAsAPostWouldStoreThemAndNotKeptInTheRows) {
    temp.write("app/Util.pas", "unit Util;\ninterface\n{$I decl.inc}\nprocedure Run;\n"
                               "implementation\nend.\n");
    temp.write("app/decl.inc", "function Count: Integer;\n");
    const QString project =
        temp.write("app/P.dpr", "program P;\nuses\n  Util in 'Util.pas';\nbegin\nend.\n");
    AgeFileTree(temp.path()); // stamps of files written a moment ago are not kept
    RecordingFeedback feedback;
    BuildDocument(*dm, project, "P", false, feedback);

    const int stampsField = dm->tblUnitsSourceStamps->index();
    EXPECT_TRUE(dm->tblUnits->rowValue(0, stampsField).isNull());

    // In the store as a memo field is kept: lines broken by CR LF.
    Statement stored(dm->database(), "SELECT SourceStamps FROM UnitsLib");
    ASSERT_TRUE(stored.step());
    const QString text = stored.textAt(0);
    EXPECT_TRUE(text.contains(QLatin1String("\r\n")));
    EXPECT_FALSE(text.contains(QRegularExpression("[^\r]\n")));

    // And read back as the refresh reads it.
    dm->tblUnits->refresh();
    const std::optional<UnitStamps> stamps =
        UnitStamps::fromText(dm->tblUnits->rowValue(0, stampsField).toString());
    ASSERT_TRUE(stamps.has_value());
    EXPECT_EQ(stamps->routineRows, 2);
    QStringList files;
    for (const FileStamp& file : stamps->files)
        files << QFileInfo(file.path).fileName();
    EXPECT_TRUE(files.contains("decl.inc")) << files.join(' ').toStdString();
}
