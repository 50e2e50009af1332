#include "aids/SourceAccess.h"
#include "components/FmxUtils.h"

#include "AidsStore.h"
#include "support/OddFiles.h"
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

using namespace ink;

namespace {

class RecordingLauncher : public ProgramLauncher {
public:
    void launch(const QString& program, const QString& argument) override {
        launches << QStringList{program, argument};
    }
    QList<QStringList> launches;
};

class RecordingClipboard : public TextClipboard {
public:
    void setText(const QString& text) override { texts << text; }
    QStringList texts;
};

// A document whose project lies in a folder with blanks in its name.
class SourceAccessTest : public AidsStore {
protected:
    void SetUp() override {
        AidsStore::SetUp();
        projectFolder = temp.filePath("My Projects/Demo App/");
        QDir().mkpath(projectFolder);
        addDocument(projectFolder + "Demo.dpr");
    }

    QString copyUnit(const QString& unitName) {
        addUnit(unitName);
        CopyUnitSourceToClipboard(*dm, clipboard);
        return clipboard.texts.value(0);
    }

    QString expectCopyError(const QString& unitName) {
        addUnit(unitName);
        try {
            CopyUnitSourceToClipboard(*dm, clipboard);
        } catch (const UserError& error) {
            EXPECT_TRUE(clipboard.texts.isEmpty());
            return QString::fromStdString(error.what());
        }
        ADD_FAILURE() << "no error";
        return {};
    }

    QString projectFolder;
    RecordingClipboard clipboard;
};

} // namespace

TEST_F(SourceAccessTest, CopyPutsTheWholeFileWithThePlatformsLineBreaks) {
    const QString lf = PlatformLineBreak();
    temp.write("My Projects/Demo App/Lf.pas", "unit Lf;\ninterface\n\nend.\n");
    temp.write("My Projects/Demo App/CrLf.pas", "unit CrLf;\r\n// caf\xE9\r\nend.");
    temp.write("My Projects/Demo App/Cr.pas", "unit Cr;\rend.\n\r");

    EXPECT_EQ(copyUnit("Lf.pas"), "unit Lf;" + lf + "interface" + lf + lf + "end." + lf);
    clipboard.texts.clear();
    EXPECT_EQ(copyUnit("CrLf.pas"), "unit CrLf;" + lf + QString::fromUtf8("// café") + lf + "end.");
    clipboard.texts.clear();
    EXPECT_EQ(copyUnit("Cr.pas"), "unit Cr;" + lf + "end." + lf + lf);
}

TEST_F(SourceAccessTest, LineBreaksBecomeCrLfWhereThatIsThePlatformsOwn) {
    EXPECT_EQ(WithLineBreaks("a\r\nb\rc\nd\n\r", "\r\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(WithLineBreaks("a\r\nb\rc\nd\n\r", "\n"), "a\nb\nc\nd\n\n");
}

// A unit stored under its bare name is found as a ".pas" file, also when the
// letter case on disk differs.
TEST_F(SourceAccessTest, UnitWithoutExtensionIsFoundAsPasFile) {
    temp.write("My Projects/Demo App/helpers.PAS", "unit Helpers;");
    EXPECT_EQ(copyUnit("Helpers"), "unit Helpers;");
    EXPECT_EQ(CurrentUnitSourcePath(*dm), projectFolder + "helpers.PAS");
}

// Where the build found it: on the search path of the project's options.
TEST_F(SourceAccessTest, UnitOnTheProjectsSearchPathIsFoundThere) {
    temp.write("My Projects/Demo App/Demo.cfg", "-U\"..\\Shared Units\"\r\n");
    const QString tools = temp.write("My Projects/Shared Units/Tools.pas", "unit Tools;");
    EXPECT_EQ(copyUnit("Tools"), "unit Tools;");
    EXPECT_EQ(CurrentUnitSourcePath(*dm), tools);
}

TEST_F(SourceAccessTest, UnreadableSourceIsReportedWithItsPath) {
    EXPECT_EQ(expectCopyError("Missing.pas"), "Cannot open file " + projectFolder + "Missing.pas");
    QDir().mkpath(projectFolder + "Folder.pas");
    EXPECT_EQ(expectCopyError("Folder.pas"), "Cannot open file " + projectFolder + "Folder.pas");
    MakeFifo(projectFolder + "Pipe.pas");
    EXPECT_EQ(expectCopyError("Pipe.pas"), "Cannot open file " + projectFolder + "Pipe.pas");
}

TEST_F(SourceAccessTest, DocumentWithoutUnitsNamesTheProjectFolder) {
    try {
        CopyUnitSourceToClipboard(*dm, clipboard);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_EQ(QString::fromStdString(error.what()), "Cannot open file " + projectFolder);
    }
    EXPECT_TRUE(clipboard.texts.isEmpty());
}

// The size is looked at first: a huge file is refused without being read.
TEST_F(SourceAccessTest, FileAboveTheCapacityIsRefused) {
    QFile huge(projectFolder + "Huge.pas");
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(kMaxCopiedSourceBytes + 1)); // sparse: costs no disk
    huge.close();
    EXPECT_EQ(expectCopyError("Huge.pas"), "Text exceeds memo capacity");
}

TEST_F(SourceAccessTest, ViewerGetsTheWholePathAsItsOneArgument) {
    addUnit("Main Form.pas");
    RecordingLauncher launcher;
    OpenUnitSourceInViewer(*dm, launcher);
    ASSERT_EQ(launcher.launches.size(), 1);
    EXPECT_EQ(launcher.launches[0],
              QStringList({TextViewerProgram(), projectFolder + "Main Form.pas"}));
}

TEST_F(SourceAccessTest, ViewerIsNotStartedWithoutDocumentOrUnit) {
    RecordingLauncher launcher;
    OpenUnitSourceInViewer(*dm, launcher); // a document without units
    dm->tblDocs->deleteWithDetails();
    OpenUnitSourceInViewer(*dm, launcher); // no document at all
    EXPECT_TRUE(launcher.launches.isEmpty());
}

#ifndef Q_OS_WIN
// The real launch, with a stand-in for the desktop's viewer first on PATH that
// records the arguments it was given.
TEST_F(SourceAccessTest, RealLaunchHandsThePathOverWhole) {
    const QString bin = temp.filePath("bin/");
    const QString viewer =
        temp.write("bin/" + TextViewerProgram(), "#!/bin/sh\n"
                                                 "out=\"$(dirname \"$0\")/args.txt\"\n"
                                                 "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; "
                                                 "done; } > \"$out.tmp\"\n"
                                                 "mv \"$out.tmp\" \"$out\"\n");
    QFile::setPermissions(viewer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + oldPath);

    addUnit("Main Form.pas");
    SystemLauncher launcher;
    OpenUnitSourceInViewer(*dm, launcher);
    qputenv("PATH", oldPath);

    QDeadlineTimer deadline(5000);
    while (!QFile::exists(bin + "args.txt") && !deadline.hasExpired())
        QThread::msleep(10);
    QFile recorded(bin + "args.txt");
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(recorded.readAll()), "1\n" + projectFolder + "Main Form.pas\n");
}
#endif
