#include "scan/UnitScanner.h"
#include "support/OddFiles.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>

using namespace ink;

namespace {
// The routines as "P name|params" and "F name|params|result" lines, placeholders left out.
QStringList Routines(const UnitRoutines& routines) {
    QStringList lines;
    for (const RoutineRow& row : routines.rows) {
        if (row.name == "N/A")
            continue;
        lines.append(row.procType == "PROCEDURE"
                         ? "P " + row.name + "|" + row.params
                         : "F " + row.name + "|" + row.params + "|" + row.result);
    }
    return lines;
}

// One text of the rows of one kind ("PROCEDURE" or "FUNCTION"), placeholders included.
QStringList Texts(const UnitRoutines& routines, const char* kind, QString RoutineRow::*text) {
    QStringList texts;
    for (const RoutineRow& row : routines.rows)
        if (row.procType == QLatin1String(kind))
            texts.append(row.*text);
    return texts;
}

QStringList Scan(QByteArrayView source) {
    return Routines(ParseUnitRoutines(source));
}

// A unit around some interface declarations.
QByteArray Unit(QByteArrayView interfaceText) {
    return "unit U;\r\n\r\ninterface\r\n\r\n" + interfaceText.toByteArray() +
           "\r\nimplementation\r\n\r\nend.\r\n";
}
} // namespace

TEST(UnitScanner, ReadsTheCommonHeaderForms) {
    EXPECT_EQ(
        Scan(Unit("type\n  TForm1 = class(TForm)\n"
                  "    procedure Button1Click(Sender: TObject);\n  end;\n"
                  "procedure Foo(A: Integer; B: string);\n"
                  "procedure Clear;\n"
                  "function Add(const S: string): Integer; virtual;\n"
                  "function GetCount: Integer;\n"
                  "function Max(A, B: Integer) : Integer;\n"
                  "function GetHandler: TProcedure;\n"
                  "// this procedure frees the list\n")),
        (QStringList{"P Button1Click|Sender: TObject", "P Foo|A: Integer; B: string",
                     "P Clear|<None>", "F Add|const S: string|Integer", "F GetCount|<None>|Integer",
                     "F Max|A, B: Integer|Integer", "F GetHandler|<None>|TProcedure"}));
}

TEST(UnitScanner, ReadsHeadersSpreadOverLines) {
    EXPECT_EQ(
        Scan(Unit("procedure Init(A: Integer;\r\n  B: Integer);\r\n"
                  "function\r\n  Compute\r\n  (\tconst X,\r\n  Y: Double\r\n  )\r\n  :\r\n"
                  "  Double;\r\n"
                  "function  Twice (A: array of const { open array } ) :  TArray < string > ;\r\n"
                  "class procedure TFoo.Register; static;\r\n"
                  "class function Instance: TFoo;\r\n")),
        (QStringList{"P Init|A: Integer; B: Integer", "P TFoo.Register|<None>",
                     "F Compute|const X, Y: Double|Double",
                     "F Twice|A: array of const|TArray < string >", "F Instance|<None>|TFoo"}));
}

TEST(UnitScanner, KeepsQualifiersAndGenericParametersInNames) {
    EXPECT_EQ(
        Scan("unit U; interface\n"
             "procedure TForm1.Button1Click(Sender: TObject);\n"
             "function Find<T: class>(const Items: TArray<T>): T;\n"
             "function TList<T>.First: T;\n"
             "procedure &Begin;\n"),
        (QStringList{"P TForm1.Button1Click|Sender: TObject", "P Begin|<None>",
                     "F Find<T: class>|const Items: TArray<T>|T", "F TList<T>.First|<None>|T"}));
}

TEST(UnitScanner, IgnoresKeywordsThatAreNotHeaders) {
    EXPECT_EQ(Scan(Unit("type\n  TStoredProc = class\n"
                        "    FStoredProcedure: TStoredProc;\n"
                        "    StoredProcedure: Integer;\n"
                        "    { procedure Hidden; }\n"
                        "    (* function Hidden2: Integer; *)\n"
                        "    {$IFDEF NEVER procedure Hidden3;}\n"
                        "    const S = 'procedure Hidden4;';\n"
                        "    constructor Create(AOwner: TComponent);\n"
                        "    destructor Destroy; override;\n"
                        "    property Count: Integer read GetCount;\n"
                        "    class operator Add(A, B: TStoredProc): TStoredProc;\n"
                        "    procedure IFoo.Run = DoRun;\n"
                        "    procedure DoRun;\n  end;\n")),
              (QStringList{"P DoRun|<None>"}));
}

