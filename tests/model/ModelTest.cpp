// The model every layer shares: a declaration's fields as the store keeps
// them, the kinds and their groups, and the "described" rule.
#include <gtest/gtest.h>

#include "model/Declaration.h"
#include "model/Described.h"
#include "model/Placeholders.h"
#include "model/RoutineDescriptions.h"

using namespace ink;

namespace {

Declaration circle() {
    Declaration d;
    d.kind = DeclKind::Class;
    d.name = "TCircle";
    d.text = "TCircle = class(TShape, IDrawable)";
    d.visibility = "public";
    d.directives = "sealed";
    d.hints = "deprecated 'use TRound'";
    d.ancestor = "TShape";
    d.interfaces = {"IDictionary<string, Integer>", "IDrawable"};
    d.sourceFile = "shapes.inc";
    d.line = 12;
    return d;
}

QList<QVariant> storedValues(const Declaration& d, const QString& unitFile) {
    QList<QVariant> values;
    for (const DeclarationField& field : DeclarationFields())
        values.append(field.stored(d, unitFile));
    return values;
}

} // namespace

// What the store keeps reads back to the same stored values: the hints ride
// with the directives, the interfaces with the ancestor (generic arguments'
// commas kept whole), and the unit's own file is not repeated.
TEST(DeclarationFields, WhatTheStoreKeepsReadsBackTheSame) {
    const Declaration d = circle();
    const QList<QVariant> stored = storedValues(d, "shapes.pas");
    Declaration back;
    for (qsizetype i = 0; i < stored.size(); ++i)
        DeclarationFields()[std::size_t(i)].load(back, stored[i]);
    EXPECT_EQ(storedValues(back, "shapes.pas"), stored);
    EXPECT_EQ(back.ancestor, "TShape");
    EXPECT_EQ(back.interfaces, QStringList({"IDictionary<string, Integer>", "IDrawable"}));
    EXPECT_EQ(back.directives, "sealed; deprecated 'use TRound'");

    Declaration own = d;
    own.sourceFile = "shapes.pas";
    own.line = 0;
    own.owner.clear();
    const QList<QVariant> bare = storedValues(own, "shapes.pas");
    for (qsizetype i = 0; i < bare.size(); ++i) {
        const QString column = DeclarationFields()[std::size_t(i)].column;
        if (column == "SourceFile" || column == "SourceLine" || column == "Owner") {
            EXPECT_TRUE(bare[i].isNull()) << column.toStdString();
        }
    }
}

// A word the store holds that this version does not know (a later
// version's) reads as a type, and groups with nothing else.
TEST(DeclarationKinds, GroupsAreDecidedOnceForWordsAndKinds) {
    EXPECT_EQ(KindWordGroup("procedure"), KindWordGroup("function"));
    EXPECT_EQ(KindWordGroup("const"), KindWordGroup("resourcestring"));
    EXPECT_EQ(KindWordGroup("var"), KindWordGroup("threadvar"));
    EXPECT_NE(KindWordGroup("type"), KindWordGroup("class"));
    EXPECT_EQ(KindWordGroup("concept"), "?concept");
    for (const char* word : {"class", "record", "interface", "object", "helper"}) {
        EXPECT_TRUE(KindWordIsStructure(QString::fromLatin1(word))) << word;
        EXPECT_TRUE(KindWordIsType(QString::fromLatin1(word))) << word;
    }
    EXPECT_TRUE(KindWordIsType(u"type"));
    EXPECT_FALSE(KindWordIsStructure(u"type"));
    EXPECT_FALSE(KindWordIsType(u"const"));
    EXPECT_TRUE(KindWordIsRoutine(u"constructor"));
    EXPECT_FALSE(KindWordIsRoutine(u"property"));

    Declaration later;
    later.kind = DeclKind::Field;
    for (const DeclarationField& field : DeclarationFields())
        if (QLatin1StringView(field.column) == QLatin1StringView("DeclKind"))
            field.load(later, QString("concept"));
    EXPECT_EQ(later.kind, DeclKind::Type);
}

// A routine declaration whose own text is no description (blanks, a
// separator line) shows the routine row's, as the coverage counts it.
TEST(DescriptionShown, GoesByTheOneDescribedRule) {
    RoutineDescriptionsByName routines;
    AddRoutineDescription(routines, "Area", "The area.");
    AddRoutineDescription(routines, "AREA", "A second row of the name is not the one found.");
    for (const QString& own : {QString(), QString("  \r\n"), QString("*****")}) {
        const DeclarationDescription shown = DescriptionShown("function", "area", own, routines);
        EXPECT_EQ(shown.text, "The area.");
        EXPECT_TRUE(shown.shared);
    }
    EXPECT_FALSE(DescriptionShown("function", "Area", "Its own.", routines).shared);
    // Only procedures and functions share; a separator on the routine row is no description.
    EXPECT_FALSE(DescriptionShown("property", "Area", "", routines).shared);
    AddRoutineDescription(routines, "Perimeter", "-----");
    EXPECT_FALSE(DescriptionShown("function", "Perimeter", "", routines).shared);
    EXPECT_FALSE(IsDescribed("*** --- ***"));
    EXPECT_TRUE(IsDescribed("- 1"));
}

TEST(Placeholders, TellTheRowsThatAreNoRoutine) {
    EXPECT_FALSE(IsRoutineRow(PlaceholderText));
    EXPECT_FALSE(IsRoutineRow(ProcedureTypeMarkerName));
    EXPECT_TRUE(IsRoutineRow("Area"));
    EXPECT_TRUE(IsMarkerText(NoneMarkerText));
    EXPECT_TRUE(IsMarkerText(""));
    EXPECT_EQ(ShownForm(" "), "");
    EXPECT_EQ(ShownForm(PlaceholderText), "");
    EXPECT_EQ(ShownForm("Form1"), "Form1");
}
