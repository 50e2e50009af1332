// The declarations of a unit's interface: each kind on a small unit written
// for it, the overload keys that tell overloads apart, conditional
// alternatives, and where each declaration stands (include files too).
#include "scan/UnitDeclarations.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace ink;

namespace {

// kind owner.name [visibility]
QString brief(const Declaration& d) {
    QString line = DeclKindName(d.kind) + QLatin1Char(' ');
    if (!d.owner.isEmpty())
        line += d.owner + QLatin1Char('.');
    line += d.name;
    if (!d.visibility.isEmpty())
        line += QStringLiteral(" [%1]").arg(d.visibility);
    return line;
}

QStringList briefs(const QList<Declaration>& all) {
    QStringList lines;
    for (const Declaration& d : all)
        lines << brief(d);
    return lines;
}

QList<Declaration> parse(const QByteArray& interfaceText) {
    return ParseUnitDeclarations("unit U;\ninterface\n" + interfaceText +
                                     "\nimplementation\nprocedure NotRead;\nend.\n",
                                 QStringLiteral("U.pas"))
        .declarations;
}

const Declaration* find(const QList<Declaration>& all, const QString& owner, const QString& name,
                        int nth = 0) {
    for (const Declaration& d : all)
        if (d.owner == owner && d.name == name && nth-- == 0)
            return &d;
    return nullptr;
}

} // namespace

TEST(UnitDeclarations, AClassWithEveryKindOfMember) {
    const QList<Declaration> all = parse(R"(
type
  [ComponentPlatforms(1)]
  TShape = class(TPersistent, IStreamable)
    FDesigned: TButton;
  private
    FArea: Double;
    FName, FTitle: string;
    class var FCount: Integer;
  strict protected
    procedure SetArea(const Value: Double); virtual;
  public
    type
      TKind = (skRound, skSquare);
      TInner = record
        X: Integer;
      end;
    const Sides = 4;
    constructor Create(AOwner: TComponent); overload;
    constructor Create(const AName: string; ASides: Integer = 3); overload;
    destructor Destroy; override;
    function Area: Double; virtual; abstract;
    class function Count: Integer; static;
    class operator Implicit(A: TShape): Integer;
    procedure WMPaint(var Msg: TMessage); message WM_PAINT;
    function Find<T>(const Key: T): T;
    [Weak] property Owner: TShape read FOwner;
    property Items[Index: Integer]: string read GetItem; default;
    class property Total: Integer read FCount;
  published
    property Name;
  end;
)");
    EXPECT_EQ(briefs(all),
              QStringList({"class TShape",
                           "field TShape.FDesigned [published]", // as the IDE writes forms
                           "field TShape.FArea [private]",
                           "field TShape.FName [private]",
                           "field TShape.FTitle [private]",
                           "field TShape.FCount [private]",
                           "procedure TShape.SetArea [strict protected]",
                           "type TShape.TKind [public]",
                           "record TShape.TInner [public]",
                           "field TShape.TInner.X [public]",
                           "const TShape.Sides [public]",
                           "constructor TShape.Create [public]",
                           "constructor TShape.Create [public]",
                           "destructor TShape.Destroy [public]",
                           "function TShape.Area [public]",
                           "function TShape.Count [public]",
                           "operator TShape.Implicit [public]",
                           "procedure TShape.WMPaint [public]",
                           "function TShape.Find [public]",
                           "property TShape.Owner [public]",
                           "property TShape.Items [public]",
                           "property TShape.Total [public]",
                           "property TShape.Name [published]"}));
    const Declaration& shape = *find(all, "", "TShape");
    EXPECT_EQ(shape.text, "TShape = class(TPersistent, IStreamable)"); // no attribute
    EXPECT_EQ(shape.ancestor, "TPersistent");
    EXPECT_EQ(shape.interfaces, QStringList{"IStreamable"});
    EXPECT_EQ(shape.parent, -1);
    EXPECT_EQ(all[find(all, "TShape", "TInner") - all.data() + 1].parent,
              int(find(all, "TShape", "TInner") - all.data()));

    const Declaration& area = *find(all, "TShape", "Area");
    EXPECT_EQ(area.text, "function Area: Double; virtual; abstract;");
    EXPECT_EQ(area.directives, "virtual; abstract");
    const Declaration& count = *find(all, "TShape", "Count");
    EXPECT_TRUE(count.isClassMember);
    EXPECT_EQ(count.text, "class function Count: Integer; static;");
    EXPECT_TRUE(find(all, "TShape", "FCount")->isClassMember);
    EXPECT_EQ(find(all, "TShape", "WMPaint")->directives, "message WM_PAINT");
    EXPECT_EQ(find(all, "TShape", "Find")->text, "function Find<T>(const Key: T): T;");
    EXPECT_EQ(find(all, "TShape", "Owner")->text,
              "property Owner: TShape read FOwner;"); // no attribute
    EXPECT_EQ(find(all, "TShape", "Items")->directives, "default");
    EXPECT_EQ(find(all, "TShape", "Items")->overloadKey, "integer");
    EXPECT_EQ(find(all, "TShape", "FTitle")->text, "FName, FTitle: string;");
}

