// The names of a site's pages and the ids within them: what links shared by
// readers depend on.
#include <gtest/gtest.h>

#include "report/layout/ReportSiteNames.h"
#include "tests/support/PrintQt.h"

using namespace ink;

namespace {

TEST(ReportSiteNames, UnitPagesAreNamedAfterTheirUnitsSafelyAndOnce) {
    const QStringList units{
        "Ledger.pas",
        "sub\\LEDGER.PAS",           // the same name on a file system without case
        "../lib/Ledger.pp",          // and a third
        "Vcl.Forms",                 // a dotted unit name keeps its dots
        "../lib/\u00DCbersicht.pas", // an accented letter keeps its base letter
        "My Unit.pas",
        "\u65E5\u672C.pas", // no base letter: one "_" a character
        "index.pas",        // the site's own pages
        "Identifiers.pas",
        "CON.pas", // Windows devices, whatever follows the first dot
        "nul.Utils",
        "lpt1",
        "COMPort", // not a device
        ".hidden.pas",
        "",
        "a.p",
        QString(120, QChar('x')) + ".pas",
    };
    EXPECT_EQ(unitPageNames(units),
              (QStringList{"Ledger.html", "LEDGER-2.html", "Ledger-3.html", "Vcl.Forms.html",
                           "Ubersicht.html", "My_Unit.html", "__.html", "index-2.html",
                           "Identifiers-2.html", "_CON.html", "_nul.Utils.html", "_lpt1.html",
                           "COMPort.html", "hidden.html", "unit.html", "a.html",
                           QString(80, QChar('x')) + ".html"}));

    // A unit added later leaves the pages of those before it as they were.
    const QStringList more = unitPageNames(units + QStringList{"Ledger.pas"});
    EXPECT_EQ(more.mid(0, units.size()), unitPageNames(units));
    EXPECT_EQ(more.last(), "Ledger-4.html");
}

TEST(ReportSiteNames, AnchorsNameTheDeclarationAndNumberItsOverloads) {
    PageAnchors ids;
    EXPECT_EQ(ids.take({}, "Create"), "Create");
    EXPECT_EQ(ids.take({}, "create"), "create-2"); // Pascal names ignore case
    EXPECT_EQ(ids.take("TShape", "Area"), "TShape.Area");
    EXPECT_EQ(ids.take("TShape", "Create"), "TShape.Create");
    EXPECT_EQ(ids.take("TShape", "Create"), "TShape.Create-2");
    EXPECT_EQ(ids.take({}, "{STDCALL}"), "STDCALL");
    EXPECT_EQ(ids.take({}, "("), "routine");
    EXPECT_EQ(ids.take({}, ")"), "routine-2");
    // The page's own elements have ids with a "-" and no number after it.
    EXPECT_EQ(ids.take({}, "search"), "search");

    PageAnchors prefixed(QStringLiteral("u2-"));
    EXPECT_EQ(prefixed.take({}, "Create"), "u2-Create");
    EXPECT_EQ(prefixed.take({}, "Create"), "u2-Create-2");
}

} // namespace
