// The preview window: paging, and saving or exporting only what the user
// agreed to replace.
#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTest>

#include "BuiltDocument.h"
#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportSource.h"
#include "report/preview/ReportPreview.h"
#include "tests/support/PrintQt.h"

using namespace ink;

namespace {

class AnsweringDialogs : public PreviewDialogs {
public:
    QString saveFileName(QWidget*, const QString& suggested) override {
        suggestions.append(suggested);
        return file;
    }
    QString folderName(QWidget*) override { return folder; }
    bool confirm(QWidget*, const QString& text) override {
        questions.append(text);
        return answer;
    }
    void error(QWidget*, const QString& text) override { errors.append(text); }

    QString file;
    QString folder;
    bool answer = false;
    QStringList suggestions;
    QStringList questions;
    QStringList errors;
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ReportPreviewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(opened); }

    BuiltDocument built{200};
    ReportSource source{built.databaseFile()};
    bool opened = source.open(built.docNo()); // before the layout counts the pages
    ReportLayout layout{source};
    AnsweringDialogs dialogs;
    ReportPreviewWindow window{source, layout, dialogs};
};

TEST_F(ReportPreviewTest, PagesThroughTheLaidOutPages) {
    window.resize(600, 800);
    window.show();
    auto* total = window.findChild<QLabel*>("PageCount");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->text().trimmed(), QStringLiteral("of %1").arg(layout.pageCount()));
    EXPECT_EQ(window.page(), 1);
    window.findChild<QAction*>("NextPage")->trigger();
    EXPECT_EQ(window.page(), 2);
    QTest::keyClick(&window, Qt::Key_End);
    EXPECT_EQ(window.page(), layout.pageCount());
    EXPECT_EQ(window.findChild<QSpinBox*>("PageNumber")->value(), layout.pageCount());
    window.findChild<QAction*>("NextPage")->trigger(); // past the end stays at the end
    EXPECT_EQ(window.page(), layout.pageCount());
    ASSERT_GT(layout.pageCount(), 4) << layout.pageCount();
    window.findChild<QSpinBox*>("PageNumber")->setValue(3);
    EXPECT_EQ(window.page(), 3);
    // The page on screen is drawn, not blank.
    const QImage shown = window.grab().toImage();
    EXPECT_GT(shown.width(), 0);
    EXPECT_NE(window.findChild<QAction*>("ExportHtml"), nullptr);
}

TEST_F(ReportPreviewTest, SaveAsPdfReplacesAFileOnlyWhenTheUserAgrees) {
    dialogs.file = built.temp().write("kept", "an older report"); // ".pdf" is added
    const QString target = dialogs.file + ".pdf";
    QFile::copy(dialogs.file, target);

    dialogs.answer = false;
    window.saveAsPdf();
    EXPECT_EQ(dialogs.suggestions, QStringList{"BOOKS.pdf"});
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].contains("already exists"))
        << dialogs.questions[0].toStdString();
    EXPECT_EQ(contents(target), "an older report");

    dialogs.answer = true;
    window.saveAsPdf();
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(pdfPageCount(target), layout.pageCount());
    EXPECT_TRUE(dialogs.errors.isEmpty());

    // A new file is written without a question.
    dialogs.file = built.temp().filePath("fresh.pdf");
    window.saveAsPdf();
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(pdfPageCount(dialogs.file), layout.pageCount());

    // A file that cannot be written is said so, not passed over.
    dialogs.file = built.temp().write("plain", "x") + "/under/a/file.pdf";
    window.saveAsPdf();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot write")) << dialogs.errors[0].toStdString();
}

TEST_F(ReportPreviewTest, ExportHtmlAsksBeforeWritingIntoAFolderThatHoldsFiles) {
    dialogs.folder = built.temp().filePath("empty");
    QDir().mkpath(dialogs.folder);
    window.exportHtml();
    EXPECT_TRUE(dialogs.questions.isEmpty());
    EXPECT_TRUE(QFile::exists(dialogs.folder + "/index.html"));

    dialogs.folder = built.temp().filePath("busy");
    built.temp().write("busy/index.html", "someone else's page");
    dialogs.answer = false;
    window.exportHtml();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(contents(dialogs.folder + "/index.html"), "someone else's page");
    EXPECT_FALSE(QFile::exists(dialogs.folder + "/unit-0001.html"));

    dialogs.answer = true;
    window.exportHtml();
    EXPECT_TRUE(contents(dialogs.folder + "/index.html").contains("<h1>BOOKS</h1>"));
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

} // namespace
