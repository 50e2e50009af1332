unit C;
{$IF A} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
interface
procedure P;
implementation
end.