TEST(UnitScanner, RecordsProceduralTypesOncePerKindAsStdcall) {
    EXPECT_EQ(Scan(Unit("type\n"
                        "  TNotify = procedure(Sender: TObject) of object;\n"
                        "  TOther = procedure(A, B: Integer);\n"
                        "  TFunc = function(X: Integer): Integer of object;\n"
                        "  TRef = reference to function: Boolean;\n"
                        "  TCallback = procedure stdcall;\n"
                        "  TRec = record\n"
                        "    Handler: function(const S: string): Boolean stdcall;\n"
                        "  end;\n"
                        "procedure Run(Proc: TNotify);\n")),
              (QStringList{"P {STDCALL}|Sender: TObject", "P Run|Proc: TNotify",
                           "F {STDCALL}|X: Integer|Integer"}));
    EXPECT_EQ(Scan(Unit("type TRef = reference to function: Boolean;")),
              (QStringList{"F {STDCALL}|<None>|Boolean"}));
    EXPECT_EQ(Scan(Unit("var OnIdle: procedure;")), (QStringList{"P {STDCALL}|<None>"}));
}

TEST(UnitScanner, ReadsConditionalCodeAsWritten) {
    // Alternatives inside a header: its first one, as one real declaration.
    EXPECT_EQ(
        Scan(Unit("function GetSize: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF};\n"
                  "procedure Put(const S: {$IFDEF UNICODE}UnicodeString{$ELSEIF DEFINED(X)}"
                  "WideString{$ELSE}AnsiString{$ENDIF}; N: Integer {$IFDEF A}= 0{$ENDIF});\n")),
        (QStringList{"P Put|const S: UnicodeString; N: Integer = 0", "F GetSize|<None>|Int64"}));
    // Whole declarations in either branch are both found; a name found twice keeps the first.
    EXPECT_EQ(Scan(Unit("{$IFDEF UNICODE}\nfunction LoadW(const S: UnicodeString): Boolean;\n"
                        "function Load(const S: UnicodeString): Boolean;\n{$ELSE}\n"
                        "function LoadA(const S: AnsiString): Boolean;\n"
                        "function Load(const S: AnsiString): Boolean;\n{$ENDIF}\n")),
              (QStringList{"F LoadW|const S: UnicodeString|Boolean",
                           "F Load|const S: UnicodeString|Boolean",
                           "F LoadA|const S: AnsiString|Boolean"}));
    // A directive that stands for code (an include file holding a value) does not
    // turn the next header into a procedural type.
    EXPECT_EQ(Scan(Unit("const Table: TTable = {$I table.inc}\n"
                        "function Lookup(const S: string): Integer;\n")),
              (QStringList{"F Lookup|const S: string|Integer"}));
}

TEST(UnitScanner, FindsMethodsOfNestedTypes) {
    EXPECT_EQ(Scan(Unit("type TOuter = class\n  public type\n    TInner = class\n"
                        "      function MoveNext: Boolean;\n    end;\n"
                        "  public\n    procedure Reset;\n  end;\n")),
              (QStringList{"P Reset|<None>", "F MoveNext|<None>|Boolean"}));
}

TEST(UnitScanner, RecordsEachNameOncePerKindAtItsFirstDeclaration) {
    EXPECT_EQ(
        Scan(Unit("function Max(A, B: Integer): Integer; overload;\n"
                  "function MAX(A, B: Double): Double; overload;\n"
                  "procedure Clear;\n"
                  "type TOther = class procedure clear(Full: Boolean); end;\n"
                  "function Clear: Boolean;\n")),
        (QStringList{"P Clear|<None>", "F Max|A, B: Integer|Integer", "F Clear|<None>|Boolean"}));
}

