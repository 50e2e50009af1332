// Comments on declarations read as descriptions: PasDoc and XMLDoc styles,
// a comment after a declaration, and the licence that describes nothing.
#include "scan/DeclarationComments.h"
#include "scan/UnitScanner.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <iostream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace ink;

TEST(DeclarationComments, PasDocAndXmlDocCommentsAboveDeclarations) {
    const DeclarationComments found =
        ParseDeclarationComments("{ Copyright (c) 2020 Someone. Licensed under the MPL. }\n"
                                 "{ Streams with a buffer. }\n"
                                 "unit Buffers;\ninterface\n"
                                 "type\n  TBuffer = class\n"
                                 "    { Fills the buffer.\n      Raises on a short read. }\n"
                                 "    procedure Fill(Count: Integer);\n"
                                 "    /// <summary>Empties it.</summary>\n"
                                 "    /// <param name=\"Hard\">Also frees.</param>\n"
                                 "    class procedure Clear(Hard: Boolean);\n"
                                 "    function Size: Integer; virtual; // in bytes\n"
                                 "  end;\n"
                                 "(* Not above anything. *)\n\n"
                                 "procedure Loose;\n"
                                 "implementation\n"
                                 "{ An implementation comment. }\nprocedure Hidden;\nend.\n");
    EXPECT_EQ(found.unit, "Streams with a buffer.");
    EXPECT_EQ(found.routines.value("fill"), "Fills the buffer.\nRaises on a short read.");
    EXPECT_EQ(found.routines.value("clear"), "Empties it.\nAlso frees.");
    EXPECT_EQ(found.routines.value("size"), "in bytes");
    EXPECT_FALSE(found.routines.contains("loose")); // a blank line parts it from the comment
    EXPECT_FALSE(found.routines.contains("hidden"));
}

TEST(DeclarationComments, ALicenceIsNoUnitDescription) {
    EXPECT_EQ(ParseDeclarationComments("{ This file is free software; see the GNU GPL. }\n"
                                       "unit X;\ninterface\nimplementation\nend.\n")
                  .unit,
              "");
    EXPECT_EQ(ParseDeclarationComments("// Helpers for dates.\n\n"
                                       "unit X;\ninterface\nimplementation\nend.\n")
                  .unit,
              "Helpers for dates.");
}

TEST(DeclarationComments, AreReadInTheRealInterfaceAfterAStubOne) {
    const DeclarationComments found =
        ParseDeclarationComments("unit Regs;\n{$ifdef NODEBUG}\ninterface\nimplementation\nend.\n"
                                 "{$else}\ninterface\n{ Opens the window. }\nprocedure Open;\n"
                                 "implementation\n{ A body. }\nprocedure Body;\nend.\n{$endif}\n");
    EXPECT_EQ(found.routines.value("open"), "Opens the window.");
    EXPECT_FALSE(found.routines.contains("body"));
}

// What an IDE writes into a new form unit, and the headings programmers put
// above groups of members, describe no single declaration.
TEST(DeclarationComments, IdeMarkersAndGroupHeadingsAreNoDescriptions) {
    const DeclarationComments form = ParseDeclarationComments(
        "unit Unit1;\n\n{$mode objfpc}{$H+}\n\ninterface\n\n"
        "uses\n  Classes, Forms; // LCL\n\n"
        "type\n\n  { TForm1 }\n\n  TForm1 = class(TForm)\n"
        "    procedure FormCreate(Sender: TObject);\n"
        "  private\n    { Private declarations }\n    procedure Load;\n"
        "  protected // Protected-Deklarationen\n    procedure Save;\n"
        "  public\n    { Public declarations }\n    { Fills the grid.\n      Slow. }\n"
        "    procedure Fill;\n"
        "  published { Published declarations }\n    function Count: Integer;\n"
        "  end;\n\n"
        "var\n  // Common constants\n  procedure Free1;\n"
        "  // views\n  procedure ShowA;\n  procedure ShowB;\n\n"
        "  { Shows the log }\n  procedure ShowLog;\n\n"
        "  { Déclarations privées }\n  procedure Priv;\n"
        "  //procedure Old;\n  procedure Current;\n"
        "  // Returns the answer.\n  //\n  // Never zero.\n  function Answer: Integer;\n"
        "implementation\nend.\n");
    EXPECT_EQ(form.unit, "");
    for (const char* name : {"load", "save", "count", "free1", "showa", "priv", "current"})
        EXPECT_FALSE(form.routines.contains(name))
            << name << ": " << form.routines.value(name).toStdString();
    EXPECT_EQ(form.routines.value("fill"), "Fills the grid.\nSlow.");
    // A short comment over one declaration alone is its description.
    EXPECT_EQ(form.routines.value("showlog"), "Shows the log");
    EXPECT_EQ(form.routines.value("answer"), "Returns the answer.\n\nNever zero.");

    // A unit's own comment still comes before its declarations, after a
    // switched-off directive and a version keyword.
    EXPECT_EQ(ParseDeclarationComments("{ $Id$ }\n{.$DEFINE DEBUG}\n// Date helpers\n\n"
                                       "unit Dates;\ninterface\nimplementation\nend.\n")
                  .unit,
              "Date helpers");
}

