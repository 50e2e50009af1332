unit Unit1;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs, StdCtrls;

type
  TNotify = procedure(Sender: TObject) of object;
  TFunc = function(X: Integer): Integer;
  TRef = reference to function: Boolean;

  TForm1 = class(TForm)
    Button1: TButton;
    FStoredProcedure: TStoredProc;
    procedure Button1Click(Sender: TObject);
    function GetCount: Integer;
    function Max(A, B: Integer) : Integer; overload;
    function Max(A, B: Double): Double; overload;
    class procedure Register; static;
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    property Count: Integer read GetCount;
  public type
    TInner = class
      function MoveNext: Boolean;
    end;
  end;

{ this procedure is not a declaration }
// nor is this function
procedure Init(A: Integer;
  B: Integer);
function Find<T: class>(const Items: TArray<T>): T;
function GetSize: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF};
procedure Put(const S: string = 'it''s (* not *) a comment'#13#10);

var
  Form1: TForm1;

implementation

{$R *.dfm}

procedure TForm1.Button1Click(Sender: TObject);
begin
end;

end.