TEST(UnitScanner, StopsAtTheImplementationKeywordOnly) {
    EXPECT_EQ(Scan("unit U;\ninterface\n"
                   "{ The implementation is below. }\n// implementation notes\n"
                   "procedure SetImplementation(const Implementation_: string);\n"
                   "IMPLEMENTATION\nprocedure Hidden;\nend."),
              (QStringList{"P SetImplementation|const Implementation_: string"}));
    // Without the keyword the whole file is read, method bodies' headers included.
    EXPECT_EQ(Scan("program P;\nprocedure TForm1.Button1Click(Sender: TObject);\nbegin end;\n"),
              (QStringList{"P TForm1.Button1Click|Sender: TObject"}));
}

TEST(UnitScanner, ReadsTheRealInterfaceAfterAStubOneInAnotherBranch) {
    // A unit that compiles to nothing under a define carries an empty
    // interface and implementation in one branch, its real interface in the
    // other; the stub's end does not end the reading.
    EXPECT_EQ(Scan("unit FPRegs;\n{$ifdef NODEBUG}\ninterface\nimplementation\nend.\n"
                   "{$else NODEBUG}\ninterface\n{$ifdef Windows}uses Windows;{$endif}\n"
                   "procedure InitRegs;\n{$ifdef i386}function Eax: LongWord;{$endif}\n"
                   "implementation\nprocedure Hidden;\nend.\n{$endif NODEBUG}\n"),
              (QStringList{"P InitRegs|<None>", "F Eax|<None>|LongWord"}));
    // A later branch that holds no interface section (an interface type is
    // none) leaves the first implementation the end, as does a conditional
    // without a later branch.
    EXPECT_EQ(Scan("unit U;\ninterface\nprocedure Seen;\n{$ifdef A}\nimplementation\n"
                   "procedure Hidden1;\n{$else}\ntype IFoo = interface\n"
                   "procedure Hidden2;\nend;\n{$endif}\nend.\n"),
              (QStringList{"P Seen|<None>"}));
    EXPECT_EQ(Scan("unit U;\ninterface\n{$ifdef A}\nimplementation\n{$endif}\n"
                   "{$ifdef B}{$else}interface procedure Hidden;{$endif}\n"),
              QStringList{});
}

TEST(UnitScanner, AFullStopBeforeADirectiveQualifiesNoKeyword) {
    // The error text of an old compiler's branch ends in a full stop; the
    // header after the branch is still one.
    EXPECT_EQ(Scan(Unit("{$ifdef VER80}\n  #ERROR Needs Delphi 3 minimum.\n{$endif}\n"
                        "procedure Register;\n")),
              (QStringList{"P Register|<None>"}));
}

TEST(UnitScanner, AnonymousMethodsDeclareNothing) {
    // A program is read whole, bodies included; the methods passed or
    // assigned in them are values, and a reserved word is never a name.
    EXPECT_EQ(Scan("program P;\nuses Classes, SysUtils;\n"
                   "procedure Outer(A: Integer);\nvar F: TFunc<Integer>; P: TProc<Integer>;\n"
                   "begin\n"
                   "  TThread.Queue(nil, procedure begin Writeln('x'); end);\n"
                   "  TThread.Synchronize(nil, procedure var X: Integer; begin X := 1; end);\n"
                   "  TThread.Synchronize(nil, procedure const C = 1; begin end);\n"
                   "  Run(function: Integer begin Result := 1 end);\n"
                   "  Run(function(S: string): Integer begin Result := 2 end);\n"
                   "  F := function: Integer begin Result := 1; end;\n"
                   "  P := procedure(B: Integer) begin end;\n"
                   "  var Q := procedure begin end;\n"
                   "  F:={x}function begin end;\n"
                   "end;\n"
                   "function Later: Boolean;\nbegin Result := True end;\n"
                   "begin\nend.\n"),
              (QStringList{"P Outer|A: Integer", "F Later|<None>|Boolean"}));
    // Procedural types are still types, escaped names still names.
    EXPECT_EQ(Scan(Unit("type TProc = procedure;\n  TF = function: Integer;\n"
                        "procedure &Var;\nfunction &Begin: Integer;\n")),
              (QStringList{"P {STDCALL}|<None>", "P Var|<None>", "F {STDCALL}|<None>|Integer",
                           "F Begin|<None>|Integer"}));
}

