// What reading crafted input costs, counted in instructions (valgrind's
// count, the same on any machine however busy), never timed: an option
// file with thousands of search paths and a unit that overloads one name
// thousands of times. Each doubling of the input must add about as much
// work as the doubling before it; a reader that compares each path or
// overload with every earlier one adds twice as much again.
#include <functional>
#include <gtest/gtest.h>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

// The instructions one run of the tool executes, or -1.
qint64 instructions(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("valgrind"),
                  QStringList{"--tool=cachegrind", "--cache-sim=no",
                              "--cachegrind-out-file=/dev/null", toolPath()} +
                      arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        return -1;
    static const QRegularExpression refs(QStringLiteral("I\\s+refs:\\s+([\\d,]+)"));
    const QRegularExpressionMatch match =
        refs.match(QString::fromUtf8(process.readAllStandardError()));
    return match.hasMatch() ? match.captured(1).remove(',').toLongLong() : -1;
}

// The work the second doubling of `size` adds over the first's: about 2
// when the cost grows in proportion, about 4 when it grows with the square.
double growth(int size, const std::function<QStringList(int)>& run) {
    const qint64 single = instructions(run(size));
    const qint64 twice = instructions(run(2 * size));
    const qint64 fourfold = instructions(run(4 * size));
    if (single < 0 || twice < 0 || fourfold < 0)
        return -1;
    return double(fourfold - twice) / double(twice - single);
}

// valgrind cannot run a program built with AddressSanitizer, whose
// shadow memory it does not know.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SanitizedBuild = true;
#else
constexpr bool SanitizedBuild = false;
#endif
#else
constexpr bool SanitizedBuild = false;
#endif

class ReadingCost : public ::testing::Test {
protected:
    void SetUp() override {
        if (SanitizedBuild)
            GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
        if (QStandardPaths::findExecutable(QStringLiteral("valgrind")).isEmpty())
            GTEST_SKIP() << "valgrind counts the instructions; it is not installed";
    }
    TempDir temp;
};

} // namespace

TEST_F(ReadingCost, AProjectsSearchPathsCostInProportionToTheirNumber) {
    const double ratio = growth(1000, [this](int paths) {
        QString list;
        for (int i = 0; i < paths; ++i)
            list += QStringLiteral("dir%1;").arg(i);
        const QString folder = QStringLiteral("p%1/").arg(paths);
        temp.write(folder + "p.lpr", "program p;\nuses A;\nbegin\nend.\n");
        return QStringList{
            "units",
            temp.write(folder + "p.lpi",
                       "<?xml version=\"1.0\"?>\n<CONFIG><ProjectOptions><Units><Unit>"
                       "<Filename Value=\"p.lpr\"/><IsPartOfProject Value=\"True\"/></Unit>"
                       "</Units></ProjectOptions><CompilerOptions><SearchPaths>"
                       "<OtherUnitFiles Value=\"" +
                           list.toUtf8() + "\"/><IncludeFiles Value=\"" + list.toUtf8() +
                           "\"/></SearchPaths></CompilerOptions></CONFIG>\n"),
            "--where"};
    });
    ASSERT_GT(ratio, 0);
    EXPECT_LT(ratio, 3.0);
}

TEST_F(ReadingCost, OverloadsOfOneNameCostInProportionToTheirNumber) {
    const double ratio = growth(1000, [this](int overloads) {
        QByteArray unit = "unit O;\ninterface\n";
        for (int i = 0; i < overloads; ++i)
            unit += "procedure P(a: T" + QByteArray::number(i) + "); overload;\n";
        unit += "implementation\nend.\n";
        return QStringList{"declarations",
                           temp.write(QStringLiteral("O%1.pas").arg(overloads), unit)};
    });
    ASSERT_GT(ratio, 0);
    EXPECT_LT(ratio, 3.0);
}