TEST(UnitDeclarations, StructuresOfEveryKind) {
    const QList<Declaration> all = parse(R"(
type
  TForward = class;
  IForward = interface;
  TList<T> = class(TEnumerable<T>)
    procedure Add(const Item: T);
  end;
  TPoint = packed record
    case Kind: Integer of
      0: (X, Y: Integer);
      1: (V: array[0..1] of Integer; case Boolean of True: (Z: Byte));
  end;
  IShape = interface(IInterface)
    ['{00000000-0000-0000-0000-000000000000}']
    function GetArea: Double;
    function IShape.Foo = Bar;
    property Area: Double read GetArea;
  end;
  IDispatchMe = dispinterface
    ['{00000000-0000-0000-0000-000000000001}']
    function Run: Integer; dispid 1;
  end;
  TShapeHelper = class helper(TBaseHelper) for TShape
    function Perimeter: Double;
  end;
  TIntHelper = record helper for Integer
    function ToString: string;
  end;
  TOld = object(TBase)
    Field: Integer;
    procedure Draw; virtual;
  end;
  EShape = class(Exception);
  TSealed = class sealed(TObject) end deprecated 'Gone';
)");
    EXPECT_EQ(briefs(all), QStringList({"class TList",
                                        "procedure TList.Add [public]",
                                        "record TPoint",
                                        "field TPoint.Kind [public]",
                                        "field TPoint.X [public]",
                                        "field TPoint.Y [public]",
                                        "field TPoint.V [public]",
                                        "field TPoint.Z [public]",
                                        "interface IShape",
                                        "function IShape.GetArea [public]",
                                        "property IShape.Area [public]",
                                        "interface IDispatchMe",
                                        "function IDispatchMe.Run [public]",
                                        "helper TShapeHelper",
                                        "function TShapeHelper.Perimeter [public]",
                                        "helper TIntHelper",
                                        "function TIntHelper.ToString [public]",
                                        "object TOld",
                                        "field TOld.Field [public]",
                                        "procedure TOld.Draw [public]",
                                        "class EShape",
                                        "class TSealed"}));
    EXPECT_EQ(find(all, "", "TList")->text, "TList<T> = class(TEnumerable<T>)");
    EXPECT_EQ(find(all, "", "TList")->overloadKey, "<1>");
    EXPECT_EQ(find(all, "", "TList")->ancestor, "TEnumerable<T>");
    EXPECT_EQ(find(all, "", "TPoint")->text, "TPoint = packed record");
    EXPECT_EQ(find(all, "", "IShape")->ancestor, "IInterface");
    EXPECT_EQ(find(all, "", "TShapeHelper")->ancestor, "TShape"); // what it helps
    EXPECT_EQ(find(all, "", "TShapeHelper")->interfaces, QStringList{"TBaseHelper"});
    EXPECT_EQ(find(all, "", "TIntHelper")->ancestor, "Integer");
    EXPECT_EQ(find(all, "", "EShape")->ancestor, "Exception");
    EXPECT_EQ(find(all, "", "TSealed")->hints, "deprecated 'Gone'");
}

