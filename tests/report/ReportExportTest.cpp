// The report as the export writes it: what it shows, in which order, and
// that reading the documentation never changes it.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <sys/resource.h>

#include "report/layout/ReportFile.h"
#include "report/layout/ReportHtml.h"
#include "report/layout/ReportMoment.h"
#include "report/layout/ReportSource.h"
#include "ReportStore.h"
#include "store/testing/SqlFile.h"
#include "store/UserError.h"
#include "tests/support/PrintQt.h"
#include "tests/support/ReadBack.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

using namespace ink;

namespace {

bool documentOpens(const StoreAddress& store, qint32 docNo) {
    ReportSource source(store);
    return source.open(docNo);
}

QString pdfText(const QString& pdfFile) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdfFile, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(10000) || pdftotext.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    // Ligatures ("fi") come out as one character; compare the letters.
    return QString::fromUtf8(pdftotext.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC);
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Every piece appears in `text`, each after the one before.
::testing::AssertionResult appearInOrder(const QString& text, const QStringList& pieces) {
    qsizetype from = 0;
    for (const QString& piece : pieces) {
        const qsizetype at = text.indexOf(piece, from);
        if (at < 0)
            return ::testing::AssertionFailure()
                   << '"' << piece.toStdString() << "\" missing after position " << from << " in:\n"
                   << text.toStdString();
        from = at + piece.size();
    }
    return ::testing::AssertionSuccess();
}

// Lowers this process's file-size limit for its lifetime: a write that would
// pass it fails part way, as on a full disk, with the system's own reason.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN); // fail the write, not the process
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

class ReportExportTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // A document whose units were added out of alphabetical order, with a
    // second document beside it that must stay out of its report.
    qint32 addAccountsDocument(bool withVersionInfo) {
        const qint32 docNo = store.addDocument("ACCOUNTS", {{"DocAuthor", "Ann Author"},
                                                            {"DocCompany", "Quill & Co"},
                                                            {"DocSize", 1536},
                                                            {"DocDate", "2024-03-05 14:07:09"},
                                                            {"IsVerInfo", withVersionInfo},
                                                            {"FileDescr", "Accounts ledger"},
                                                            {"VersionNo", "2.1.0.7"},
                                                            {"ProductName", "Ledger Suite"}});
        const qint64 main =
            store.addUnit(docNo, "Zeta.pas", "frmZeta", "Main form.\r\nOpens the ledger.");
        store.addRoutine(docNo, main, "PROCEDURE", "OpenLedger", "const Path: string", "<None>",
                         "Opens the ledger file.");
        store.addRoutine(docNo, main, "FUNCTION", "Balance", "<None>", "Currency",
                         "Sum of all postings.");
        const qint64 helpers = store.addUnit(docNo, "Alpha.pas", "N/A", "Helpers.");
        store.addRoutine(docNo, helpers, "FUNCTION", "Round2", "Value: Double", "Double",
                         "Rounds to cents.");
        const qint32 other = store.addDocument("OTHER");
        store.addRoutine(other, store.addUnit(other, "Other.pas", "N/A", "Not this one."),
                         "PROCEDURE", "Elsewhere", "<None>", "<None>");
        return docNo;
    }

    // A document whose report is well over 16 KiB in either format.
    qint32 addLongDocument() {
        const qint32 docNo = store.addDocument("LONG");
        // Words that differ, so that the PDF's compressed pages stay large.
        QString words;
        for (int i = 0; i < 8000; ++i)
            words += QStringLiteral("w%1 ").arg((i * 7919) % 100003);
        store.addUnit(docNo, "Long.pas", "N/A", words);
        return docNo;
    }

    TempDir temp;
    ReportStore store{temp.path()};
};

