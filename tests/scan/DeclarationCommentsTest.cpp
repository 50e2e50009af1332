// Comments on declarations read as descriptions: PasDoc and XMLDoc styles,
// a comment after a declaration, and the licence that describes nothing.
#include "scan/DeclarationComments.h"
#include "support/PrintQt.h"

#include <gtest/gtest.h>

using namespace ink;

TEST(DeclarationComments, PasDocAndXmlDocCommentsAboveDeclarations) {
    const DeclarationComments found =
        ParseDeclarationComments("{ Copyright (c) 2020 Someone. Licensed under the MPL. }\n"
                                 "{ Streams with a buffer. }\n"
                                 "unit Buffers;\ninterface\n"
                                 "type\n  TBuffer = class\n"
                                 "    { Fills the buffer.\n      Raises on a short read. }\n"
                                 "    procedure Fill(Count: Integer);\n"
                                 "    /// <summary>Empties it.</summary>\n"
                                 "    /// <param name=\"Hard\">Also frees.</param>\n"
                                 "    class procedure Clear(Hard: Boolean);\n"
                                 "    function Size: Integer; virtual; // in bytes\n"
                                 "  end;\n"
                                 "(* Not above anything. *)\n\n"
                                 "procedure Loose;\n"
                                 "implementation\n"
                                 "{ An implementation comment. }\nprocedure Hidden;\nend.\n");
    EXPECT_EQ(found.unit, "Streams with a buffer.");
    EXPECT_EQ(found.routines.value("fill"), "Fills the buffer.\nRaises on a short read.");
    EXPECT_EQ(found.routines.value("clear"), "Empties it.\nAlso frees.");
    EXPECT_EQ(found.routines.value("size"), "in bytes");
    EXPECT_FALSE(found.routines.contains("loose")); // a blank line parts it from the comment
    EXPECT_FALSE(found.routines.contains("hidden"));
}

TEST(DeclarationComments, ALicenceIsNoUnitDescription) {
    EXPECT_EQ(ParseDeclarationComments("{ This file is free software; see the GNU GPL. }\n"
                                       "unit X;\ninterface\nimplementation\nend.\n")
                  .unit,
              "");
    EXPECT_EQ(ParseDeclarationComments("// Helpers for dates.\n\n"
                                       "unit X;\ninterface\nimplementation\nend.\n")
                  .unit,
              "Helpers for dates.");
}

TEST(DeclarationComments, AreReadInTheRealInterfaceAfterAStubOne) {
    const DeclarationComments found =
        ParseDeclarationComments("unit Regs;\n{$ifdef NODEBUG}\ninterface\nimplementation\nend.\n"
                                 "{$else}\ninterface\n{ Opens the window. }\nprocedure Open;\n"
                                 "implementation\n{ A body. }\nprocedure Body;\nend.\n{$endif}\n");
    EXPECT_EQ(found.routines.value("open"), "Opens the window.");
    EXPECT_FALSE(found.routines.contains("body"));
}
