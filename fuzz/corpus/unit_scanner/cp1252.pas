unit Win;
interface
function Café(const Über: string): Boolean; stdcall;
(* implementation *)
procedure Last; { unterminated