TEST_F(ReportExportTest, PdfShowsTheDocumentItsUnitsAndRoutinesInListOrder) {
    const qint32 docNo = addAccountsDocument(true);
    const QString pdf = temp.filePath("accounts.pdf");
    exportReport(store.address(), docNo, pdf);

    const QString text = pdfText(pdf);
    EXPECT_TRUE(appearInOrder(text, {"ACCOUNTS",
                                     "Ann Author",
                                     "Quill & Co",
                                     "3/5/24 2:07:09 PM",
                                     "1,536 KB",
                                     "Version information",
                                     "Accounts ledger",
                                     "2.1.0.7",
                                     "Ledger Suite",
                                     "Zeta.pas",
                                     "frmZeta",
                                     "Main form.",
                                     "Opens the ledger.",
                                     "procedure OpenLedger(const Path: string);",
                                     "Opens the ledger file.",
                                     "function Balance: Currency;",
                                     "Sum of all postings.",
                                     "Alpha.pas",
                                     "Helpers.",
                                     "function Round2(Value: Double): Double;",
                                     "Rounds to cents."}));
    EXPECT_FALSE(text.contains("Other.pas"));
    EXPECT_FALSE(text.contains("Elsewhere"));
}

TEST_F(ReportExportTest, VersionInformationOnlyWhenTheDocumentAsksForIt) {
    const qint32 docNo = addAccountsDocument(false);
    ReportSource source(store.address());
    ASSERT_TRUE(source.open(docNo));
    const QString html = reportHtml(source);
    EXPECT_FALSE(html.contains("Version Information"));
    EXPECT_FALSE(html.contains("Accounts ledger"));
    EXPECT_TRUE(html.contains("Zeta.pas"));
}

TEST_F(ReportExportTest, HtmlEscapesStoredTextAndKeepsLineBreaks) {
    const qint32 docNo = store.addDocument("<B>ODD & NAME</B>");
    const qint64 unit = store.addUnit(docNo, "Tags.pas", "<None>",
                                      "if a < b && c > d then\r\n  Swap;\r\n<script>x</script>");
    store.addRoutine(docNo, unit, "FUNCTION", "Less", "A, B: Integer", "Boolean",
                     "True when A < B & not equal.");
    const QString html = temp.filePath("tags.html");
    exportReport(store.address(), docNo, html);

    const QString page = fileText(html);
    EXPECT_TRUE(page.contains("&lt;B&gt;ODD &amp; NAME&lt;/B&gt;"));
    EXPECT_TRUE(page.contains("if a &lt; b &amp;&amp; c &gt; d then\n  Swap;\n&lt;script&gt;"));
    EXPECT_TRUE(page.contains("True when A &lt; B &amp; not equal."));
    EXPECT_FALSE(page.contains("<script>"));
    EXPECT_FALSE(page.contains("<B>"));
    EXPECT_FALSE(page.contains('\r'));

    // The laid-out pages (preview and PDF) show the text as typed, line by line.
    const QString pdf = temp.filePath("tags.pdf");
    exportReport(store.address(), docNo, pdf);
    const QStringList lines = pdfText(pdf).split(QRegularExpression("\\s*\n\\s*"));
    EXPECT_TRUE(appearInOrder(lines.join('|'),
                              {"<B>ODD & NAME</B>", "|if a < b && c > d then|Swap;|<script>x"}));
}

