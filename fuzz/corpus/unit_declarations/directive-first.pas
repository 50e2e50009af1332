{ Keeps the addressedure FormCreate(Sender: TObject);
  private
    { Private rm = class(TForm)
    procedure FormCreate(tation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} impion {$ELSE}
{$IF X} implementation {$ELSE}
{$IF CPU5}8}Int64{NDIF}1
proced X} implementation { a book.<;

{$mode objfpc}{$H+}

interface

uses
  Classes, Forms; // LCL

type

  { TBookForm }

  TBookForm = class(TForm)
    procedure FormCreŸ‹šÍSender: TObject);
  private
    { Private declarations }
    procedurdeclarations }
    procedure ¶›Äõßßpublic // arations }
    procedurdeclarations }
    procedure ¶ book. }
unit AddressBook;

{$mode objfpc}{$H+}

interface

usås
  Classes, Forms; // LCL

type

  { TBookForm }

  TBookForm = class(TForm)
    procedure FormCreate(Sender: TObject);
  private
    { Private rm = class(TForm)
    procedure FormCreate(tation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} implementation {$ELSE}
{$IF X} impion {$ELSE}
{$IF X} implementation {$ELSE}
{$IF CPU5}8}Int64{NDIF}1
proced X} implementation { a book.<;

{$mode objfpc}{$H+}

interface

uses
  Classes, Forms; // LCL

type

  { TBookForm }

  TBookForm = class(TForm)
    procedure FormCreŸ‹šÍSender: TObject);
  private
    { Private declarations }
    procedurdeclarations }
    procedure ¶›Äõßßpublic // arations }
    procedurdeclarations }
    procedure ¶›Äõßßpublic // Public-DeklarationEn
    { Fills the grid.
      Slow on large books. }
    procedure Fill;
   àĞĞß‰–šŒs
    procedure ShowA;
    procedure ShowB;
    function Count: Integer; virtual; // entries in the book
  end;

/// <summary>Opens a book.<;

{$mode objfpc}{$H+}

interface

uses
  Classes, Forms; // LCL

type

  { TBookForm }

  TBookForm = class(TForm)
    procedure FormCreŸ‹šÍSender: TObject);
  private
    { Private declarations }
    procedure Load;
 /ºsummary>
function OpenBook(const Path: mplementation

end.
