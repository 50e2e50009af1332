#include "scan/Conditionals.h"
#include "scan/UnitScanner.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ink;

namespace {
CompilerDefines Delphi() {
    CompilerDefines defines;
    for (const char* symbol : {"MSWINDOWS", "WIN32", "CONDITIONALEXPRESSIONS", "VER360"})
        defines.define(symbol);
    defines.constants.insert("COMPILERVERSION", 36.0);
    defines.constants.insert("RTLVERSION", 36.0);
    defines.switches.insert('R', false);
    return defines;
}

const char* Name(Truth truth) {
    return truth == Truth::True ? "true" : truth == Truth::False ? "false" : "unknown";
}

// The names of the routines a unit declares under the defines, placeholders left out.
QStringList Routines(QByteArrayView interfaceText, const CompilerDefines* defines) {
    const QByteArray unit =
        "unit U;\ninterface\n" + interfaceText.toByteArray() + "\nimplementation\nend.\n";
    QStringList names;
    for (const RoutineRow& row : ParseUnitRoutines(unit, defines).rows)
        if (row.name != "N/A")
            names << row.name + (row.params == "<None>" ? QString() : "(" + row.params + ")");
    return names;
}
} // namespace

TEST(Conditionals, EvaluatesTheExpressionsOfIfDirectives) {
    const struct {
        const char* expression;
        Truth expected;
    } cases[] = {
        {"defined(MSWINDOWS)", Truth::True},
        {"Defined(win32)", Truth::True}, // names ignore case
        {"defined(LINUX)", Truth::False},
        {"undefined(LINUX)", Truth::True},
        {"not defined(MSWINDOWS)", Truth::False},
        {"defined(WIN32) and not defined(WIN64)", Truth::True},
        {"defined(WIN64) or defined(LINUX)", Truth::False},
        {"defined(WIN64) xor defined(WIN32)", Truth::True},
        {"not (defined(WIN64) or defined(WIN32))", Truth::False},
        {"(defined(A) or defined(WIN32)) and (CompilerVersion >= 20)", Truth::True},
        {"CompilerVersion >= 36", Truth::True},
        {"CompilerVersion > 36.0", Truth::False},
        {"CompilerVersion < 22.5", Truth::False},
        {"RTLVersion <= 36", Truth::True},
        {"RTLVersion = 36", Truth::True},
        {"RTLVersion <> 36", Truth::False},
        {"CompilerVersion - 1 = 35", Truth::True},
        {"CompilerVersion div 2 = 18", Truth::True},
        {"TRUE", Truth::True},
        {"False or defined(WIN32)", Truth::True},
        // What the defines cannot tell.
        {"declared(TStringHelper)", Truth::Unknown},
        {"SizeOf(Pointer) = 8", Truth::Unknown},
        {"UnknownConstant > 3", Truth::Unknown},
        {"defined(WIN32) and declared(X)", Truth::Unknown},
        {"CompilerVersion", Truth::Unknown}, // a number, not a condition
        // ...unless the other side decides alone.
        {"defined(WIN32) or declared(X)", Truth::True},
        {"declared(X) and defined(LINUX)", Truth::False},
        {"not declared(X)", Truth::Unknown},
        // Broken text is no condition.
        {"", Truth::Unknown},
        {"defined(WIN32", Truth::Unknown},
        {"defined(WIN32))", Truth::Unknown},
        {"defined(WIN32) and", Truth::Unknown},
        {"CompilerVersion >= 'x'", Truth::Unknown},
        {"1 div 0 = 0", Truth::Unknown},
        {"@#!", Truth::Unknown},
    };
    const CompilerDefines defines = Delphi();
    for (const auto& c : cases)
        EXPECT_STREQ(Name(EvaluateCondition(c.expression, defines)), Name(c.expected))
            << c.expression;
}