// A NUL in stored text (a store another program wrote) is dropped, as the
// source reader drops it: no page or script of either HTML export carries
// one, and the text around it stays.
TEST_F(ReportExportTest, HtmlCarriesNoNulFromStoredText) {
    const qint32 docNo = store.addDocument("NULDOC", {{"DocAuthor", "Ann"}});
    const qint64 unit = store.addUnit(docNo, "Zero.pas", "frmZero", "Unit text");
    store.addRoutine(docNo, unit, "FUNCTION", "Go", "A: Integer", "Boolean", "Routine text");
    runSql(store.databaseFile(),
           "UPDATE DocsLib SET DocName = 'NUL' || char(0) || 'DOC', "
           "DocAuthor = 'An' || char(0) || 'n';"
           "UPDATE UnitsLib SET UnitName = 'Ze' || char(0) || 'ro.pas', "
           "FormName = 'frm' || char(0) || 'Zero', Description = 'Unit' || char(0) || ' text';"
           "UPDATE ProcsLib SET ProcName = 'G' || char(0) || 'o', "
           "ProcParams = 'A: ' || char(0) || 'Integer', ResultType = 'Bool' || char(0) || 'ean', "
           "Description = 'Routine' || char(0) || ' text';");
    const auto bytesOf = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    const QString single = temp.filePath("nul.html");
    exportReport(store.address(), docNo, single);
    const QByteArray page = bytesOf(single);
    EXPECT_FALSE(page.contains('\0'));
    for (const char* kept : {"<h1>NULDOC</h1>", "Ann", "Zero.pas", "frmZero", "Unit text",
                             "function Go(A: Integer): Boolean;", "Routine text"})
        EXPECT_TRUE(page.contains(kept)) << kept;

    const QString site = temp.filePath("nul-site");
    exportReport(store.address(), docNo, site);
    const QStringList files = QDir(site).entryList(QDir::Files);
    EXPECT_TRUE(files.contains("Zero.html")) << files.join(' ').toStdString();
    for (const QString& name : files)
        EXPECT_FALSE(bytesOf(QDir(site).filePath(name)).contains('\0')) << name.toStdString();
    EXPECT_TRUE(bytesOf(QDir(site).filePath("Zero.html")).contains("Routine text"));
    const QByteArray index = bytesOf(QDir(site).filePath("search-index.js"));
    EXPECT_TRUE(index.contains("Routine text"));
    EXPECT_FALSE(index.contains("\\u0000")); // nor escaped, for the script to put in the page
}

TEST_F(ReportExportTest, PdfKeepsCharactersBeyondTheStandardFonts) {
    const qint32 docNo = store.addDocument(QString::fromUtf8("RÉSUMÉ"));
    const qint64 unit = store.addUnit(docNo, "Intl.pas", "N/A",
                                      QString::fromUtf8("Café – Счёт → "
                                                        "Ω total €5"));
    store.addRoutine(docNo, unit, "PROCEDURE", "Go", "<None>", "<None>");
    const QString pdf = temp.filePath("intl.pdf");
    exportReport(store.address(), docNo, pdf);
    EXPECT_TRUE(pdfText(pdf).contains(QString::fromUtf8("Café – Счёт → Ω total €5")))
        << pdfText(pdf).toStdString();
}

TEST_F(ReportExportTest, DatesAndSizesReadAsTheDocumentListShowsThem) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(reportSizeText(1536, us), "1,536 KB");
    EXPECT_EQ(reportSizeText(0, us), "0 KB");
    EXPECT_EQ(reportDateText(QDateTime({2024, 3, 5}, {14, 7, 9}), us), "3/5/24 2:07:09 PM");
    EXPECT_EQ(reportDateText(QDateTime({2024, 3, 5}, {0, 0}), us), "3/5/24");
    EXPECT_EQ(reportDateText(QDateTime(), us), "");

    // A document that was never built has no size and no date to show.
    const qint32 docNo = store.addDocument("BARE");
    ReportSource source(store.address());
    ASSERT_TRUE(source.open(docNo));
    EXPECT_FALSE(source.document().sizeKb);
    EXPECT_FALSE(source.document().modified.isValid());
    EXPECT_TRUE(reportHtml(source).contains("This document has no units."));
    // Its PDF is a title page and contents that say so.
    const QString pdf = temp.filePath("bare.pdf");
    EXPECT_EQ(exportReport(store.address(), docNo, pdf).pages, 2);
    EXPECT_EQ(pdfPageCount(pdf), 2);
    EXPECT_TRUE(appearInOrder(pdfText(pdf), {"BARE", "Page 1 of 2", "Contents",
                                             "This document has no units.", "Page 2 of 2"}));
}

