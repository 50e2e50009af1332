unit Shapes;

{ The shapes. }
interface

uses Classes, SysUtils;

type
  TColorKind = (ckRed, ckGreen);
  TColors = set of TColorKind;
  TNotify = procedure(Sender: TObject) of object;
  TCallback = function(X: Integer): Boolean; stdcall;
  PShape = ^TShape;
  TShapeClass = class of TShape;
  TForward = class;

  [ComponentPlatforms(1)]
  TShape = class(TPersistent, IInterface)
  private
    FArea: Double;
    FName, FTitle: string;
    class var FCount: Integer;
  strict protected
    procedure SetArea(const Value: Double); virtual;
  public
    type
      TInner = record
        X, Y: Integer;
      end;
    const Sides = 4;
    constructor Create(AOwner: TComponent); overload;
    constructor Create(const AName: string; ASides: Integer = 3); overload;
    destructor Destroy; override;
    function Area: Double; virtual; abstract;
    class function Count: Integer; static;
    procedure Old; deprecated 'Use New';
    [Weak] property Area2: Double read FArea write SetArea;
    property Items[Index: Integer]: string read GetItem; default;
    class operator Implicit(A: TShape): Integer;
    class operator Implicit(A: TShape): string;
    procedure WMPaint(var Msg: TMessage); message WM_PAINT;
    function Find<T>(const Key: T): T;
  published
    property OnClick: TNotify read FOnClick;
  end;

  TList<T> = class(TObject)
    procedure Add(const Item: T);
  end;

  TPoint = packed record
    case Kind: Integer of
      0: (X, Y: Integer);
      1: (V: array[0..1] of Integer);
  end;

  IShape = interface(IInterface)
    ['{00000000-0000-0000-0000-000000000000}']
    function GetArea: Double;
    procedure IShape.Foo = Bar;
    property Area: Double read GetArea;
  end;

  TShapeHelper = class helper for TShape
    function Perimeter: Double;
  end;

  TOld = object(TBase)
    Field: Integer;
  end;

  EShape = class(Exception);

const
  MaxShapes = 10;
  Origin: TPoint = (X: 0; Y: 0);
  OldConst = 5 deprecated;

resourcestring
  SNoShape = 'No shape';

var
  DefaultShape: TShape;
  A, B: Integer;

threadvar
  Current: TShape;

procedure Register;
function MakeShape(const Name: string; Sides: Integer): TShape; overload;
function MakeShape(Sides: Integer): TShape; overload; platform;
{$IFDEF FPC}
procedure Fpc(X: Int64);
{$ELSE}
procedure Fpc(X: Integer);
{$ENDIF}
var Cond: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF};

implementation
procedure Hidden;
end.
