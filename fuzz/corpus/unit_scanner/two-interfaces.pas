unit A;
{$ifdef X}
interface
implementation
end.
{$else}
interface
{$ifdef Y}procedure P;{$endif}
implementation
{$else}interface function F: Integer;{$endif}
