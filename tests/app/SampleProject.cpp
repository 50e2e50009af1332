#include "WindowFixture.h"

namespace {
QByteArray padded(QByteArray text, int size) {
    text += "\r\n{";
    while (text.size() < size - 1)
        text += '.';
    return text + "}";
}
} // namespace

SampleProject::SampleProject(const TempDir& temp) {
    projectPath = temp.write("work/app/App.dpr",
                             "program App;\r\n"
                             "\r\n"
                             "uses\r\n"
                             "  Forms,\r\n"
                             "  Main in 'Main.pas' {FormMain},\r\n"
                             "  Helpers in '..\\lib\\Helpers.pas',\r\n"
                             "  Data in '..\\lib\\sub\\DATA.PAS' {DataModule1: TDataModule};\r\n"
                             "\r\n"
                             "{$R *.res}\r\n"
                             "\r\n"
                             "begin\r\nend.\r\n");
    mainUnitPath = temp.write(
        "work/app/Main.pas", padded("unit Main;\r\n\r\ninterface\r\n\r\nuses Forms;\r\n\r\ntype\r\n"
                                    "  TFormMain = class(TForm)\r\n"
                                    "    procedure Button1Click(Sender: TObject);\r\n"
                                    "    function GetCount: Integer;\r\n"
                                    "  end;\r\n\r\n"
                                    "procedure Init(A: Integer;\r\n  B: Integer);\r\n\r\n"
                                    "implementation\r\n\r\n"
                                    "procedure Init(A: Integer; B: Integer);\r\nbegin\r\nend;\r\n"
                                    "\r\nend.\r\n",
                                    1500));
    helpersPath =
        temp.write("work/lib/Helpers.pas",
                   padded("unit Helpers;\r\ninterface\r\n"
                          "function Twice(X: Integer): Integer;\r\n"
                          "implementation\r\n"
                          "function Twice(X: Integer): Integer; begin Result := 2 * X; end;\r\n"
                          "end.\r\n",
                          600));
    temp.write("work/lib/sub/data.pas", "unit Data;\ninterface\nprocedure Connect;\n"
                                        "implementation\nprocedure Connect; begin end;\nend.\n");
}
