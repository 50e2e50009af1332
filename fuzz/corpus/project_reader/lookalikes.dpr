program Causes; { uses Fake; } // uses Fake2;
const S = 'uses Fake3;'#13#10;
USES Houses in 'Houses.pas' {frmUses}, Misuses;
begin end.