namespace {

// The Lazarus folder (lazarus-src) and the FPC sources' packages (fpc-source), as Debian
// installs them; empty when a package is missing.
QString installedFolder(const QString& base, const QString& inside) {
    for (const QString& version : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (QFileInfo(base + "/" + version + "/" + inside).isDir())
            return base + "/" + version + "/" + inside;
    return {};
}

} // namespace

// The form units of Lazarus (those with an .lfm beside them) and the units
// of the FPC packages that carry the IDE's markers: no marker and no class
// name comes in as a description, and the real descriptions still do.
TEST(DeclarationComments, RealFormUnitsImportNoMarkers) {
    QStringList units;
    const QString lazarus = installedFolder(QStringLiteral("/usr/lib/lazarus"), "lcl");
    if (!lazarus.isEmpty()) {
        QDirIterator it(QFileInfo(lazarus).path(), {"*.lfm"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString base = it.next().chopped(4);
            for (const QString& unit : {base + ".pas", base + ".pp"})
                if (QFileInfo(unit).isFile())
                    units << unit;
        }
    }
    const QString fpc = installedFolder(QStringLiteral("/usr/share/fpcsrc"), "packages");
    if (!fpc.isEmpty()) {
        QDirIterator it(fpc, {"*.pas", "*.pp"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly) &&
                file.readAll().toLower().contains("private declarations }"))
                units << file.fileName();
        }
    }
    if (units.size() < 100)
        GTEST_SKIP() << "lazarus-src or fpc-source is not installed";

    static const QRegularExpression marker(
        QStringLiteral("^(private|protected|public|published)\\b|declarations|deklarationen"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression className(QStringLiteral("^T\\w+$"));
    int unitTexts = 0;
    int routineTexts = 0;
    for (const QString& unit : units) {
        const DeclarationComments found = ReadDeclarationComments(unit);
        if (!found.unit.isEmpty()) {
            ++unitTexts;
            EXPECT_FALSE(marker.match(found.unit).hasMatch())
                << unit.toStdString() << ": " << found.unit.toStdString();
            EXPECT_FALSE(className.match(found.unit).hasMatch())
                << unit.toStdString() << ": " << found.unit.toStdString();
        }
        for (auto text = found.routines.cbegin(); text != found.routines.cend(); ++text) {
            ++routineTexts;
            EXPECT_FALSE(marker.match(*text).hasMatch())
                << unit.toStdString() << " " << text.key().toStdString() << ": "
                << text->toStdString();
        }
    }
    std::cout << units.size() << " form units: " << unitTexts << " unit and " << routineTexts
              << " routine descriptions\n";
    EXPECT_GT(unitTexts, units.size() / 20);
    EXPECT_GT(routineTexts, units.size() / 10);
}

// Text no compiler takes, made so that each header or each conditional
// would have the readers search the rest of the file again: a megabyte of
// it is read through in one pass, include expansion included, as a real
// unit of that size is.
TEST(DeclarationComments, HostileTextIsReadInOnePass) {
    const qsizetype size = 1 << 20;
    const auto repeated = [&](QByteArray text, const QByteArray& part, const QByteArray& tail) {
        while (text.size() + tail.size() < size)
            text += part;
        return text + tail;
    };
    // Headers that never end.
    const QByteArray headers = repeated("{$I none.inc}\n", "function a(((((((", {});
    // Each conditional's `implementation` has a later branch that starts an
    // interface only where the whole run ends.
    const QByteArray branches =
        repeated("unit C;\n{$I none.inc}\n{$IF A} implementation {$ELSE}\n",
                 "{$IF X} implementation {$ELSE}\n",
                 "interface\n{ Late. }\nprocedure Late;\nimplementation\nend.\n");
    // Each routine keyword is followed by a later branch that holds all the
    // routines after it.
    QByteArray alternatives =
        repeated("unit S;\n{$I none.inc}\ninterface\n", "procedure {$IF A}{$ELSE}\n", "x;\n");
    alternatives += QByteArray("{$ENDIF}\n").repeated(alternatives.count("{$ELSE}"));
    // Routines on one line, each of which looks along it for a comment; and
    // comments on the line of `interface`, each of which speaks of it.
    const QByteArray oneLine = repeated("unit L;\ninterface\n", "procedure a;", "\nend.\n");
    const QByteArray keywordLine = repeated("unit K;\ninterface", "{ Text. }", "\ntype\nend.\n");

    TempDir temp;
    const QString unit = temp.write("U.pas", headers);
    EXPECT_TRUE(ReadDeclarationComments(unit).routines.isEmpty());
    const UnitRoutines found = ScanUnitRoutines(unit);
    ASSERT_EQ(found.rows.size(), 2);
    EXPECT_EQ(found.rows[1].name, "a");
    for (const QByteArray& text : {branches, alternatives, oneLine, keywordLine}) {
        temp.write("U.pas", text);
        const DeclarationComments comments = ReadDeclarationComments(unit);
        EXPECT_EQ(comments.unit, "");
        EXPECT_EQ(ScanUnitRoutines(unit).fileSize, text.size());
    }
}

TEST(CommentsByLine, EachLineGetsTheCommentAboveOrBesideWhatStandsThere) {
    const QHash<int, QString> byLine =
        ParseCommentsByLine("unit U;\ninterface\ntype\n"                            // 1-3
                            "  TA = class\n"                                        // 4
                            "  private\n    { Private declarations }\n"             // 5-6
                            "    FX: Integer;\n"                                    // 7
                            "  public\n"                                            // 8
                            "    // views\n"                                        // 9
                            "    procedure A;\n    procedure B;\n"                  // 10-11
                            "    { Reads it\n      whole. }\n"                      // 12-13
                            "    procedure Read(\n      X: Integer); // not this\n" // 14-15
                            "    property P: Integer read FX; // The P.\n"          // 16
                            "  end;\nimplementation\nend.\n");
    EXPECT_EQ(byLine.value(7), "");  // the IDE's marker is no description
    EXPECT_EQ(byLine.value(10), ""); // a heading over a group describes none of it
    EXPECT_EQ(byLine.value(14), "Reads it\nwhole.");
    EXPECT_EQ(byLine.value(16), "The P.");
    EXPECT_FALSE(byLine.contains(11));
}