TEST(UnitDeclarations, TypesConstantsVariablesAndUnitRoutines) {
    const QList<Declaration> all = parse(R"(
type
  TColor = (clRed, clGreen);
  TColors = set of TColor;
  TNotify = procedure(Sender: TObject) of object;
  TCallback = function(X: Integer): Boolean; stdcall;
  TFunc = reference to function: Integer;
  PShape = ^TShape;
  TShapeClass = class of TShape;
  TName = type string;
  TOldType = Integer platform;
const
  MaxShapes = 10;
  Origin: TPoint = (X: 0; Y: 0);
  Names: array[0..1] of string = ('a', 'b');
  OldConst = 5 deprecated 'Use MaxShapes';
resourcestring
  SNoShape = 'No shape';
var
  A, B: Integer;
  Inline: record X: Integer; end;
  Params: array of record Kind: Integer; Text: string; end;
  Handler: procedure(X: Integer) of object;
threadvar
  Current: TShape;
procedure Register;
function MakeShape(const Name: string): TShape; overload; experimental;
function MakeShape(Sides: Integer): TShape; overload;
operator + (const A, B: TPoint) R: TPoint;
property Global: Integer read GetGlobal;
)");
    EXPECT_EQ(briefs(all), QStringList({"type TColor",
                                        "type TColors",
                                        "type TNotify",
                                        "type TCallback",
                                        "type TFunc",
                                        "type PShape",
                                        "type TShapeClass",
                                        "type TName",
                                        "type TOldType",
                                        "const MaxShapes",
                                        "const Origin",
                                        "const Names",
                                        "const OldConst",
                                        "resourcestring SNoShape",
                                        "var A",
                                        "var B",
                                        "var Inline",
                                        "var Params",
                                        "var Handler",
                                        "threadvar Current",
                                        "procedure Register",
                                        "function MakeShape",
                                        "function MakeShape",
                                        "operator +",
                                        "property Global"}));
    EXPECT_EQ(find(all, "", "TCallback")->text,
              "TCallback = function(X: Integer): Boolean; stdcall;");
    EXPECT_EQ(find(all, "", "TCallback")->directives, "stdcall");
    EXPECT_EQ(find(all, "", "TOldType")->hints, "platform");
    EXPECT_EQ(find(all, "", "Origin")->text, "Origin: TPoint = (X: 0; Y: 0);");
    EXPECT_EQ(find(all, "", "OldConst")->hints, "deprecated 'Use MaxShapes'");
    EXPECT_EQ(find(all, "", "B")->text, "A, B: Integer;");
    EXPECT_EQ(find(all, "", "Inline")->text, "Inline: record X: Integer; end;");
    const Declaration& first = *find(all, "", "MakeShape");
    EXPECT_EQ(first.hints, "experimental");
    EXPECT_EQ(first.directives, "overload");
    EXPECT_EQ(first.text,
              "function MakeShape(const Name: string): TShape; overload; experimental;");
    EXPECT_EQ(first.visibility, ""); // unit level
    EXPECT_EQ(find(all, "", "MakeShape", 1)->overloadKey, "integer");
    EXPECT_EQ(find(all, "", "+")->overloadKey, "const tpoint;const tpoint:tpoint");
}

TEST(UnitDeclarations, OverloadKeysAreTheFoldedParameterTypes) {
    const QList<Declaration> all = parse(R"(
type
  TConv = record
    class operator Implicit(A: TConv): Integer;
    class operator Implicit(A: TConv): string;
    procedure Put(const A, B: String; var   Untyped; out C: array of Integer; D: Integer = 0); overload;
    procedure Put([Ref] const X: TConv); overload;
    procedure Put; overload;
    procedure Put(A: Integer); overload;
    procedure Put(A: INTEGER); overload;
  end;
)");
    ASSERT_EQ(all.size(), 7); // the same key twice is one declaration
    EXPECT_EQ(all[1].overloadKey, "tconv:integer");
    EXPECT_EQ(all[2].overloadKey, "tconv:string");
    EXPECT_EQ(all[3].overloadKey, "const string;const string;var;out array of integer;integer");
    EXPECT_EQ(all[4].overloadKey, "const tconv"); // the attribute is no type
    EXPECT_EQ(all[5].overloadKey, "");
    EXPECT_EQ(all[6].overloadKey, "integer");
}

