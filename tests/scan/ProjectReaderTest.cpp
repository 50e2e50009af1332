#include "scan/ProjectReader.h"
#include "scan/PathParts.h"
#include "support/OddFiles.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>

using namespace ink;

namespace {
// The three lists as one line per entry, "unit|form|path", easy to compare.
QStringList Entries(const ProjectUnits& project) {
    EXPECT_EQ(project.units.size(), project.forms.size());
    EXPECT_EQ(project.units.size(), project.paths.size());
    QStringList entries;
    for (qsizetype i = 0; i < project.units.size(); ++i)
        entries.append(project.units[i] + "|" + project.forms[i] + "|" + project.paths[i]);
    return entries;
}

QStringList Parse(QByteArrayView source) {
    return Entries(ParseProjectUnits(source));
}
} // namespace

TEST(ProjectReader, ReadsTheProjectTheDevelopmentEnvironmentWrites) {
    const QByteArray project = "program Project1;\r\n\r\nuses\r\n  Forms,\r\n"
                               "  Unit1 in 'Unit1.pas' {Form1},\r\n"
                               "  Unit2 in 'Lib\\Unit2.pas' {DataModule2: TDataModule};\r\n\r\n"
                               "{$R *.res}\r\n\r\nbegin\r\n  Application.Run;\r\nend.\r\n";
    EXPECT_EQ(Parse(project), (QStringList{"Forms|N/A|", "Unit1.pas|Form1|Unit1.pas",
                                           "Unit2.pas|DataModule2: TDataModule|Lib\\Unit2.pas"}));
}

TEST(ProjectReader, LeavesCommentsAndDirectivesOutOfTheEntries) {
    EXPECT_EQ(Parse("program P;\n"
                    "uses // the units\n"
                    "  {$IFDEF UNIX}cthreads,{$ENDIF}\n"
                    "  Interfaces, (* the widget set *) Forms,\n"
                    "  { Unit0 in 'Old.pas', } Unit1 in 'Unit1.pas' {Form1} (* not a form *);\n"
                    "begin end."),
              (QStringList{"cthreads|N/A|", "Interfaces|N/A|", "Forms|N/A|",
                           "Unit1.pas|Form1|Unit1.pas"}));
    // Only a braces comment after the path names a form.
    EXPECT_EQ(Parse("uses A {NotAForm}, B in 'B.pas' (*NotAForm*), C in 'C.pas' {$R C.res};"),
              (QStringList{"A|N/A|", "B.pas|N/A|B.pas", "C.pas|N/A|C.pas"}));
}

TEST(ProjectReader, FindsTheKeywordOnlyAsAWordInCode) {
    // A program named Causes, "uses" in comments and strings: none is the keyword.
    EXPECT_EQ(Parse("program Causes; { uses Fake; } // uses Fake2;\n"
                    "const S = 'uses Fake3;';\nUSES Houses in 'Houses.pas' {frmUses}, Misuses;"),
              (QStringList{"Houses.pas|frmUses|Houses.pas", "Misuses|N/A|"}));
}

TEST(ProjectReader, KeepsEveryCharacterOfTheFirstEntry) {
    EXPECT_EQ(Parse("uses Forms, Unit1 in 'Unit1.pas';"),
              (QStringList{"Forms|N/A|", "Unit1.pas|N/A|Unit1.pas"}));
    EXPECT_EQ(Parse("uses\tForms;"), (QStringList{"Forms|N/A|"}));
    EXPECT_EQ(Parse("uses{x}Forms;"), (QStringList{"Forms|N/A|"}));
}

TEST(ProjectReader, ReadsDottedNamesAndPathsWithEitherSeparator) {
    EXPECT_EQ(
        Parse("uses Vcl.Forms, System.SysUtils,\n"
              "  Utils in '..\\Common\\Utils.pas', Tools in 'C:\\Lib\\Tools.pas',\n"
              "  Linux in 'src/unix/Linux.pas', Quote in 'It''s.pas';"),
        (QStringList{"Vcl.Forms|N/A|", "System.SysUtils|N/A|",
                     "Utils.pas|N/A|..\\Common\\Utils.pas", "Tools.pas|N/A|C:\\Lib\\Tools.pas",
                     "Linux.pas|N/A|src/unix/Linux.pas", "It's.pas|N/A|It's.pas"}));
}

TEST(ProjectReader, ReadsAUsesClauseFarIntoALongFile) {
    // A long licence header pushes the clause well past the first few kilobytes.
    QByteArray project = "program Big;\n{";
    project += QByteArray(100000, 'x');
    project += "}\nuses\n";
    QStringList expected;
    for (int i = 0; i < 500; ++i) {
        project += QByteArray("  Unit") + QByteArray::number(i) + " in 'Unit" +
                   QByteArray::number(i) + ".pas' {Form" + QByteArray::number(i) + "},\n";
        expected.append(QString("Unit%1.pas|Form%1|Unit%1.pas").arg(i));
    }
    project += "  Last;\nbegin end.";
    expected.append("Last|N/A|");
    EXPECT_EQ(Parse(project), expected);
}

