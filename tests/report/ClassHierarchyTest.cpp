// The tree of a document's classes: which declaration an ancestor's name
// finds, and that every class stands in it exactly once whatever the store
// holds.
#include <gtest/gtest.h>

#include "report/layout/ClassHierarchy.h"
#include "report/layout/ReportDocument.h"

using namespace ink;

namespace {

ReportDeclaration type(const QString& kind, const QString& name, const QString& head,
                       const QString& ancestor = {}, const QString& owner = {}) {
    ReportDeclaration d;
    d.kind = kind;
    d.name = name;
    d.owner = owner;
    d.declaration = head;
    d.ancestor = ancestor;
    return d;
}

ReportDeclaration cls(const QString& name, const QString& ancestor = {},
                      const QString& owner = {}) {
    return type(QStringLiteral("class"), name,
                ancestor.isEmpty() ? name + QStringLiteral(" = class")
                                   : QStringLiteral("%1 = class(%2)").arg(name, ancestor),
                ancestor, owner);
}

// The tree as lines: two blanks a level, an ancestor outside the document
// marked "*", a class with its unit.
QString drawn(const ClassHierarchy& hierarchy) {
    QString text;
    for (const ClassHierarchy::Line& line : hierarchy.lines())
        text += QString(line.depth * 2, QChar(' ')) + line.name +
                (line.entry < 0 ? QStringLiteral(" *") : QStringLiteral(" ") + line.unitName) +
                QChar('\n');
    return text;
}

TEST(ClassHierarchy, ClassesHangFromTheirAncestorsAndOutsideAncestorsAreRoots) {
    ClassHierarchy tree;
    tree.add(cls("TShape", "TPersistent, IDrawable"), 0, "Shapes.pas");
    tree.add(type("interface", "IDrawable", "IDrawable = interface"), 0, "Shapes.pas");
    tree.add(cls("TSquare", "TShape"), 1, "More.pas");
    tree.add(cls("TCircle", "TShape"), 1, "More.pas");
    tree.add(cls("TPlain"), 1, "More.pas");
    tree.add(type("object", "TOld", "TOld = object"), 1, "More.pas");
    tree.add(type("object", "TOlder", "TOlder = object(TOld)", "TOld"), 1, "More.pas");
    // Records and helpers have no place in it.
    EXPECT_FALSE(ClassHierarchy::takes(type("record", "TPoint", "TPoint = record")));
    EXPECT_FALSE(ClassHierarchy::takes(type("helper", "TH", "TH = class helper for TShape")));
    EXPECT_TRUE(ClassHierarchy::takes(type("object", "TOld", "TOld = object")));
    EXPECT_EQ(drawn(tree), "IDrawable Shapes.pas\n"
                           "TObject *\n"
                           "  TPlain More.pas\n"
                           "TOld More.pas\n"
                           "  TOlder More.pas\n"
                           "TPersistent *\n"
                           "  TShape Shapes.pas\n"
                           "    TCircle More.pas\n"
                           "    TSquare More.pas\n");
    const QList<ClassHierarchy::Line> lines = tree.lines();
    EXPECT_EQ(lines[0].entry, 1); // the number add gave IDrawable
    EXPECT_EQ(lines[0].kind, "interface");
    EXPECT_EQ(lines[1].unit, -1);
    EXPECT_EQ(lines[6].unit, 0);
}

TEST(ClassHierarchy, AnAncestorIsFoundWhereTheCompilerWouldLook) {
    ClassHierarchy tree;
    // TObject of the document is the root of classes without an ancestor.
    tree.add(cls("TObject"), 0, "System.pp");
    tree.add(cls("TBase"), 1, "A.pas");
    tree.add(cls("TBase"), 2, "B.pas");
    // Its own unit's TBase, though A's comes first.
    tree.add(cls("TFromB", "TBase"), 2, "B.pas");
    // A unit named, with or without the namespace it may have.
    tree.add(cls("TFromA", "A.TBase"), 2, "B.pas");
    tree.add(cls("TFromAWithBlanks", "a . TBase"), 2, "B.pas");
    // Where neither unit has it, the first of the document.
    tree.add(cls("TFromC", "TBase"), 3, "C.pas");
    // A type nested beside it comes before the unit's own.
    tree.add(cls("TInner", {}, "TOuter"), 2, "B.pas");
    tree.add(cls("TBase", {}, "TOuter"), 2, "B.pas");
    tree.add(cls("TNested", "TBase", "TOuter"), 2, "B.pas");
    tree.add(cls("TQualified", "TOuter.TInner"), 3, "C.pas");
    EXPECT_EQ(drawn(tree), "TObject System.pp\n"
                           "  TBase A.pas\n"
                           "    TFromA B.pas\n"
                           "    TFromAWithBlanks B.pas\n"
                           "    TFromC C.pas\n"
                           "  TBase B.pas\n"
                           "    TFromB B.pas\n"
                           "  TOuter.TBase B.pas\n"
                           "    TOuter.TNested B.pas\n"
                           "  TOuter.TInner B.pas\n"
                           "    TQualified C.pas\n");
}

TEST(ClassHierarchy, GenericsAreToldApartByTheirNumberOfParameters) {
    ClassHierarchy tree;
    tree.add(cls("TList", "TObject"), 0, "Classes.pas");
    tree.add(type("class", "TList", "TList<T> = class(TEnumerable<T>)", "TEnumerable<T>"), 1,
             "Generics.pas");
    tree.add(type("class", "TDictionary", "TDictionary<TKey; TValue: class, constructor> = class",
                  "TObject"),
             1, "Generics.pas");
    tree.add(cls("TNames", "TList<string>"), 2, "Mine.pas");
    tree.add(cls("TOld", "TList"), 2, "Mine.pas");
    tree.add(cls("TByName", "TDictionary<string, TList<Integer>>, IEnumerable"), 2, "Mine.pas");
    tree.add(cls("TItems", "specialize TFPGList<TItem>"), 2, "Mine.pas");
    tree.add(cls("TPairs", "specialize TFPGMap<string, TItem>"), 2, "Mine.pas");
    // Parameters written with a macro: the reader counts one.
    tree.add(type("class", "TMap", "TMap<MAP_PARAMETERS> = class", "TObject"), 1, "Generics.pas");
    tree.add(cls("TNumbers", "TMap<string, Integer, THash>"), 2, "Mine.pas");
    EXPECT_EQ(drawn(tree), "TEnumerable<T> *\n"
                           "  TList<T> Generics.pas\n"
                           "    TNames Mine.pas\n"
                           "TFPGList<T> *\n"
                           "  TItems Mine.pas\n"
                           "TFPGMap<T1, T2> *\n"
                           "  TPairs Mine.pas\n"
                           "TObject *\n"
                           "  TDictionary<TKey; TValue: class, constructor> Generics.pas\n"
                           "    TByName Mine.pas\n"
                           "  TList Classes.pas\n"
                           "    TOld Mine.pas\n"
                           "  TMap<MAP_PARAMETERS> Generics.pas\n"
                           "    TNumbers Mine.pas\n");
}

TEST(ClassHierarchy, EveryClassStandsOnceThoughAncestorsNameEachOther) {
    ClassHierarchy tree;
    // Code that never compiled, or a damaged store: loops of ancestors.
    tree.add(cls("TA", "TB"), 0, "U.pas");
    tree.add(cls("TB", "TC"), 0, "U.pas");
    tree.add(cls("TC", "TA"), 0, "U.pas");
    tree.add(cls("TD", "TB"), 0, "U.pas");
    // A class named for an ancestor of its own name in another unit finds
    // that one, never itself; with none, the ancestor is outside.
    tree.add(cls("TForm", "TForm"), 1, "Mine.pas");
    tree.add(cls("TForm", "TCustomForm"), 2, "Forms.pas");
    tree.add(cls("TSelf", "TSelf"), 1, "Mine.pas");
    // An outside ancestor is named as most of its descendants write it.
    tree.add(cls("TFirst", "Tstream"), 1, "Mine.pas");
    tree.add(cls("TSecond", "TStream"), 1, "Mine.pas");
    tree.add(cls("TThird", "Classes.TStream"), 1, "Mine.pas");
    const QString text = drawn(tree);
    EXPECT_EQ(text, "TA U.pas\n"
                    "  TC U.pas\n"
                    "    TB U.pas\n"
                    "      TD U.pas\n"
                    "TCustomForm *\n"
                    "  TForm Forms.pas\n"
                    "    TForm Mine.pas\n"
                    "TSelf *\n"
                    "  TSelf Mine.pas\n"
                    "TStream *\n"
                    "  TFirst Mine.pas\n"
                    "  TSecond Mine.pas\n"
                    "  TThird Mine.pas\n");

    // A long chain is read without recursion.
    ClassHierarchy chain;
    for (int i = 0; i < 20000; ++i)
        chain.add(cls(QStringLiteral("T%1").arg(i), i ? QStringLiteral("T%1").arg(i - 1) : "TBase"),
                  0, "Deep.pas");
    const QList<ClassHierarchy::Line> lines = chain.lines();
    ASSERT_EQ(lines.size(), 20001);
    EXPECT_EQ(lines.last().depth, 20000);
}

TEST(ClassHierarchy, GenericArgumentsDoNotPartAStructuresAncestors) {
    const ReportDeclaration d =
        cls("TByName", "TDictionary<string, TList<Integer>>, IEnumerable, IFoo");
    EXPECT_EQ(d.parents(),
              (QStringList{"TDictionary<string, TList<Integer>>", "IEnumerable", "IFoo"}));
    EXPECT_EQ(d.kindLine(), "class, inherits TDictionary<string, TList<Integer>>, implements "
                            "IEnumerable, IFoo");
}

} // namespace
