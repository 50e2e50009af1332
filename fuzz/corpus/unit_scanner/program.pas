program Demo;
{$mode objfpc}
procedure TForm1.Button1Click(Sender: TObject);
begin
end;
function  Twice (A: array of const { open array } ) :  TArray < string > ;
begin
end;
procedure IFoo.Run = DoRun;
begin end.