TEST(UnitDeclarations, ConditionalAlternativesKeepTheirFirst) {
    const QList<Declaration> all = parse(R"(
{$IFDEF FPC}
procedure Fpc(X: Int64);
{$ELSE}
procedure Fpc(X: Integer);
procedure OnlyDelphi;
{$ENDIF}
var Cond: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF};
type
{$IFDEF FPC}
  TBody = class(TFpcBase)
{$ELSE}
  TBody = class(TDelphiBase)
{$ENDIF}
    procedure Run;
  end;
{$IFDEF A}
  TTwice = record X: Integer; end;
{$ELSE}
  TTwice = record X: Int64; Y: Byte; end;
{$ENDIF}
  TAfter = class
  {$IFDEF A}
  public
    procedure P1;
  {$ELSE}
  protected
    procedure P2;
  {$ENDIF}
    procedure P3;
  end;
)");
    EXPECT_EQ(
        briefs(all),
        QStringList({"procedure Fpc", "procedure OnlyDelphi", "var Cond", "class TBody",
                     "procedure TBody.Run [public]", "record TTwice", "field TTwice.X [public]",
                     "class TAfter", "procedure TAfter.P1 [public]",
                     "procedure TAfter.P2 [protected]", "procedure TAfter.P3 [public]"}));
    EXPECT_EQ(find(all, "", "Fpc")->text, "procedure Fpc(X: Int64);");
    EXPECT_EQ(find(all, "", "Cond")->text, "Cond: Int64;");
    EXPECT_EQ(find(all, "", "TBody")->ancestor, "TFpcBase");
}

TEST(UnitDeclarations, StandWhereTheyAreWrittenIncludeFilesToo) {
    TempDir temp;
    temp.write("inc/Members.inc", "\n\n  procedure FromInclude;\n");
    const QString path = temp.write("U.pas", "\xEF\xBB\xBFunit U;\ninterface\ntype\n"
                                             "  TA = class\n"
                                             "  {$I inc/members.inc}\n"
                                             "    procedure After;\n"
                                             "  end;\n"
                                             "implementation\nend.\n");
    const UnitDeclarations unit = ScanUnitDeclarations(path);
    ASSERT_EQ(unit.declarations.size(), 3);
    EXPECT_EQ(unit.declarations[0].sourceFile, path);
    EXPECT_EQ(unit.declarations[0].line, 4);
    EXPECT_EQ(unit.declarations[1].sourceFile, temp.filePath("inc/Members.inc"));
    EXPECT_EQ(unit.declarations[1].line, 3);
    EXPECT_EQ(unit.declarations[1].owner, "TA");
    EXPECT_EQ(unit.declarations[2].sourceFile, path);
    EXPECT_EQ(unit.declarations[2].line, 6);
    EXPECT_EQ(unit.sources.size(), 3); // the unit, the include file, its folder

    EXPECT_TRUE(ScanUnitDeclarations(temp.filePath("Missing.pas")).unreadable);
}

TEST(UnitDeclarations, OneReadingGivesTheRoutinesAndTheDeclarations) {
    TempDir temp;
    temp.write("More.inc", "function More: Integer;\n");
    const QString path = temp.write(
        "U.pas", "unit U;\ninterface\nprocedure A(X: Integer);\n{$I More.inc}\nimplementation\n");
    const UnitScan scan = ScanUnit(path);
    const UnitRoutines routines = ScanUnitRoutines(path);
    ASSERT_EQ(scan.routines.rows.size(), routines.rows.size());
    for (qsizetype i = 0; i < routines.rows.size(); ++i)
        EXPECT_EQ(scan.routines.rows[i].name, routines.rows[i].name);
    EXPECT_EQ(scan.routines.fileSize, routines.fileSize);
    EXPECT_EQ(scan.routines.sources, routines.sources);
    EXPECT_EQ(briefs(scan.declarations.declarations),
              QStringList({"procedure A", "function More"}));
    EXPECT_EQ(scan.declarations.sources, routines.sources);

    const UnitScan missing = ScanUnit(temp.filePath("Gone.pas"));
    EXPECT_TRUE(missing.routines.unreadable);
    EXPECT_TRUE(missing.declarations.unreadable);
    EXPECT_EQ(missing.routines.rows.size(), 2); // the placeholders
}

