// "Save as PDF" in the real report library's preview, driven as a user
// would: the file dialog, the question about an existing file, and the file
// left alone when the answer is no.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QLibrary>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "report/LeafpressEntry.h"
#include "ReportStore.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "tests/support/PrintQt.h"
#include "tests/support/TempDir.h"

using namespace ink;

namespace {

template <typename T> T* visibleTopLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

QDialog* visiblePreview() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("ReportPreview") && widget->isVisible())
            return qobject_cast<QDialog*>(widget);
    return nullptr;
}

// Answers the preview's dialogs one step per tick, never blocking in a tick.
struct PreviewUser {
    QString typedName;     // what the user types in the save dialog
    QStringList questions; // every question box's text
    bool saveStarted = false;
    bool nameTyped = false;
    int idleTicks = 0; // ticks since the name was typed with only the preview up

    void tick() {
        if (auto* box = visibleTopLevel<QMessageBox>()) {
            if (questions.isEmpty() || questions.last() != box->text())
                questions << box->text();
            QMetaObject::invokeMethod(box->button(QMessageBox::No), &QPushButton::click,
                                      Qt::QueuedConnection);
        } else if (auto* files = visibleTopLevel<QFileDialog>()) {
            // Typed into the name field, as a user does (selectFile() leaves
            // a field that has the focus alone).
            if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(typedName);
            if (!nameTyped && files->selectedFiles() == QStringList{typedName}) {
                nameTyped = true;
                QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
            }
        } else if (auto* preview = visiblePreview()) {
            if (!saveStarted) {
                saveStarted = true;
                QMetaObject::invokeMethod(preview->findChild<QAction*>("SaveAsPdf"),
                                          &QAction::trigger, Qt::QueuedConnection);
            } else if (nameTyped && (!questions.isEmpty() || ++idleTicks > 25)) {
                QMetaObject::invokeMethod(preview, &QDialog::reject, Qt::QueuedConnection);
            }
        }
    }
};

class PreviewSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The library finds the store through the user's own alias
        // configuration; the test gives it a home of its own.
        qputenv("HOME", temp.filePath("home").toLocal8Bit());
        AliasRegistry registry(AliasRegistry::defaultConfigPath());
        ASSERT_TRUE(registry.configPath().startsWith(temp.path()));
        const QString data = dataDirectoryFor(temp.path());
        createDataDirectory(data);
        EnsureDatabaseAlias(registry, QString::fromLatin1(TDM1::AliasName), data, true);
        store = std::make_unique<ReportStore>(data);
        docNo = store->addDocument("LEDGER");
    }
    void TearDown() override { qputenv("HOME", home); }

    // Runs a preview through the library while `user` answers its dialogs.
    void preview(PreviewUser& user) {
        QLibrary leafpress(QStringLiteral(LEAFPRESS_LIBRARY));
        ASSERT_TRUE(leafpress.load()) << leafpress.errorString().toStdString();
        auto loadReport = reinterpret_cast<LoadReportFunction>(leafpress.resolve("LoadReport"));
        ASSERT_NE(loadReport, nullptr);
        QTimer ticks;
        const QDeadlineTimer deadline(20000);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (!deadline.hasExpired())
                return user.tick();
            if (QWidget* modal = QApplication::activeModalWidget())
                QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
        });
        ticks.start(20);
        loadReport(docNo);
        ticks.stop();
        leafpress.unload();
    }

    const QByteArray home = qgetenv("HOME");
    TempDir temp;
    std::unique_ptr<ReportStore> store;
    qint32 docNo = 0;
};

} // namespace

TEST_F(PreviewSaveTest, ANameWithoutTheExtensionAsksBeforeReplacingThePdf) {
    const QString existing = temp.write("out/report.pdf", "an older report");
    PreviewUser user;
    user.typedName = temp.filePath("out/report");
    preview(user);

    ASSERT_TRUE(user.saveStarted && user.nameTyped);
    ASSERT_EQ(user.questions.size(), 1);
    EXPECT_TRUE(user.questions[0].contains(existing)) << user.questions[0].toStdString();
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "an older report");
}
