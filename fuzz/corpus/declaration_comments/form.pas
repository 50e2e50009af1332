{ Keeps the address book. }
unit AddressBook;

{$mode objfpc}{$H+}

interface

uses
  Classes, Forms; // LCL

type

  { TBookForm }

  TBookForm = class(TForm)
    procedure FormCreate(Sender: TObject);
  private
    { Private declarations }
    procedure Load;
  public // Public-Deklarationen
    { Fills the grid.
      Slow on large books. }
    procedure Fill;
    // views
    procedure ShowA;
    procedure ShowB;
    function Count: Integer; virtual; // entries in the book
  end;

/// <summary>Opens a book.</summary>
function OpenBook(const Path: string): TBookForm;

implementation

end.
