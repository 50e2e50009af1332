// The preview window: paging, and saving or exporting only what the user
// agreed to replace.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>

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

// The text a label had each time it was painted.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QLabel* label) : label_(label) { label->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted.append(label_->text());
        return false;
    }
    QStringList painted;

private:
    QLabel* label_;
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ReportPreviewTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(opened); }

    BuiltDocument built{200};
    ReportSource source{built.address()};
    bool opened = source.open(built.docNo()); // before the layout counts the pages
    ReportLayout layout{source};
    AnsweringDialogs dialogs;
    ReportPreviewWindow window{source, layout, dialogs};
};

TEST_F(ReportPreviewTest, PagesThroughTheLaidOutPages) {
    window.resize(600, 800);
    window.show();
    QApplication::setActiveWindow(&window); // where the keys go
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
    EXPECT_FALSE(QFile::exists(dialogs.folder + "/Ledger.html"));

    dialogs.answer = true;
    window.exportHtml();
    EXPECT_TRUE(contents(dialogs.folder + "/index.html").contains("<h1>BOOKS</h1>"));
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// Everything the preview does can be done from the keyboard: each command
// has its key and its button takes the focus, and the page keys page even
// from the page number box.
TEST_F(ReportPreviewTest, EveryCommandIsReachedFromTheKeyboard) {
    window.resize(600, 800);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_GT(layout.pageCount(), 3);
    const std::pair<const char*, QKeySequence> keys[] = {
        {"FirstPage", QKeySequence(Qt::Key_Home)},
        {"PreviousPage", QKeySequence(Qt::Key_PageUp)},
        {"NextPage", QKeySequence(Qt::Key_PageDown)},
        {"LastPage", QKeySequence(Qt::Key_End)},
        {"Print", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"SaveAsPdf", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"ExportHtml", QKeySequence(Qt::CTRL | Qt::Key_E)},
    };
    auto* tools = window.findChild<QToolBar*>();
    ASSERT_NE(tools, nullptr);
    for (const auto& [name, key] : keys) {
        auto* action = window.findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->shortcut(), key) << name;
        QWidget* button = tools->widgetForAction(action);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus) << name;
    }

    auto* pageBox = window.findChild<QSpinBox*>("PageNumber");
    for (QWidget* focus : {QApplication::focusWidget(), static_cast<QWidget*>(pageBox)}) {
        ASSERT_NE(focus, nullptr);
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_PageDown);
        EXPECT_EQ(window.page(), 2) << focus->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_End);
        EXPECT_EQ(window.page(), layout.pageCount()) << focus->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_PageUp);
        EXPECT_EQ(window.page(), layout.pageCount() - 1) << focus->objectName().toStdString();
        QTest::keyClick(focus, Qt::Key_Home);
        EXPECT_EQ(window.page(), 1) << focus->objectName().toStdString();
    }
    // Typing a number in the box still goes there.
    pageBox->setFocus();
    pageBox->selectAll();
    QTest::keyClicks(pageBox, "3");
    EXPECT_EQ(window.page(), 3);

    dialogs.file = built.temp().filePath("keyed.pdf");
    QTest::keyClick(pageBox, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(pdfPageCount(dialogs.file), layout.pageCount());
    dialogs.folder = built.temp().filePath("keyed-site");
    QTest::keyClick(pageBox, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(dialogs.folder + "/index.html"));
}

// After a file is written the preview says what and where; and the window
// is painted, saying what is being written, before the work starts.
TEST_F(ReportPreviewTest, SaysWhatWasWrittenAndPaintsBeforeWriting) {
    window.resize(600, 800);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* status = window.findChild<QLabel*>("PreviewStatus");
    ASSERT_NE(status, nullptr);
    PaintRecorder recorder(status);

    dialogs.file = built.temp().filePath("told.pdf");
    window.saveAsPdf();
    const QString pdf = QDir::toNativeSeparators(dialogs.file);
    EXPECT_TRUE(recorder.painted.contains("Writing " + pdf + "..."))
        << recorder.painted.join(" | ").toStdString();
    EXPECT_EQ(window.statusText(),
              QStringLiteral("Saved %1 pages as %2.").arg(layout.pageCount()).arg(pdf));

    recorder.painted.clear();
    dialogs.folder = built.temp().filePath("told-site");
    window.exportHtml();
    const QString site = QDir::toNativeSeparators(dialogs.folder);
    EXPECT_TRUE(recorder.painted.contains("Exporting to " + site + "..."))
        << recorder.painted.join(" | ").toStdString();
    EXPECT_EQ(window.statusText(),
              "Exported the site to " + site + "; its first page is index.html.");

    // A failure is never left saying the work is under way or done.
    dialogs.file = built.temp().write("plain", "x") + "/under/a/file.pdf";
    window.saveAsPdf();
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(window.statusText(), "Nothing was saved.");
}