TEST(UnitDeclarations, NamesThatLookLikeDirectivesOrKeywords) {
    const QList<Declaration> all = parse(R"(
type
  TBox = class
  public
    procedure Show; virtual;
    Platform: string;
    procedure &Begin;
    property Default: Integer read FDefault; default;
    Message: string;
  end;
procedure Run; external 'lib' name 'run';
)");
    EXPECT_EQ(
        briefs(all),
        QStringList({"class TBox", "procedure TBox.Show [public]", "field TBox.Platform [public]",
                     "procedure TBox.Begin [public]", "property TBox.Default [public]",
                     "field TBox.Message [public]", "procedure Run"}));
    EXPECT_EQ(find(all, "TBox", "Show")->directives, "virtual");
    EXPECT_EQ(find(all, "", "Run")->directives, "external 'lib' name 'run'");
}

TEST(UnitDeclarations, ASectionOpenedInsideAConditionalEndsWithIt) {
    // The FPC packages' way: one include file, read once, holds a branch per
    // part of the interface, each stating its own section.
    const QList<Declaration> all = parse(R"(
type
  TFirst = Integer;
{$IFDEF read_rest}
const
  Limit = 4;
function Helper: Integer;
{$ENDIF read_rest}
{$IFDEF read_types}
  TSecond = record X: Integer; end;
{$ENDIF}
)");
    EXPECT_EQ(briefs(all), QStringList({"type TFirst", "const Limit", "function Helper",
                                        "record TSecond", "field TSecond.X [public]"}));
}

