#include "scan/PascalLexer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace ink;

namespace {
// Every token as "kind:text", white space left out.
std::vector<std::string> Lex(QByteArrayView source) {
    static const char* const kinds[] = {"end", "id", "num", "str", "sym", "com", "dir"};
    PascalLexer lexer(source);
    std::vector<std::string> tokens;
    for (Token token = lexer.next(); token.kind != TokenKind::End; token = lexer.next())
        tokens.push_back(std::string(kinds[int(token.kind)]) + ":" +
                         lexer.text(token).toByteArray().toStdString());
    return tokens;
}
using Tokens = std::vector<std::string>;
} // namespace

TEST(PascalLexer, KnowsTheThreeCommentFormsAndDirectives) {
    EXPECT_EQ(Lex("a{ b }c(* d *)e// f\ng"),
              (Tokens{"id:a", "com:{ b }", "id:c", "com:(* d *)", "id:e", "com:// f", "id:g"}));
    EXPECT_EQ(Lex("{$IFDEF X}(*$R+*)"), (Tokens{"dir:{$IFDEF X}", "dir:(*$R+*)"}));
    // Comments do not nest, and one form does not end another.
    EXPECT_EQ(Lex("{ (* }x*)"), (Tokens{"com:{ (* }", "id:x", "sym:*", "sym:)"}));
    EXPECT_EQ(Lex("(* { *) y"), (Tokens{"com:(* { *)", "id:y"}));
    // "(*)" opens a comment; its star does not close it again.
    EXPECT_EQ(Lex("(*) procedure *) z"), (Tokens{"com:(*) procedure *)", "id:z"}));
}

TEST(PascalLexer, ReadsStringLiteralsWithDoubledQuotesAndCharacterCodes) {
    EXPECT_EQ(Lex("'it''s {not} a comment' x"), (Tokens{"str:'it''s {not} a comment'", "id:x"}));
    EXPECT_EQ(Lex("'a'#13#10'b'#$41 c"), (Tokens{"str:'a'#13#10'b'#$41", "id:c"}));
    EXPECT_EQ(Lex("''''"), (Tokens{"str:''''"}));
    // A string never spans lines: an unclosed quote ends with its line.
    EXPECT_EQ(Lex("'open\nprocedure"), (Tokens{"str:'open", "id:procedure"}));
    EXPECT_EQ(PascalLexer::stringValue("'it''s'#32'x'#$41", SourceEncoding::Utf8), "it's xA");
}

TEST(PascalLexer, ReadsIdentifiersNumbersAndSymbols) {
    EXPECT_EQ(Lex("Vcl.Forms:=1..$FF;x1.5e3"),
              (Tokens{"id:Vcl", "sym:.", "id:Forms", "sym::", "sym:=", "num:1", "sym:.", "sym:.",
                      "num:$FF", "sym:;", "id:x1", "sym:.", "num:5e3"}));
    // Bytes above 0x7F are letters, so names in any encoding stay whole.
    EXPECT_EQ(Lex("\xC3\x9C"
                  "ber_1 \xE9t\xE9"),
              (Tokens{"id:\xC3\x9C"
                      "ber_1",
                      "id:\xE9t\xE9"}));
}

TEST(PascalLexer, RunsUnclosedCommentsToTheEnd) {
    EXPECT_EQ(Lex("a { never closed"), (Tokens{"id:a", "com:{ never closed"}));
    EXPECT_EQ(Lex("a (* never"), (Tokens{"id:a", "com:(* never"}));
    EXPECT_EQ(Lex("a {$IFDEF"), (Tokens{"id:a", "dir:{$IFDEF"}));
}

TEST(PascalLexer, MatchesWordsIgnoringCaseAndWholeOnly) {
    PascalLexer lexer("PROCEDURE StoredProcedure procedures");
    const Token first = lexer.next();
    const Token second = lexer.next();
    const Token third = lexer.next();
    EXPECT_TRUE(lexer.isWord(first, "procedure"));
    EXPECT_FALSE(lexer.isWord(second, "procedure"));
    EXPECT_FALSE(lexer.isWord(third, "procedure"));
}

TEST(PascalLexer, ConsumesEveryByteOfAnyInput) {
    // Every byte value and the tricky openers at the very end of the input.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    for (const QByteArray& source :
         {all, QByteArray("#"), QByteArray("#$"), QByteArray("("), QByteArray("'"), QByteArray("{"),
          QByteArray("/"), QByteArray("1e"), QByteArray("$"), QByteArray(3, '\0')}) {
        PascalLexer lexer(source);
        qsizetype last = -1;
        for (Token token = lexer.next(); token.kind != TokenKind::End; token = lexer.next()) {
            ASSERT_GT(token.end, token.begin);
            ASSERT_GT(token.begin, last);
            last = token.begin;
        }
    }
}