// The preview opens on its first page before the pages are counted; the
// user pages on as pages are laid out while the window says how far the
// layout is; once complete it gives the total and draws the page on screen
// again, now with it.
TEST(ReportPreviewLayingOut, ShowsTheFirstPagesWhileTheRestIsLaidOut) {
    BuiltDocument built{200};
    ReportSource source{built.address()};
    ASSERT_TRUE(source.open(built.docNo()));
    const int pages = ReportLayout(source).pageCount();
    AnsweringDialogs dialogs;
    const auto pageImage = [](ReportPreviewWindow& window) {
        return window.findChild<QWidget*>("PageView")->grab().toImage();
    };

    ReportLayout layout(source, ReportLayout::Deferred::Counting);
    ReportPreviewWindow window(source, layout, dialogs);
    window.setLayoutSlice(0); // a unit a slice
    window.resize(600, 800);
    auto* total = window.findChild<QLabel*>("PageCount");
    ASSERT_NE(total, nullptr);
    EXPECT_FALSE(layout.isComplete());
    EXPECT_EQ(window.page(), 1);
    EXPECT_EQ(total->text().trimmed(), "of 2 so far");
    EXPECT_EQ(window.statusText(), "Laying out the report: 0 of 3 units, 2 pages so far...");
    pageImage(window); // drawn, and kept until the page changes

    QStringList totals{total->text().trimmed()};
    for (int slices = 0; !layout.isComplete(); ++slices) {
        ASSERT_LT(slices, 1000) << "the layout never completes";
        QCoreApplication::processEvents();
        if (totals.last() != total->text().trimmed())
            totals.append(total->text().trimmed());
        if (layout.isComplete())
            break;
        // Every page laid out so far can be shown.
        window.findChild<QAction*>("LastPage")->trigger();
        EXPECT_EQ(window.page(), layout.pageCount());
        pageImage(window);
        EXPECT_TRUE(
            window.statusText().startsWith("Laying out the report: ") &&
            window.statusText().contains(QStringLiteral("%1 pages so far").arg(layout.pageCount())))
            << window.statusText().toStdString();
    }
    EXPECT_GE(totals.size(), 3) << totals.join(" | ").toStdString();
    EXPECT_EQ(totals.last(), QStringLiteral("of %1").arg(pages));
    EXPECT_EQ(layout.pageCount(), pages);
    EXPECT_EQ(window.statusText(), QString());

    // The page on screen was drawn again, its footer now with the total.
    ReportLayout counted(source);
    ReportPreviewWindow settled(source, counted, dialogs);
    settled.resize(600, 800);
    settled.go(window.page());
    EXPECT_EQ(pageImage(window), pageImage(settled));
}

// Printing and saving need every page: the rest is laid out first.
TEST(ReportPreviewLayingOut, SavingBeforeTheLayoutIsCompleteSavesEveryPage) {
    BuiltDocument built{200};
    ReportSource source{built.address()};
    ASSERT_TRUE(source.open(built.docNo()));
    const int pages = ReportLayout(source).pageCount();
    ReportLayout layout(source, ReportLayout::Deferred::Counting);
    AnsweringDialogs dialogs;
    ReportPreviewWindow window(source, layout, dialogs);
    dialogs.file = built.temp().filePath("early.pdf");
    window.saveAsPdf();
    EXPECT_TRUE(layout.isComplete());
    EXPECT_EQ(pdfPageCount(dialogs.file), pages);
    EXPECT_EQ(window.statusText(), QStringLiteral("Saved %1 pages as %2.")
                                       .arg(pages)
                                       .arg(QDir::toNativeSeparators(dialogs.file)));
    EXPECT_EQ(window.findChild<QLabel*>("PageCount")->text().trimmed(),
              QStringLiteral("of %1").arg(pages));
}

} // namespace