// A condition the compiler would refuse decides nothing: not even beside a
// side that would decide alone, as an unknown one would.
TEST(Conditionals, WhatCannotBeEvaluatedIsUndecidedWhateverStandsBesideIt) {
    const CompilerDefines delphi = Delphi();
    const QByteArray deep = QByteArray(40, '(') + "TRUE" + QByteArray(40, ')');
    for (const QByteArray& expression : QList<QByteArray>{
             "defined(WIN32) or (1 div 0 = 0)", "defined(LINUX) and (1 mod 0 = 1)",
             "False and (1 / 0 > 2)", "defined(WIN32) or NoSuchFunction(1)",
             "defined(LINUX) and NoSuchFunction(1)", "TRUE or " + deep, "FALSE and " + deep,
             "TRUE or @#!", "TRUE or (3 +)", "FALSE and (1 = 'a')", "TRUE or SizeOf(Pointer",
             "TRUE or ('open)", "TRUE or (True + 1 = 2)"})
        EXPECT_STREQ(Name(EvaluateCondition(expression, delphi)), "unknown") << expression.data();
    // What the compiler has but the defines cannot tell still gives way.
    EXPECT_EQ(EvaluateCondition("defined(WIN32) or (SizeOf(Pointer) = 8)", delphi), Truth::True);
    EXPECT_EQ(EvaluateCondition("defined(LINUX) and (High(Integer) > 0)", delphi), Truth::False);
    EXPECT_EQ(EvaluateCondition("((((((((((TRUE))))))))))", delphi), Truth::True);

    // Read as undecided and counted so: both branches, the first kept.
    const char* unit = "{$IF defined(MSWINDOWS) or (1 div 0 = 0)} procedure A; "
                       "{$ELSE} procedure B; {$IFEND}\n"
                       "{$IF defined(MSWINDOWS) or Foo(1)} procedure C; {$IFEND}\n"
                       "{$IF defined(MSWINDOWS)} procedure D; {$IFEND}";
    EXPECT_EQ(Routines(unit, &delphi), QStringList({"A", "B", "C", "D"}));
    const UnitRoutines routines = ParseUnitRoutines(
        "unit U;\ninterface\n" + QByteArray(unit) + "\nimplementation\nend.\n", &delphi);
    EXPECT_EQ(routines.conditionals.guessed, 2);
    EXPECT_EQ(routines.conditionals.decided, 1);
}

TEST(Conditionals, DeepNestingIsUnknownNotACrash) {
    const QByteArray deep = QByteArray(100000, '(') + "TRUE" + QByteArray(100000, ')');
    EXPECT_EQ(EvaluateCondition(deep, Delphi()), Truth::Unknown);
    const QByteArray nots = QByteArray("not ").repeated(100000) + "TRUE";
    EXPECT_EQ(EvaluateCondition(nots, Delphi()), Truth::Unknown);
}

TEST(Conditionals, ScannerReadsOnlyTheCompiledBranches) {
    const CompilerDefines delphi = Delphi();
    const char* unit = "{$IFDEF MSWINDOWS} procedure Win; {$ELSE} procedure Posix; {$ENDIF}\n"
                       "{$IFNDEF MSWINDOWS} procedure NotWin; {$ENDIF}\n"
                       "{$IF CompilerVersion >= 37} procedure Next; {$ELSEIF "
                       "CompilerVersion >= 36} procedure Now; {$ELSE} procedure Old; {$IFEND}\n"
                       "{$IFOPT R+} procedure Checked; {$ELSE} procedure Unchecked; {$ENDIF}\n"
                       "procedure Cut(X: {$IFDEF WIN64}Int64{$ELSE}Integer{$ENDIF});";
    EXPECT_EQ(Routines(unit, &delphi), QStringList({"Win", "Now", "Unchecked", "Cut(X: Integer)"}));
    // Without defines, every branch as it always was, the first alternative kept.
    EXPECT_EQ(Routines(unit, nullptr), QStringList({"Win", "Posix", "NotWin", "Next", "Now", "Old",
                                                    "Checked", "Unchecked", "Cut(X: Int64)"}));
}

TEST(Conditionals, FollowsDefinesAndSwitchesInOrder) {
    const CompilerDefines delphi = Delphi();
    const char* unit = "{$IFDEF LATE} procedure TooEarly; {$ENDIF}\n"
                       "{$DEFINE LATE} {$IFDEF late} procedure AfterDefine; {$ENDIF}\n"
                       "{$UNDEF MSWINDOWS} {$IFDEF MSWINDOWS} procedure Undefined; {$ENDIF}\n"
                       // A define in a skipped branch does not count.
                       "{$IFDEF NOPE} {$DEFINE GHOST} {$ENDIF}"
                       "{$IFDEF GHOST} procedure Ghost; {$ENDIF}\n"
                       "{$R+,Q-} {$IFOPT R+} procedure RangeChecked; {$ENDIF}\n"
                       "{$RANGECHECKS OFF} {$IFOPT R-} procedure RangeOff; {$ENDIF}\n"
                       // A switch no one set is not known: both branches are read.
                       "{$IFOPT Z+} procedure Z1; {$ELSE} procedure Z2; {$ENDIF}";
    EXPECT_EQ(Routines(unit, &delphi),
              QStringList({"AfterDefine", "RangeChecked", "RangeOff", "Z1", "Z2"}));
}