TEST(UnitDeclarations, AParameterListNeverClosedEndsAtTheNextHeader) {
    // A line cut short in a branch no compiler takes must not swallow the
    // rest of the unit.
    const QList<Declaration> all = parse(R"(
type
  IComp = interface
  {$IFNDEF CALL_AS}
    function Bind(A: Integer): HResult; stdcall;
  {$ELSE}
    function Bind(A: Integer; O
    function BindType(B: Integer): HResult; stdcall;
  {$ENDIF}
  end;
  ILater = interface
    procedure Run;
  end;
)");
    EXPECT_EQ(briefs(all), QStringList({"interface IComp", "function IComp.Bind [public]",
                                        "function IComp.BindType [public]", "interface ILater",
                                        "procedure ILater.Run [public]"}));
}

TEST(UnitDeclarations, ATextCutShortGivesNoNamelessDeclaration) {
    for (const QByteArray& cut : {QByteArray("unit U; interface type TA = class class operator"),
                                  QByteArray("unit U; interface type & = record & : Integer;"),
                                  QByteArray("unit U; interface var &")}) {
        for (const Declaration& d : ParseUnitDeclarations(cut).declarations)
            EXPECT_FALSE(d.name.isEmpty()) << cut.constData();
    }
}

TEST(UnitDeclarations, AMethodEndsAClassVarOrNestedSection) {
    const QList<Declaration> all = parse(R"(
type
  TCounter = class
  public
    class var Count: Integer;
    procedure Tick;
    Last: Integer;
  const
    Step = 2;
    property Value: Integer read Last;
    Next: Integer;
  end;
  NSThing = objcclass external name 'NSThing' (NSObject)
    function length: Integer; message 'length';
  end;
  NSDefinedElsewhere = objcclass external;
  NSDelegateProtocol = objcprotocol external name 'NSDelegate';
)");
    EXPECT_EQ(briefs(all),
              QStringList({"class TCounter", "field TCounter.Count [public]",
                           "procedure TCounter.Tick [public]", "field TCounter.Last [public]",
                           "const TCounter.Step [public]", "property TCounter.Value [public]",
                           "field TCounter.Next [public]", "class NSThing",
                           "function NSThing.length [public]", "type NSDefinedElsewhere",
                           "type NSDelegateProtocol"}));
    EXPECT_TRUE(find(all, "TCounter", "Count")->isClassMember);
    EXPECT_FALSE(find(all, "TCounter", "Last")->isClassMember);
    EXPECT_EQ(find(all, "", "NSThing")->ancestor, "NSObject");
}

TEST(UnitDeclarations, DeepNestingAndCodeEndTheReadingSafely) {
    // Nested type sections are read by recursion: thousands deep must not
    // exhaust the stack.
    QByteArray deep = "unit U; interface type T0 = class\n";
    for (int level = 1; level < 20000; ++level)
        deep += "type T" + QByteArray::number(level) + " = class\n";
    deep += "procedure Inner; end;";
    const QList<Declaration> nested = ParseUnitDeclarations(deep).declarations;
    ASSERT_FALSE(nested.isEmpty());
    EXPECT_EQ(nested[1].owner, "T0");

    // A program has no `implementation`: its code declares nothing.
    const QList<Declaration> program =
        ParseUnitDeclarations("program P; var Count: Integer; begin Count := 1; end.").declarations;
    EXPECT_EQ(briefs(program), QStringList({"var Count"}));
    // Nor do the bodies an include file holds for the implementation, read
    // in the interface with every branch; what follows them still counts.
    const QList<Declaration> bodies = parse(R"(
const
  Before = 1;
{$IFDEF IMPLEMENTATION_PART}
function Bit(N: Integer): Integer; inline;
begin
  case N of 0: Bit := 1; else begin Bit := 1 shl N; end; end;
  try Bit := Bit; finally end;
end;
{$ENDIF}
{$IFDEF INTERFACE_PART}
const
  After = 2;
{$ENDIF}
)");
    EXPECT_EQ(briefs(bodies), QStringList({"const Before", "function Bit", "const After"}));
    // The same among a class's members.
    const QList<Declaration> members = parse(R"(
type
  TAssert = class
  {$IFDEF read_interface}
    class procedure Check(Value: Boolean);
  {$ENDIF}
  {$IFDEF read_implementation}
    class procedure TAssert.Check(Value: Boolean);
    begin
      if not Value then begin Fail; end;
    end;
  {$ENDIF}
  end;
  TAfter = class end;
)");
    EXPECT_EQ(briefs(members),
              QStringList({"class TAssert", "procedure TAssert.Check [public]", "class TAfter"}));
}

TEST(UnitDeclarations, AGenericTypeIsNotTheSameNameWithoutParameters) {
    const QList<Declaration> all = parse(R"(
type
  THashService = class
    class function Lookup: Pointer; virtual; abstract;
  end;
  THashService<T: class; U> = class(THashService)
    class function Lookup: Pointer; override;
  end;
)");
    EXPECT_EQ(briefs(all),
              QStringList({"class THashService", "function THashService.Lookup [public]",
                           "class THashService", "function THashService.Lookup [public]"}));
    EXPECT_EQ(all[2].overloadKey, "<2>");
    EXPECT_EQ(all[3].parent, 2);
}

// A generated unit of tens of thousands of declarations: its list is held
// until the build has written it, so it keeps little room beyond what it
// holds (a list that doubled could hold nearly as much again).
TEST(UnitDeclarations, AGeneratedUnitsListKeepsLittleSpareRoom) {
    QByteArray unit = "unit Large;\ninterface\n";
    for (int i = 0; i < 17000; ++i)
        unit += "function Get" + QByteArray::number(i) + "(N: Integer): Integer;\n";
    unit += "implementation\nend.\n";
    const QList<Declaration> found = ParseUnitDeclarations(unit, "Large.pas").declarations;
    ASSERT_EQ(found.size(), 17000);
    EXPECT_EQ(found.last().name, "Get16999");
    EXPECT_LE(found.capacity(), found.size() + found.size() / 8);
}
