// scripts/check-sizes on small trees of its own: each way a brace can fool a
// counter (a string, a comment, a raw string, a lambda) is planted beside a
// function that is really too long or really short enough.
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QStringList>

namespace {

struct SizeRun {
    int status = -1;
    QStringList lines;
};

SizeRun checkSizes(const QString& root) {
    QProcess process;
    process.start(QStringLiteral(INKWRIGHT_SOURCE_DIR "/scripts/check-sizes"), {root});
    process.waitForFinished(60000);
    const QString out =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            out.split('\n', Qt::SkipEmptyParts)};
}

QByteArray repeated(const QByteArray& line, int count) {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

// A function whose body, braces included, spans bodyLines lines.
QByteArray function(const QByteArray& header, int bodyLines, const QByteArray& filler) {
    return header + " {\n" + repeated(filler, bodyLines - 2) + "}\n";
}

} // namespace

TEST(CheckSizes, FileOfSevenHundredLinesPassesAndOneMoreFails) {
    TempDir dir;
    dir.write("store/Fits.cpp", repeated("int x;\n", 700));
    dir.write("tests/store/Ignored.cpp", repeated("int x;\n", 900));
    const SizeRun fits = checkSizes(dir.path());
    EXPECT_EQ(fits.status, 0) << qPrintable(fits.lines.join('\n'));

    dir.write("report/layout/Over.h", repeated("int x;\n", 701));
    const SizeRun over = checkSizes(dir.path());
    EXPECT_EQ(over.status, 1);
    ASSERT_EQ(over.lines.size(), 1) << qPrintable(over.lines.join('\n'));
    EXPECT_TRUE(over.lines[0].startsWith("report/layout/Over.h: 701 lines"))
        << qPrintable(over.lines[0]);
}

TEST(CheckSizes, FindsLongFunctionsAndMembersWithTheLambdasInside) {
    TempDir dir;
    const QByteArray lambda = "    auto each = [&](int v) {\n" +
                              repeated("        v += 1;\n", 116) +
                              "    };\n"; // 118 lines, which pushes the function past 120
    dir.write("scan/Long.cpp",
              function("int Fits(int a)", 120, "    a += 1;\n") + //
                  function("int TooLong(int a)", 121, "    a += 1;\n") + "void Outer() {\n" +
                  lambda + "    each(1);\n}\n" + "struct Box {\n    int size() const {\n" +
                  repeated("        x += 1;\n", 120) + "    }\n};\n" + //
                  "Widget::Widget(QObject* parent) : QObject(parent), rows_{1, 2} {\n" +
                  repeated("    x += 1;\n", 121) + "}\n");
    const SizeRun run = checkSizes(dir.path());
    EXPECT_EQ(run.status, 1);
    const QStringList expected = {
        "scan/Long.cpp:121: TooLong is 121 lines",
        "scan/Long.cpp:242: Outer is 121 lines",
        "scan/Long.cpp:364: size is 122 lines",
        "scan/Long.cpp:487: Widget::Widget is 123 lines",
    };
    ASSERT_EQ(run.lines.size(), expected.size()) << qPrintable(run.lines.join('\n'));
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(run.lines[i].startsWith(expected[i])) << qPrintable(run.lines[i]);
}

TEST(CheckSizes, BracesInLiteralsCommentsAndDataAreNotCounted) {
    TempDir dir;
    // Each body fits; a counter fooled by one of these opening braces would
    // run a function on to the end and miss the long one there.
    const QByteArray body = repeated("    x += 1;\n", 60);
    QByteArray code = //
        "const char* Open = \"{\";\n"
        "char Brace() {\n    return '{';\n" +
        body + "}\n" + //
        "void Commented() {\n    // {\n    /* { */\n" + body + "}\n" +
        "const char* Script = R\"js(a = \"{\"; if (b) {)js\";\n" + "#define OPEN {\n" + //
        "int Separated() {\n    return 1'000 + '{';\n" + body + "}\n" +                 //
        "const int Table[] = {\n" + repeated("    1,\n", 200) + "};\n" +
        "QString Escaped() {\n    return \"\\\"{\";\n" + body + "}\n";
    const int lastLine = int(code.count('\n')) + 1;
    code += function("int Last()", 121, "    x += 1;\n");
    dir.write("app/Literals.cpp", code);
    const SizeRun run = checkSizes(dir.path());
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 1) << qPrintable(run.lines.join('\n'));
    EXPECT_TRUE(run.lines[0].startsWith(
        QStringLiteral("app/Literals.cpp:%1: Last is 121 lines").arg(lastLine)))
        << qPrintable(run.lines[0]);
}

// The program's own tree keeps the limits, so that a newcomer can read each
// file and each function whole.
TEST(CheckSizes, TheProgramsOwnTreeKeepsTheLimits) {
    const SizeRun tree = checkSizes(QStringLiteral(INKWRIGHT_SOURCE_DIR));
    EXPECT_EQ(tree.status, 0) << qPrintable(tree.lines.join('\n'));
}
