// Routines declared in include files of a unit's interface: where the files
// are looked for, what is not an include, and the loops and depths that
// must end. Then the LCL's own units, when lazarus-src is installed.
#include <QDir>
#include <QFileInfo>

#include "scan/IncludeFiles.h"
#include "scan/UnitScanner.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ink;

namespace {

QStringList names(const UnitRoutines& found) {
    QStringList all;
    for (const RoutineRow& row : found.rows)
        if (row.name != "N/A")
            all << row.name;
    return all;
}

} // namespace

TEST(IncludeFiles, AreFollowedFromTheFileTheUnitAndTheProjectFolder) {
    TempDir temp;
    temp.write("app/units/inc/Nested.INC", "procedure FromNested;\n");
    temp.write("app/units/Local.inc", "procedure FromLocal;\n{$I inc/nested}\n");
    temp.write("app/Project.inc", "function FromProject: Integer;\n");
    temp.write("app/units/Quoted File.pp", "procedure FromQuoted;\n");
    temp.write("app/units/include/Beside.inc", "procedure FromIncludeFolder;\n"); // the LCL's way
    temp.write("app/inc/Shared.inc", "procedure FromIncFolder;\n"); // the FPC RTL's way
    const QByteArray unit = "unit U;\ninterface\nprocedure Own;\n"
                            "{$I local.inc}\n"       // another letter case
                            "{$INCLUDE Project}\n"   // the project folder, ".inc" added
                            "(*$i 'Quoted File'*)\n" // quoted, ".pp" added
                            "{$I Missing.inc}\n"     // no error
                            "{$I beside.inc}{$I shared.inc}\n"
                            "{$I+}{$I-}{$I %DATE%}{$IFDEF X}{$ENDIF}\n"
                            "implementation\n{$I After.inc}\nend.\n";
    temp.write("app/units/After.inc", "procedure NotInTheInterface;\n");
    const QString path = temp.write("app/units/U.pas", unit);
    const UnitRoutines found = ScanUnitRoutines(path, temp.filePath("app"));
    EXPECT_EQ(names(found), QStringList({"Own", "FromLocal", "FromNested", "FromQuoted",
                                         "FromIncludeFolder", "FromIncFolder", "FromProject"}));
    EXPECT_EQ(found.fileSize, unit.size()); // the unit's own size
    // Without the project folder, only what the unit's folders hold.
    EXPECT_FALSE(names(ScanUnitRoutines(path)).contains("FromProject"));
}

TEST(IncludeFiles, ALoopOrATooDeepChainEnds) {
    TempDir temp;
    temp.write("Self.inc", "procedure InSelf;\n{$I self.inc}\n{$I Twice.inc}\n{$I Twice.inc}\n");
    temp.write("Twice.inc", "procedure InTwice(A: Integer);\n");
    for (int level = 0; level < 20; ++level)
        temp.write(QStringLiteral("Deep%1.inc").arg(level),
                   QStringLiteral("procedure Level%1;\n{$I Deep%2.inc}\n")
                       .arg(level)
                       .arg(level + 1)
                       .toUtf8());
    const QString path = temp.write("U.pas", "unit U;\ninterface\n{$I Self.inc}\n{$I Deep0.inc}\n"
                                             "implementation\nend.\n");
    const QStringList found = names(ScanUnitRoutines(path));
    EXPECT_EQ(found.mid(0, 2), QStringList({"InSelf", "InTwice"}));
    EXPECT_TRUE(found.contains("Level15"));
    EXPECT_FALSE(found.contains("Level16")); // 16 levels deep at most
}

// Links that lead back to a folder name one file by ever longer paths
// (s/x.inc, s/s/x.inc, s/sub/up/x.inc, ...): it is still read once.
TEST(IncludeFiles, AFileReachedThroughLinkLoopsIsReadOnce) {
    TempDir temp;
    const QDir folder(temp.path());
    ASSERT_TRUE(QFile::link(".", folder.filePath("s")));
    ASSERT_TRUE(folder.mkdir("sub") && QFile::link("..", folder.filePath("sub/up")));
    temp.write("x.inc", "procedure InX;\n{$I s/x.inc}{$I sub/up/x.inc}\n");
    const QString path =
        temp.write("U.pas", "unit U;\ninterface\n{$I x.inc}{$I s/x.inc}\nimplementation\nend.\n");
    QFile unit(path);
    ASSERT_TRUE(unit.open(QIODevice::ReadOnly));
    const QByteArray expanded = ExpandInterfaceIncludes(unit.readAll(), path);
    EXPECT_EQ(expanded.count("procedure InX;"), 1);
}

