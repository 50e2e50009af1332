program Viewer;

{$mode objfpc}{$H+}

uses
  {$IFDEF UNIX}{$IFDEF UseCThreads}
  cthreads,
  {$ENDIF}{$ENDIF}
  Interfaces, // this includes the LCL widgetset
  Forms, (* main form *) MainUnit in 'src/MainUnit.pas' {MainForm},
  Vcl.Styles, Tools in '..\Common\Tools.pas' {Frame1: TFrame}, It in 'It''s.pas';

{$R *.res}

begin
  RequireDerivedFormResource := True;
  Application.Run;
end.