TEST(UnitScanner, FillsEmptyKindsWithPlaceholders) {
    const UnitRoutines none = ParseUnitRoutines(Unit("const X = 1;"));
    ASSERT_EQ(none.rows.size(), 2);
    EXPECT_EQ(none.rows[0].procType, "PROCEDURE");
    EXPECT_EQ((QStringList{none.rows[0].name, none.rows[0].params, none.rows[0].result}),
              (QStringList{"N/A", "N/A", "<None>"}));
    EXPECT_EQ(none.rows[1].procType, "FUNCTION");
    EXPECT_EQ((QStringList{none.rows[1].name, none.rows[1].params, none.rows[1].result}),
              (QStringList{"N/A", "N/A", "N/A"}));

    const UnitRoutines proceduresOnly = ParseUnitRoutines(Unit("procedure A;"));
    EXPECT_EQ(Texts(proceduresOnly, "PROCEDURE", &RoutineRow::name), QStringList{"A"});
    EXPECT_EQ(Texts(proceduresOnly, "FUNCTION", &RoutineRow::name), QStringList{"N/A"});
    EXPECT_EQ(Texts(proceduresOnly, "FUNCTION", &RoutineRow::result), QStringList{"N/A"});

    const UnitRoutines functionsOnly = ParseUnitRoutines(Unit("function F: Integer;"));
    EXPECT_EQ(Texts(functionsOnly, "PROCEDURE", &RoutineRow::name), QStringList{"N/A"});
    EXPECT_EQ(Texts(functionsOnly, "PROCEDURE", &RoutineRow::params), QStringList{"N/A"});
    EXPECT_EQ(Texts(functionsOnly, "FUNCTION", &RoutineRow::name), QStringList{"F"});
}

TEST(UnitScanner, YieldsWhatABrokenFileHolds) {
    // Cut off in a comment, in a header, in generic parameters, in a string.
    EXPECT_EQ(Scan("interface procedure A; { procedure B;"), (QStringList{"P A|<None>"}));
    EXPECT_EQ(Scan("interface procedure A(X: Integer"), (QStringList{"P A|X: Integer"}));
    EXPECT_EQ(Scan("interface function F(X: Integer):"), (QStringList{"F F|X: Integer|<None>"}));
    EXPECT_EQ(Scan("interface function F<T"), (QStringList{"F F|<None>|<None>"}));
    EXPECT_EQ(Scan("interface procedure A(S: string = 'x"), (QStringList{"P A|S: string = 'x"}));
    // A header left open does not swallow the declarations after it.
    EXPECT_EQ(Scan("interface procedure A(X: Integer;\nprocedure B;\n"),
              (QStringList{"P A|X: Integer;", "P B|<None>"}));
    EXPECT_EQ(Scan("procedure"), QStringList());
    EXPECT_EQ(Scan(QByteArray("\0\xFF\x01procedure\0P\0;", 15)), (QStringList{"P P|<None>"}));
}

TEST(UnitScanner, KeepsItsPaceOnHugeAndDeeplyNestedText) {
    // Each of these took time or memory in proportion to the square of its
    // size in a naive scanner: deep conditionals, a header that never closes.
    const QByteArray nested = "interface\n" + QByteArray("{$IFDEF A}").repeated(200000) +
                              QByteArray("x ").repeated(200000) + "procedure Last;";
    EXPECT_EQ(Scan(nested), (QStringList{"P Last|<None>"}));

    QByteArray open = "interface procedure A(" + QByteArray(4 * 1024 * 1024, '(');
    const UnitRoutines routines = ParseUnitRoutines(open + "\nprocedure B;");
    EXPECT_EQ(Texts(routines, "PROCEDURE", &RoutineRow::name), (QStringList{"A", "B"}));
    EXPECT_LT(routines.rows[0].params.size(), 100000); // a header is cut at some length
}

TEST(UnitScanner, DecodesNamesAsTheFileIsEncoded) {
    EXPECT_EQ(Scan("procedure \xC3\x9C"
                   "bersicht(const Caf\xC3\xA9: string);"),
              (QStringList{QString::fromUtf8("P Übersicht|const Café: string")}));
    EXPECT_EQ(Scan("procedure \xDC"
                   "bersicht(const Caf\xE9: string);"),
              (QStringList{QString::fromUtf8("P Übersicht|const Café: string")}));
}

