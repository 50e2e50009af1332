unit C;
interface
{$DEFINE X := 3}{$IF defined(FPC) and (FPC_FULLVERSION >= 30000) or not declared(Y)}
procedure A(X: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF});
{$ELSEIF X > 2}procedure B;{$ELSE}implementation{$IFEND}
{$IFOPT R+}{$R-,Q+}{$ENDIF}{$mode objfpc}{$UNDEF A}{$IFNDEF A}function F: Integer;{$ENDIF}
implementation
end.
