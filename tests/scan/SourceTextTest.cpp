#include "scan/SourceText.h"
#include "support/OddFiles.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>
#include <unistd.h>

using namespace ink;

TEST(SourceText, DecodesValidUtf8AndDropsItsByteOrderMark) {
    EXPECT_EQ(DecodeSourceText("\xEF\xBB\xBFunit Caf\xC3\xA9;"), QString::fromUtf8("unit Café;"));
    EXPECT_EQ(DecodeSourceText("unit Caf\xC3\xA9;"), QString::fromUtf8("unit Café;"));
    EXPECT_EQ(ClassifySourceBytes("\xEF\xBB\xBF").bytes.size(), 0);
}

TEST(SourceText, FallsBackToWindows1252WhenNotUtf8) {
    // é, the euro sign and curly quotes as an older Delphi editor saved them
    EXPECT_EQ(DecodeSourceText("Caf\xE9 \x80 \x93\x94"), QString::fromUtf8("Café € “”"));
    // The bytes the code page leaves undefined keep their value.
    EXPECT_EQ(DecodeSourceText("\x81\x8D\x8F\x90\x9D"),
              QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    // One bad sequence is enough to read the whole file as Windows-1252.
    EXPECT_EQ(ClassifySourceBytes("\xC3\xA9 \xC3").encoding, SourceEncoding::Windows1252);
    // A byte-order mark before bytes that are not UTF-8 is dropped all the same.
    EXPECT_EQ(DecodeSourceText("\xEF\xBB\xBF\xE9"), QString::fromUtf8("é"));
}

TEST(SourceText, DropsOnlyTheFilesOwnByteOrderMark) {
    // A second mark is text (a zero-width no-break space), also at the start of a piece.
    EXPECT_EQ(DecodeSourceText("\xEF\xBB\xBF\xEF\xBB\xBFx"), QString(QChar(0xFEFF)) + "x");
    EXPECT_EQ(DecodeSourceBytes("\xEF\xBB\xBFx", SourceEncoding::Utf8),
              QString(QChar(0xFEFF)) + "x");
}

TEST(SourceText, DropsNulCharactersInEitherEncoding) {
    using namespace Qt::StringLiterals;
    EXPECT_EQ(DecodeSourceText("{ Sums\0 up. }"_ba), "{ Sums up. }");
    EXPECT_EQ(DecodeSourceText("\0Caf\xE9\0"_ba), QString::fromUtf8("Café"));
    EXPECT_EQ(DecodeSourceBytes("\0\0"_ba, SourceEncoding::Utf8), "");
}

TEST(SourceText, DecodesPiecesLikeTheWhole) {
    const QByteArray bytes = "procedure \xC3\x9C"
                             "bersicht;";
    const SourceBytes source = ClassifySourceBytes(bytes);
    EXPECT_EQ(DecodeSourceBytes(source.bytes.sliced(10, 10), source.encoding),
              QString::fromUtf8("Übersicht"));
}

TEST(SourceText, ReadsFilesUpToALimit) {
    TempDir dir;
    const QString path = dir.write("Unit1.pas", "0123456789");
    bool truncated = true;
    EXPECT_EQ(ReadSourceBytes(path, 100, &truncated), QByteArray("0123456789"));
    EXPECT_FALSE(truncated);
    EXPECT_EQ(ReadSourceBytes(path, 4, &truncated), QByteArray("0123"));
    EXPECT_TRUE(truncated);
    EXPECT_EQ(ReadSourceBytes(dir.write("Empty.pas", ""), 100), QByteArray());
}

TEST(SourceText, ReportsFilesThatCannotBeRead) {
    TempDir dir;
    EXPECT_FALSE(ReadSourceBytes(dir.filePath("Missing.pas"), 100));
    EXPECT_FALSE(ReadSourceBytes(dir.path(), 100));
    EXPECT_FALSE(ReadSourceBytes(QString(), 100));
}

// Why a file could not be read, for what is there: nothing said of a file
// that is not.
TEST(SourceText, SaysWhyAFileThatIsThereCouldNotBeRead) {
    TempDir dir;
    const auto failure = [](const QString& path) {
        QString why = QStringLiteral("(not asked)");
        EXPECT_FALSE(ReadSourceBytes(path, 100, nullptr, &why)) << path.toStdString();
        return why;
    };
    EXPECT_EQ(failure(dir.filePath("Missing.pas")), "");
    EXPECT_EQ(failure(dir.filePath("Missing/Unit1.pas")), "");
    EXPECT_EQ(failure(QString()), "");
    EXPECT_EQ(failure(dir.path()), "it is a folder");
    EXPECT_EQ(failure(MakeFifo(dir.filePath("Pipe.pas"))), "it is a named pipe");
    EXPECT_EQ(failure("/dev/null"), "it is a device");
    QString why = QStringLiteral("(not asked)");
    EXPECT_TRUE(ReadSourceBytes(dir.write("Unit1.pas", "unit Unit1;"), 100, nullptr, &why));
    EXPECT_EQ(why, "");
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads a file without permission; the tool's tests run without";
    const QString closed = dir.write("Closed.pas", "unit Closed;");
    QFile::setPermissions(closed, QFileDevice::WriteOwner);
    EXPECT_EQ(failure(closed), "permission denied");
}

TEST(SourceText, ReadsOnlyRegularFilesAndNeverWaits) {
    using namespace std::chrono_literals;
    TempDir dir;
    const QString fifo = MakeFifo(dir.filePath("Pipe.pas"));
    const QString fifoLink = dir.filePath("PipeLink.pas");
    ASSERT_TRUE(QFile::link(fifo, fifoLink));
    const QString linked = dir.filePath("Link.pas");
    ASSERT_TRUE(QFile::link(dir.write("Unit1.pas", "unit Unit1;"), linked));

    std::optional<QByteArray> fromFifo, fromFifoLink, fromDevice, fromLink;
    EXPECT_TRUE(ReturnsWithin(5s, {fifo}, [&] {
        fromFifo = ReadSourceBytes(fifo, 100);
        fromFifoLink = ReadSourceBytes(fifoLink, 100);
        fromDevice = ReadSourceBytes("/dev/zero", 100);
        fromLink = ReadSourceBytes(linked, 100);
    }));
    EXPECT_FALSE(fromFifo);
    EXPECT_FALSE(fromFifoLink);
    EXPECT_FALSE(fromDevice);
    EXPECT_EQ(fromLink, QByteArray("unit Unit1;")); // a link is followed to its file
}