TEST(ProjectReader, YieldsWhatAnIncompleteFileHolds) {
    EXPECT_EQ(Parse("program P; begin end."), QStringList());
    EXPECT_EQ(Parse(""), QStringList());
    EXPECT_EQ(Parse("uses"), QStringList());
    EXPECT_EQ(Parse("uses A, B in 'B"), (QStringList{"A|N/A|", "B|N/A|B"}));
    EXPECT_EQ(Parse("uses A, , ;"), (QStringList{"A|N/A|"}));
    EXPECT_EQ(Parse("uses A in 'Lib\\' {F};"), (QStringList{"A|F|Lib\\"}));
    EXPECT_EQ(Parse("uses A in '' {F};"), (QStringList{"A|F|"}));
    EXPECT_EQ(Parse("uses A in 'A.pas' {};"), (QStringList{"A.pas|N/A|A.pas"}));
    // Only the first clause counts: a unit's implementation uses are not the project's.
    EXPECT_EQ(Parse("unit U; interface uses A; implementation uses B; end."),
              (QStringList{"A|N/A|"}));
}

TEST(ProjectReader, DecodesNamesAsTheFileIsEncoded) {
    EXPECT_EQ(Parse("uses \xC3\x9C"
                    "bersicht in '\xC3\x9C"
                    "bersicht.pas' {Fen\xC3\xAAtre};"),
              (QStringList{QString::fromUtf8("Übersicht.pas|Fenêtre|Übersicht.pas")}));
    EXPECT_EQ(Parse("uses \xDC"
                    "bersicht in '\xDC"
                    "bersicht.pas' {Fen\xEAtre};"),
              (QStringList{QString::fromUtf8("Übersicht.pas|Fenêtre|Übersicht.pas")}));
}

TEST(ProjectReader, ReadsAFileFromDisk) {
    TempDir dir;
    const QString path = dir.write("Project1.dpr", "program Project1;\nuses Forms, Unit1 in "
                                                   "'Unit1.pas' {Form1};\nbegin end.");
    const ProjectUnits project = ReadProjectUnits(path);
    EXPECT_EQ(project.error, "");
    EXPECT_EQ(Entries(project), (QStringList{"Forms|N/A|", "Unit1.pas|Form1|Unit1.pas"}));
}

TEST(ProjectReader, ReportsAFileThatCannotBeOpened) {
    using namespace std::chrono_literals;
    TempDir dir;
    const QString missing = dir.filePath("Missing.dpr");
    const QString fifo = MakeFifo(dir.filePath("Pipe.dpr"));
    for (const QString& path : {missing, dir.path(), QString(), fifo}) {
        ProjectUnits project;
        ASSERT_TRUE(ReturnsWithin(5s, {fifo}, [&] { project = ReadProjectUnits(path); }));
        EXPECT_EQ(project.error, "File " + path + " could not be opened.");
        EXPECT_TRUE(project.units.isEmpty() && project.forms.isEmpty() && project.paths.isEmpty());
    }
}

TEST(ProjectReader, SaysSoWhenAFileIsTooLargeToReadWhole) {
    TempDir dir;
    const QString path = dir.filePath("Huge.dpr");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("program Huge;\nuses Forms, Unit1 in 'Unit1.pas' {Form1};\n");
    ASSERT_TRUE(file.resize(projectReadLimit + 1)); // the rest reads as zero bytes
    file.close();
    const ProjectUnits project = ReadProjectUnits(path);
    EXPECT_EQ(Entries(project), (QStringList{"Forms|N/A|", "Unit1.pas|Form1|Unit1.pas"}));
    EXPECT_EQ(project.error,
              "File " + path + " is larger than 16 MiB; only its first 16 MiB were read.");
}

TEST(ProjectReader, FileNamePartCutsAfterTheLastSeparator) {
    EXPECT_EQ(FileNamePart("..\\Common\\Utils.pas"), "Utils.pas");
    EXPECT_EQ(FileNamePart("src/Utils.pas"), "Utils.pas");
    EXPECT_EQ(FileNamePart("C:Utils.pas"), "Utils.pas");
    EXPECT_EQ(FileNamePart("Utils.pas"), "Utils.pas");
    EXPECT_EQ(FileNamePart("Lib\\"), "");
}

TEST(ProjectReader, ReadsAPackagesContainsClauseAndItsRequires) {
    const QByteArray package =
        "package Comps;\r\n\r\n{$R *.res}\r\n{$DESCRIPTION 'uses nothing'}\r\n"
        "requires\r\n  rtl,\r\n  vcl;\r\n\r\ncontains\r\n"
        "  CompA in 'CompA.pas',\r\n  CompB in 'Sub\\CompB.pas',\r\n  CompC;\r\n\r\nend.\r\n";
    EXPECT_EQ(
        Entries(ParseProjectUnits(package, UnitsClause::Contains)),
        (QStringList{"CompA.pas|N/A|CompA.pas", "CompB.pas|N/A|Sub\\CompB.pas", "CompC|N/A|"}));
    EXPECT_EQ(ParseProjectUnits(package, UnitsClause::Requires).units, (QStringList{"rtl", "vcl"}));
    // A package has no uses clause: read as a program it lists nothing.
    EXPECT_TRUE(ParseProjectUnits(package).units.isEmpty());
    EXPECT_EQ(UnitsClauseOf("C:\\X\\Comps.DPK"), UnitsClause::Contains);
    EXPECT_EQ(UnitsClauseOf("/x/App.dpr"), UnitsClause::Uses);
}