TEST(UnitScanner, ScansAFileAndMeasuresIt) {
    TempDir dir;
    const QByteArray source = Unit("procedure A(X: Integer);\nfunction B: string;");
    const QString path = dir.write("Unit1.pas", source);
    const UnitRoutines routines = ScanUnitRoutines(path);
    EXPECT_EQ(Routines(routines), (QStringList{"P A|X: Integer", "F B|<None>|string"}));
    EXPECT_EQ(routines.fileSize, source.size());

    QFile::setPermissions(path, QFileDevice::ReadOwner); // read-only files are measured too
    EXPECT_EQ(ScanUnitRoutines(path).fileSize, source.size());
}

TEST(UnitScanner, ScansAMissingFileAsEmpty) {
    using namespace std::chrono_literals;
    TempDir dir;
    const QString fifo = MakeFifo(dir.filePath("Pipe.pas"));
    for (const QString& path : {dir.filePath("Forms"), dir.path(), QString(), fifo}) {
        UnitRoutines routines;
        QStringList interfaceLines{"unread"};
        ASSERT_TRUE(ReturnsWithin(5s, {fifo}, [&] {
            routines = ScanUnitRoutines(path);
            interfaceLines = ReadUnitInterface(path);
        })) << path.toStdString();
        EXPECT_EQ(routines.fileSize, 0);
        EXPECT_TRUE(routines.unreadable);
        EXPECT_EQ(Texts(routines, "PROCEDURE", &RoutineRow::name), QStringList{"N/A"});
        EXPECT_EQ(Texts(routines, "FUNCTION", &RoutineRow::result), QStringList{"N/A"});
        EXPECT_TRUE(routines.sources.isEmpty());
        EXPECT_TRUE(interfaceLines.isEmpty());
    }
    // An empty file is read, and has nothing in it.
    EXPECT_FALSE(ScanUnitRoutines(dir.write("Empty.pas", "")).unreadable);
}

TEST(UnitScanner, ReadsTheInterfaceThroughTheImplementationLine) {
    TempDir dir;
    const QString path = dir.write("Unit1.pas", "unit Unit1;\r\ninterface\n{ implementation }\r"
                                                "procedure A; implementation // here\r\nend.\r\n");
    EXPECT_EQ(ReadUnitInterface(path),
              (QStringList{"unit Unit1;", "interface", "{ implementation }",
                           "procedure A; implementation // here"}));
    EXPECT_EQ(ReadUnitInterface(dir.write("Short.pas", "unit Short;\n\ninterface\n")),
              (QStringList{"unit Short;", "", "interface"}));
}

TEST(UnitScanner, ListsRowsProceduresFirst) {
    const QList<RoutineRow> rows = ParseUnitRoutines("function F: Integer; procedure P;").rows;
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].procType, "PROCEDURE");
    EXPECT_EQ(rows[0].name, "P");
    EXPECT_EQ(rows[0].result, "<None>");
    EXPECT_EQ(rows[1].procType, "FUNCTION");
    EXPECT_EQ(rows[1].result, "Integer");
}

TEST(UnitScanner, KeepsEachWholeDeclarationWithItsBlanksFolded) {
    const UnitRoutines found = ParseUnitRoutines(Unit(
        "procedure PostEntry(const aMsgType: TMessageType;\r\n"
        "  const Account: string;   { the ledger's }  Amount: Currency; const Memo: string);\r\n"
        "function\r\n  Compute\r\n  (\tconst X,\r\n  Y: Double\r\n  )\r\n  :\r\n  Double; "
        "inline;\r\n"
        "procedure Clear;\r\nprocedure Clear(All: Boolean); overload;\r\n"));
    QStringList declarations;
    for (const RoutineRow& row : found.rows)
        declarations.append(row.declaration);
    EXPECT_EQ(
        declarations,
        (QStringList{"procedure PostEntry(const aMsgType: TMessageType; const Account: "
                     "string; Amount: Currency; const Memo: string);",
                     "procedure Clear;", "function Compute ( const X, Y: Double ) : Double;"}));
    // A unit without routines has only the placeholder, with no declaration.
    for (const RoutineRow& row : ParseUnitRoutines(Unit("const A = 1;\r\n")).rows)
        EXPECT_TRUE(row.declaration.isEmpty()) << row.name.toStdString();
}
