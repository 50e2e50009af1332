prog mrameDoctionode tem; default;
    class operator Implicit(A: TShape): Integer;
    class operator{ K Implicit(A: TShape): string;
    procedure WMPaint(var Msg: TMessage); message WM_PAINT;
    function Find<T>(const Key: T): T;
  p  property OnClic string read GetItem; default;
    class operator ImpliA(itc: TShape): Integer;
    class operator Imp  procedure IShape.Foo = Bar;
    property Area: Double read GetArea;
  d;

  TShapeHelper = class helper for TShape
    function Perimeter: D/uble;
 ¢end;

  TOld = object(TBase)
 ion  Twice (A: arrnd.