TEST(Conditionals, UndecidedConditionalsKeepTheFirstAlternativeAndAreCounted) {
    const CompilerDefines delphi = Delphi();
    const QByteArray unit =
        "unit U; interface\n"
        "{$IF declared(TFoo)} {$DEFINE HASFOO} procedure A(X: Integer); "
        "{$ELSE} {$DEFINE NOFOO} procedure A(X: Int64); procedure B; {$IFEND}\n"
        // Only the first branch's defines count.
        "{$IFDEF HASFOO} procedure C; {$ENDIF} {$IFDEF NOFOO} procedure D; {$ENDIF}\n"
        // Decided inside an undecided one.
        "{$IF declared(Y)} {$IFDEF LINUX} procedure E; {$ENDIF} {$IFEND}\n"
        // Undecided from an {$ELSEIF} on, no branch before taken.
        "{$IFDEF LINUX} procedure F; {$ELSEIF declared(Z)} procedure G; {$ELSE} procedure H; "
        "{$ENDIF}\n"
        // Inside skipped code nothing is counted.
        "{$IFDEF LINUX} {$IF declared(Q)} procedure I; {$IFEND} {$ENDIF}\n"
        "implementation end.";
    const UnitRoutines routines = ParseUnitRoutines(unit, &delphi);
    QStringList names;
    for (const RoutineRow& row : routines.rows)
        if (row.name != "N/A")
            names << row.name + " " + row.params;
    EXPECT_EQ(names, QStringList({"A X: Integer", "B <None>", "C <None>", "G <None>", "H <None>"}));
    EXPECT_EQ(routines.conditionals.guessed, 3);
    EXPECT_EQ(routines.conditionals.decided, 4);
}

TEST(Conditionals, ImplementationInASkippedBranchDoesNotEndTheInterface) {
    const CompilerDefines delphi = Delphi();
    const char* unit = "{$IFDEF LINUX} implementation {$ENDIF}\nprocedure Kept;";
    EXPECT_EQ(Routines(unit, &delphi), QStringList({"Kept"}));
}

TEST(Conditionals, FreePascalModesDefineTheirSymbols) {
    CompilerDefines fpc;
    fpc.define("FPC");
    const char* unit = "{$mode delphi} {$IFDEF FPC_DELPHI} procedure D; {$ENDIF}\n"
                       "{$MODE ObjFPC} {$IFDEF FPC_DELPHI} procedure Gone; {$ENDIF}"
                       "{$IFDEF FPC_OBJFPC} procedure O; {$ENDIF}\n"
                       "{$DEFINE LEVEL := 3} {$IF LEVEL > 2} procedure Level3; {$ENDIF}";
    EXPECT_EQ(Routines(unit, &fpc), QStringList({"D", "O", "Level3"}));
}

// GTK's headers include one list of files several times, each time under
// another define, for another part of the interface; an include of itself
// still ends.
TEST(Conditionals, AFileIncludedAgainUnderOtherDefinesIsReadEachTime) {
    TempDir dir;
    dir.write("parts.inc", "{$IFDEF PART_TYPES} procedure FromTypes; {$ENDIF}\n"
                           "{$IFDEF PART_REST} procedure FromRest; {$I parts.inc} {$ENDIF}\n");
    const QString unit =
        dir.write("Gtkish.pas", "unit Gtkish;\ninterface\n"
                                "{$DEFINE PART_TYPES}{$I parts.inc}{$UNDEF PART_TYPES}\n"
                                "{$DEFINE PART_REST}{$I parts.inc}{$UNDEF PART_REST}\n"
                                "implementation\nend.\n");
    CompilerDefines fpc;
    fpc.define("FPC");
    QStringList names;
    for (const RoutineRow& row : ScanUnitRoutines(unit, {}, nullptr, &fpc).rows)
        if (row.name != "N/A")
            names << row.name;
    EXPECT_EQ(names, QStringList({"FromTypes", "FromRest"}));
    // Without defines the file is read once, every branch of it.
    names.clear();
    for (const RoutineRow& row : ScanUnitRoutines(unit).rows)
        if (row.name != "N/A")
            names << row.name;
    EXPECT_EQ(names, QStringList({"FromTypes", "FromRest"}));
}
