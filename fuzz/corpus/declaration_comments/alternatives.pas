unit S;
interface
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
procedure {$IF A}{$ELSE}
x;
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
{$ENDIF}
