// What every output of a unit shows, decided once by its view.
#include <gtest/gtest.h>

#include "report/layout/ReportSiteNames.h"
#include "report/layout/UnitView.h"

using namespace ink;

namespace {

ReportDeclaration declaration(const char* kind, const char* name, int depth = 0,
                              const char* owner = "") {
    ReportDeclaration d;
    d.kind = QString::fromLatin1(kind);
    d.name = QString::fromLatin1(name);
    d.owner = QString::fromLatin1(owner);
    d.depth = depth;
    return d;
}

ReportRoutine routine(const char* name) {
    return {QStringLiteral("PROCEDURE"), QString::fromLatin1(name), {}, {}, {}, {}};
}

} // namespace

TEST(UnitView, RoutineRowsShowAloneOrAfterTheDeclarationsUnderTheirCaption) {
    ReportUnit older;
    older.routines = {routine("Open"), routine("Close")};
    const UnitView plain(older);
    ASSERT_EQ(plain.entries().size(), 2);
    EXPECT_TRUE(plain.entries()[0].heading.isEmpty());
    EXPECT_TRUE(plain.entries()[1].isUnitLevelRoutine);

    ReportUnit unit;
    unit.declarations = {
        declaration("class", "TShape"), declaration("record", "TInner", 1, "TShape"),
        declaration("procedure", "Draw", 1, "TShape"), declaration("function", "MakeShape")};
    unit.routines = {routine("MakeShape"), routine("Vanished")};
    unit.otherRoutines = {routine("Vanished")};
    const UnitView view(unit);
    ASSERT_EQ(view.entries().size(), 5);
    const UnitView::Entry& shape = view.entries()[0];
    EXPECT_TRUE(shape.isUnitLevelType() && shape.inHierarchy);
    EXPECT_EQ(shape.unlinkedName(), "TShape");
    // A nested type's own name is no link either, though no link target.
    EXPECT_FALSE(view.entries()[1].isUnitLevelType());
    EXPECT_EQ(view.entries()[1].unlinkedName(), "TInner");
    EXPECT_FALSE(view.entries()[2].isUnitLevelRoutine); // a method
    EXPECT_TRUE(view.entries()[3].isUnitLevelRoutine);
    EXPECT_EQ(view.entries()[4].name(), "Vanished");
    EXPECT_EQ(view.entries()[4].heading, OtherRoutinesCaption);

    // Overloads and a member named like a unit-level routine get anchors apart.
    PageAnchors page;
    EXPECT_EQ(view.anchors(page),
              QStringList({"TShape", "TShape.TInner", "TShape.Draw", "MakeShape", "Vanished"}));
}

TEST(UnitView, TheIndexSortsWithoutCaseThenByOwnerAndUnit) {
    EXPECT_TRUE(indexesBefore(u"area", u"", u"B.pas", u"Create", u"", u"A.pas"));
    EXPECT_TRUE(indexesBefore(u"Draw", u"IDrawable", u"Z.pas", u"draw", u"TShape", u"A.pas"));
    EXPECT_TRUE(indexesBefore(u"Draw", u"TShape", u"A.pas", u"Draw", u"tshape", u"B.pas"));
    EXPECT_FALSE(indexesBefore(u"Draw", u"TShape", u"A.pas", u"Draw", u"TShape", u"A.pas"));
    EXPECT_EQ(indexLetter(u"über"), QChar(u'Ü'));
    EXPECT_EQ(indexLetter(u""), QChar());
}