// SOURCE_DATE_EPOCH stands for "now" in every export, so that the same store
// gives the same bytes; a value that is no number of seconds is ignored.
TEST_F(ReportExportTest, SourceDateEpochIsTheMomentEveryExportWasMade) {
    const qint32 docNo = addAccountsDocument(true);
    qputenv("SOURCE_DATE_EPOCH", "1704205629"); // 2024-01-02 14:27:09 UTC
    const QString first = temp.filePath("first.pdf");
    const QString second = temp.filePath("second.pdf");
    exportReport(store.address(), docNo, first);
    exportReport(store.address(), docNo, second);
    const QString site = temp.filePath("site");
    exportReport(store.address(), docNo, site);
    qputenv("SOURCE_DATE_EPOCH", "soon");
    const QDateTime ignored = reportMadeMoment();
    qunsetenv("SOURCE_DATE_EPOCH");

    EXPECT_EQ(fileHash(first), fileHash(second));
    EXPECT_TRUE(fileText(first).contains("/CreationDate (D:20240102142709Z)"));
    EXPECT_TRUE(pdfText(first).contains("1/2/24 2:27:09 PM"));
    EXPECT_TRUE(fileText(site + "/index.html").contains("1/2/24 2:27:09 PM"));
    EXPECT_LE(qAbs(ignored.secsTo(QDateTime::currentDateTime())), 60);
}

// Plain text shows what the other outputs show, in the same order, with
// the routine rows no declaration stands for under their own caption.
TEST_F(ReportExportTest, PlainTextShowsTheUnitsInListOrder) {
    const qint32 docNo = addAccountsDocument(true);
    const QString out = temp.filePath("accounts.TXT");
    EXPECT_EQ(exportReport(store.address(), docNo, out).path, out);
    const QString text = fileText(out);
    EXPECT_TRUE(appearInOrder(
        text,
        {"ACCOUNTS\n========", "Author: Ann Author", "Version information", "File version: 2.1.0.7",
         "Zeta.pas\n--------", "Form: frmZeta", "Main form.\nOpens the ledger.",
         "procedure OpenLedger(const Path: string);", "Opens the ledger file.",
         "function Balance: Currency;", "Alpha.pas", "function Round2(Value: Double): Double;"}));
    EXPECT_FALSE(text.contains("Elsewhere"));
    EXPECT_FALSE(text.contains('\r'));
}