// However many files a unit includes, it takes in maxIncludedBytes at most:
// a file that would go past that is left out, a smaller one after it is not.
TEST(IncludeFiles, AUnitTakesInABoundedTotal) {
    TempDir temp;
    const QByteArray filler(maxIncludedBytes * 3 / 8, '\n');
    for (const char* name : {"A", "B", "C"})
        temp.write(QStringLiteral("%1.inc").arg(name),
                   QByteArray("procedure In") + name + ";\n" + filler);
    temp.write("D.inc", "procedure InD;\n");
    const QString path = temp.write(
        "U.pas", "unit U;\ninterface\n{$I A.inc}{$I B.inc}{$I C.inc}{$I D.inc}\nimplementation\n");
    EXPECT_EQ(names(ScanUnitRoutines(path)), QStringList({"InA", "InB", "InD"}));
}

// A generated unit may include megabytes; the expanded text is held while
// the unit is read, so it keeps little room beyond what it holds, also where
// many small includes follow a large one.
TEST(IncludeFiles, TheExpandedTextHoldsLittleMoreRoomThanItsText) {
    TempDir temp;
    temp.write("Large.inc", "procedure InLarge;\n" + QByteArray(1'200'000, ' ') + "\n");
    QByteArray unit = "unit U;\ninterface\n{$I Large.inc}\n";
    for (int i = 0; i < 200; ++i) {
        temp.write(QStringLiteral("Small%1.inc").arg(i), QByteArray("procedure InSmall;\n"));
        unit += QStringLiteral("{$I Small%1.inc}\n").arg(i).toLatin1();
    }
    unit += "procedure Own;\nimplementation\nend.\n";
    const QString path = temp.write("U.pas", unit);
    const QByteArray expanded =
        ExpandInterfaceIncludes(unit, path, temp.path(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(expanded.contains("procedure InLarge;"));
    ASSERT_TRUE(expanded.contains("procedure Own;"));
    EXPECT_EQ(expanded.count("procedure InSmall;"), 200);
    EXPECT_LE(expanded.capacity(), expanded.size() + expanded.size() / 4);
}

TEST(IncludeFiles, TheImplementationKeywordInAnIncludeEndsTheInterface) {
    TempDir temp;
    temp.write("Both.inc", "\xEF\xBB\xBFprocedure Declared;\nimplementation\nprocedure Body;\n");
    const QString path =
        temp.write("U.pas", "unit U;\ninterface\n{$I Both.inc}\nprocedure Later;\nend.\n");
    EXPECT_EQ(names(ScanUnitRoutines(path)), QStringList({"Declared"}));
}

TEST(IncludeFiles, AreFollowedInTheRealInterfaceAfterAStubOne) {
    TempDir temp;
    temp.write("Real.inc", "procedure FromReal;\n");
    temp.write("Stub.inc", "procedure FromStub;\n");
    const QString path = temp.write(
        "U.pas", "unit U;\n{$ifdef NODEBUG}\ninterface\nimplementation\n{$I Stub.inc}\nend.\n"
                 "{$else}\ninterface\n{$I Real.inc}\nimplementation\nend.\n{$endif}\n");
    EXPECT_EQ(names(ScanUnitRoutines(path)), QStringList({"FromReal"}));
}

TEST(IncludeFiles, ABuildsCacheServesEveryUnitAsItsOwnLookupWould) {
    TempDir temp;
    temp.write("shared/Common.INC", "procedure FromCommon;\n{$I Nested}\n");
    temp.write("shared/nested.inc", "procedure FromNested;\n");
    temp.write("a/Own.inc", "procedure FromOwnA;\n");
    temp.write("b/own.inc", "procedure FromOwnB;\n");
    const QString a = temp.write("a/A.pas", "unit A;\ninterface\n{$I ../shared/common.inc}\n"
                                            "{$I Own}\n{$I ../shared/COMMON.inc}\n"
                                            "implementation\nend.\n");
    const QString b = temp.write("b/B.pas", "unit B;\ninterface\n{$I own.inc}\n"
                                            "{$I ../shared/Common.inc}\nimplementation\nend.\n");
    IncludeCache cache;
    for (int round = 0; round < 2; ++round) {
        // Each unit reads a file once, a file another unit read included.
        EXPECT_EQ(names(ScanUnitRoutines(a, {}, &cache)),
                  QStringList({"FromCommon", "FromNested", "FromOwnA"}));
        EXPECT_EQ(names(ScanUnitRoutines(b, {}, &cache)),
                  QStringList({"FromOwnB", "FromCommon", "FromNested"}));
    }
}

// A build's cache keeps include files up to its budget: past it, the files
// used longest ago are let go and read again when named again, while those
// kept still answer as the disk was when they were read.
TEST(IncludeFiles, ABuildsCacheLetsGoOfTheFilesUsedLongestAgo) {
    TempDir temp;
    const QByteArray padding(40, ' ');
    const auto include = [&](const char* file, const char* routine) {
        temp.write(QStringLiteral("inc/%1.inc").arg(file),
                   "procedure " + QByteArray(routine) + ";\n" + padding);
    };
    const auto unitNaming = [&](const char* file) {
        return temp.write(QStringLiteral("u/%1.pas").arg(file), "unit X;\ninterface\n{$I ../inc/" +
                                                                    QByteArray(file) +
                                                                    "}\nimplementation\nend.\n");
    };
    for (const char* file : {"a", "b", "c", "d", "e"})
        include(file, "Old");
    // Room for four of the files. The fifth makes room: the files used
    // longest ago go until half the room is free, and "a", read first but
    // used again since, stays.
    IncludeCache cache(240);
    for (const char* file : {"a", "b", "c", "d", "a", "e"})
        EXPECT_EQ(names(ScanUnitRoutines(unitNaming(file), {}, &cache)), QStringList({"Old"}));
    EXPECT_LE(cache.bytesKept(), 120);
    for (const char* file : {"a", "b"})
        include(file, "New");
    EXPECT_EQ(names(ScanUnitRoutines(unitNaming("a"), {}, &cache)), QStringList({"Old"}));
    EXPECT_EQ(names(ScanUnitRoutines(unitNaming("b"), {}, &cache)), QStringList({"New"}));
    EXPECT_LE(cache.bytesKept(), 240);
}

// The LCL declares the routines of LCLIntf and of the GTK2 widget set's
// interface object in include files.
TEST(IncludeFiles, TheLclUnitsFindTheirIncludedRoutines) {
    // Debian puts the LCL under /usr/lib/lazarus/VERSION/lcl.
    QString root;
    for (const QString& base :
         {QStringLiteral("/usr/lib/lazarus"), QStringLiteral("/usr/share/lazarus")})
        for (const QString& version : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (QFileInfo(base + "/" + version + "/lcl/lclintf.pas").isFile())
                root = base + "/" + version + "/lcl";
    if (root.isEmpty())
        GTEST_SKIP() << "lazarus-src is not installed";
    const QStringList lclIntf = names(ScanUnitRoutines(root + "/lclintf.pas"));
    // Declared in winapih.inc and lclintfh.inc.
    for (const char* name :
         {"BitBlt", "CreateCompatibleDC", "GetDC", "SetWindowOrgEx", "PredefinedClipboardFormat"})
        EXPECT_TRUE(lclIntf.contains(name)) << name;
    const QStringList gtk2 = names(ScanUnitRoutines(root + "/interfaces/gtk2/gtk2int.pas"));
    // Declared in gtk2winapih.inc.
    for (const char* name : {"BitBlt", "CreateCompatibleDC", "GetDC"})
        EXPECT_TRUE(gtk2.contains(name)) << name;
}