TEST_F(ReportExportTest, NoDocumentMeansNoReport) {
    EXPECT_FALSE(documentOpens(store.address(), 0)); // empty list
    const qint32 docNo = addAccountsDocument(false);
    EXPECT_TRUE(documentOpens(store.address(), docNo));
    EXPECT_FALSE(documentOpens(store.address(), 0));
    EXPECT_FALSE(documentOpens(store.address(), 999));

    const QString pdf = temp.filePath("none.pdf");
    try {
        exportReport(store.address(), 999, pdf);
        FAIL() << "exported a document that does not exist";
    } catch (const UserError& error) {
        EXPECT_EQ(error.message(), "There is no document number 999.");
    }
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(ReportExportTest, ReadingNeverChangesOrCreatesTheDatabase) {
    const qint32 docNo = addAccountsDocument(true);
    const QByteArray before = fileHash(store.databaseFile());
    exportReport(store.address(), docNo, temp.filePath("a.html"));
    EXPECT_EQ(fileHash(store.databaseFile()), before);

    const QString missing = temp.filePath("Elsewhere/Inkwright.sqlite");
    EXPECT_THROW(documentOpens(StoreAddress::local(temp.filePath("Elsewhere")), docNo), UserError);
    EXPECT_FALSE(QFile::exists(missing));

    // A file that is not a documentation database is reported, and left alone.
    const QString foreign = temp.write("Foreign/Inkwright.sqlite", "not a database at all");
    try {
        documentOpens(StoreAddress::local(temp.filePath("Foreign")), docNo);
        FAIL() << "read a foreign file";
    } catch (const UserError& error) {
        EXPECT_TRUE(error.message().contains(foreign)) << error.what();
    }
    EXPECT_EQ(fileText(foreign), "not a database at all");
}

TEST_F(ReportExportTest, FormatFollowsTheExtensionAndFailuresSayWhy) {
    const qint32 docNo = addAccountsDocument(false);
    const QString upper = temp.filePath("REPORT.HTM");
    exportReport(store.address(), docNo, upper);
    EXPECT_TRUE(fileText(upper).startsWith("<!DOCTYPE html>"));

    const QString rich = temp.filePath("report.rtf");
    try {
        exportReport(store.address(), docNo, rich);
        FAIL() << "wrote a format it cannot tell";
    } catch (const UserError& error) {
        EXPECT_TRUE(error.message().contains(".pdf, .html, .htm or .txt")) << error.what();
    }
    EXPECT_FALSE(QFile::exists(rich));

    try {
        exportReport(store.address(), docNo, temp.filePath("no/such") + "/dir/r.pdf");
        FAIL() << "wrote into a folder that does not exist";
    } catch (const UserError& error) {
        EXPECT_TRUE(error.message().startsWith("Cannot write ")) << error.what();
    }
}

TEST_F(ReportExportTest, AFailedWriteSaysWhatTheSystemSaidAndKeepsTheOldFile) {
    const qint32 docNo = addLongDocument();
    const QString html = temp.write("out/report.html", "the earlier report");
    const QString pdf = temp.filePath("out/report.pdf");
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    QStringList messages;
    {
        FileSizeLimit limit(8192);
        for (const QString& file : {html, pdf}) {
            try {
                exportReport(store.address(), docNo, file);
                messages << "no error";
            } catch (const UserError& error) {
                messages << error.message();
            }
        }
    }
    EXPECT_EQ(messages, (QStringList{"Cannot write " + html + ": " + tooLarge,
                                     "Cannot write " + pdf + ": " + tooLarge}));
    EXPECT_EQ(fileText(html), "the earlier report");
    EXPECT_EQ(QDir(temp.filePath("out")).entryList(QDir::Files), QStringList{"report.html"});
}

// The same through the tool on a really full disk: a tiny file system of its
// own, where the system allows one to be made.
TEST_F(ReportExportTest, ToolSaysTheDiskIsFull) {
    const qint32 docNo = addLongDocument();
    const QString mountPoint = temp.filePath("full/");
    QDir().mkpath(mountPoint);
    const QString html = mountPoint + "report.html";
    QProcess shell;
    shell.start("unshare",
                {"-rm", "sh", "-c",
                 "mount -t tmpfs -o size=16k tmpfs \"$1\" || exit 77; shift; exec \"$@\"", "sh",
                 mountPoint, INKWRIGHT_TOOL, "export", QString::number(docNo), "--data",
                 temp.path(), "--out", html});
    ASSERT_TRUE(shell.waitForFinished(20000));
    if (shell.error() == QProcess::FailedToStart || shell.exitCode() == 77)
        GTEST_SKIP() << "no private file system can be mounted here";
    EXPECT_EQ(shell.exitCode(), 1);
    EXPECT_EQ(shell.readAllStandardOutput(), "");
    const QString err = QString::fromUtf8(shell.readAllStandardError());
    EXPECT_TRUE(err.contains("Cannot write " + html + ": No space left on device\n"))
        << err.toStdString();
}

TEST_F(ReportExportTest, ToolExportsWithoutADisplay) {
    const qint32 docNo = addAccountsDocument(true);
    const QString pdf = temp.filePath("tool.pdf");
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    tool.setProcessEnvironment(environment);
    tool.start(INKWRIGHT_TOOL,
               {"export", QString::number(docNo), "--data", temp.path(), "--out", pdf});
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_TRUE(appearInOrder(pdfText(pdf), {"ACCOUNTS", "Zeta.pas", "Alpha.pas"}));

    tool.start(INKWRIGHT_TOOL, {"export", "12x", "--data", temp.path(), "--out", pdf});
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_TRUE(tool.readAllStandardError().contains("usage: inkwright-tool export"));
}

// Blank and separator-only descriptions are no description: the coverage,
// the site's "Described" column, the PDF and the single page agree on every
// row, and a placeholder's own description shows under "declares no ...".
TEST(ReportContent, EveryOutputAgreesWithTheCoverageOnWhatIsDescribed) {
    TempDir temp;
    temp.write("app/A.pas", "unit A;\ninterface\nprocedure Real;\nprocedure Blank;\n"
                            "procedure Stars;\nprocedure Mixed;\nimplementation\nend.\n");
    temp.write("app/E.pas", "unit E;\ninterface\nimplementation\nend.\n");
    const QString project = temp.write(
        "app/P.dpr", "program P;\nuses\n  A in 'A.pas',\n  E in 'E.pas';\nbegin\nend.\n");
    const QString data = temp.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data}).status, 0);
    const QString stars = "\r\n" + QString(72, '*') + "\r\n";
    SqlFile store(QDir(data).filePath("Inkwright.sqlite"));
    store.run("UPDATE ProcsLib SET Description = 'Does it.' WHERE ProcName = 'Real'");
    store.run("UPDATE ProcsLib SET Description = ' \r\n\t ' WHERE ProcName = 'Blank'");
    store.run("UPDATE ProcsLib SET Description = '" + stars + "' WHERE ProcName = 'Stars'");
    store.run("UPDATE ProcsLib SET Description = 'Counts.\r\n----' WHERE ProcName = 'Mixed'");
    store.run("UPDATE UnitsLib SET Description = '" + stars + "' WHERE UnitName = 'A.pas'");
    store.run("UPDATE ProcsLib SET Description = 'Kept for later.' WHERE ProcName = 'N/A' AND "
              "UnitNo = (SELECT UnitNo FROM UnitsLib WHERE UnitName = 'E.pas')");

    const ToolRun coverage = runTool({"coverage", "1", "--data", data});
    EXPECT_EQ(coverage.out, "unit\tdeclarations\tdescribed\tpercent\n"
                            "A.pas\t4\t2\t50.0\nE.pas\t0\t0\t0.0\ntotal\t4\t2\t50.0\n");

    const QString site = temp.filePath("site");
    const QString pdf = temp.filePath("r.pdf");
    const QString page = temp.filePath("r.html");
    for (const QString& out : {site, pdf, page})
        ASSERT_EQ(runTool({"export", "1", "--data", data, "--out", out}).status, 0)
            << out.toStdString();
    EXPECT_TRUE(fileText(site + "/index.html")
                    .contains("A.pas</a></td><td class=\"form\"></td><td class=\"number\">4</td>"
                              "<td class=\"number\">4</td><td class=\"number\">2</td>"));
    const QString siteUnits = fileText(site + "/A.html") + fileText(site + "/E.html");
    // The unit A, Blank and Stars; E has no description of its own.
    for (const QString& text : {siteUnits, pdfText(pdf), fileText(page)}) {
        EXPECT_EQ(text.count("No description."), 4) << text.toStdString();
        EXPECT_FALSE(text.contains("*****"));
        EXPECT_TRUE(appearInOrder(
            text, {"Does it.", "Counts.", "declares no procedures", "Kept for later."}))
            << text.toStdString();
    }

    // A described routine leaves the source: the report still shows it, and
    // the index counts the unit's row as the coverage does.
    temp.write("app/A.pas", "unit A;\ninterface\nprocedure Blank;\nprocedure Stars;\n"
                            "procedure Mixed;\nimplementation\nend.\n");
    ASSERT_EQ(runTool({"refresh", "1", "--data", data}).status, 0);
    EXPECT_TRUE(runTool({"coverage", "1", "--data", data}).out.contains("\nA.pas\t3\t1\t33.3\n"));
    ASSERT_EQ(runTool({"export", "1", "--data", data, "--out", site}).status, 0);
    EXPECT_TRUE(fileText(site + "/index.html")
                    .contains("A.pas</a></td><td class=\"form\"></td><td class=\"number\">3</td>"
                              "<td class=\"number\">3</td><td class=\"number\">1</td>"));
    EXPECT_TRUE(fileText(site + "/A.html").contains("Does it."));
}

} // namespace
