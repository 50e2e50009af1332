// The version strings of real Windows executables made by
// scripts/make-verinfo-fixtures, read through TFormMisc as the capture does.
#include "components/FormMisc.h"
#include "components/VersionResource.h"

#include <gtest/gtest.h>
#include <map>
#include <QCoreApplication>
#include <QFile>
#include <QMetaProperty>
#include <QSystemTrayIcon>

using namespace ink;

using ink::TFormMisc;

namespace {

QString Fixture(const char* name) {
    return QStringLiteral(INKWRIGHT_SOURCE_DIR "/tests/fixtures/verinfo/") + name;
}

using Strings = std::map<QString, QString>;

Strings ReadStrings(const QString& path) {
    TFormMisc misc;
    misc.setFileName(path);
    Strings strings;
    for (const auto& [key, value] : misc.versionStrings())
        strings[key] = value;
    return strings;
}

bool AllEmpty(const Strings& strings) {
    return std::all_of(strings.begin(), strings.end(),
                       [](const auto& entry) { return entry.second.isEmpty(); });
}

const Strings kStandardStrings = {
    {"CompanyName", "Quill & Sons Ltd"},
    {"FileDescription", "Inventory keeper"},
    {"FileVersion", "2.5.0.117"},
    {"InternalName", "keeper"},
    {"LegalCopyright", QString::fromUtf8("\u00a9 2024 Quill & Sons Ltd")},
    {"LegalTradeMarks", "Quill is a trademark of Quill & Sons"},
    {"OriginalFilename", "keeper.exe"},
    {"ProductName", "Quill Inventory"},
    {"ProductVersion", "2.5"},
    {"Comments", "Built for the fixtures"},
};

} // namespace

TEST(VersionInfoFiles, ReadsTheTenStringsOfPe32PlusPe32AndLibraries) {
    for (const char* name : {"app-040904E4.exe", "app-040904E4-pe32.exe", "library-040904E4.dll"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadStrings(Fixture(name)), kStandardStrings);
    }
}

TEST(VersionInfoFiles, KeysComeInTheirFixedOrderAndFillTheirProperties) {
    TFormMisc misc;
    misc.setFileName(Fixture("app-040904E4.exe"));
    QStringList keys;
    for (const auto& entry : misc.versionStrings())
        keys << entry.first;
    EXPECT_EQ(keys, QStringList({"CompanyName", "FileDescription", "FileVersion", "InternalName",
                                 "LegalCopyright", "LegalTradeMarks", "OriginalFilename",
                                 "ProductName", "ProductVersion", "Comments"}));
    EXPECT_EQ(misc.legalTradeMark(), "Quill is a trademark of Quill & Sons");
    EXPECT_EQ(misc.originalFileName(), "keeper.exe");
    EXPECT_EQ(misc.comments(), "Built for the fixtures");
    EXPECT_EQ(misc.applicationEXEName(), Fixture("app-040904E4.exe"));
}

TEST(VersionInfoFiles, ATableForAnotherLanguageIsReadWhenUsEnglishIsMissing) {
    EXPECT_EQ(ReadStrings(Fixture("app-040904B0-only.exe")), kStandardStrings);
}

TEST(VersionInfoFiles, UsEnglishWinsOverATableStoredBeforeIt) {
    EXPECT_EQ(ReadStrings(Fixture("app-two-tables.exe")), kStandardStrings);
}

TEST(VersionInfoFiles, LegalTrademarksIsFoundWhateverItsCase) {
    EXPECT_EQ(ReadStrings(Fixture("app-legaltrademarks.exe"))["LegalTradeMarks"],
              "Quill is a trademark of Quill & Sons");
}

TEST(VersionInfoFiles, ALongFileVersionComesWhole) {
    EXPECT_EQ(ReadStrings(Fixture("app-long-fileversion.exe"))["FileVersion"],
              "2.5.0.117 (release, 2024-11-05)");
}

TEST(VersionInfoFiles, FilesWithoutVersionInformationGiveEmptyStrings) {
    for (const QString& path :
         {Fixture("app-no-version.exe"), Fixture("app-no-resources.exe"),
          Fixture("no-such-file.exe"), Fixture(""), QCoreApplication::applicationFilePath()}) {
        SCOPED_TRACE(path.toStdString());
        const Strings strings = ReadStrings(path);
        EXPECT_EQ(strings.size(), 10u);
        EXPECT_TRUE(AllEmpty(strings));
    }
}

TEST(VersionInfoFiles, CutAndDamagedFilesGiveEmptyStrings) {
    for (const char* name :
         {"cut-in-dos-header.exe", "cut-in-pe-header.exe", "cut-in-resource-tree.exe",
          "cut-in-version-block.exe", "damaged-pe-offset.exe", "damaged-section-count.exe",
          "damaged-resource-loop.exe", "damaged-entry-counts.exe", "damaged-data-size.exe",
          "damaged-data-address.exe", "damaged-block-length.exe"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(QFile::exists(Fixture(name)));
        EXPECT_TRUE(AllEmpty(ReadStrings(Fixture(name))));
    }
}

TEST(VersionInfoFiles, ADamagedStringEndsTheTableButKeepsTheStringsBeforeIt) {
    const Strings strings = ReadStrings(Fixture("damaged-node-length.exe"));
    EXPECT_EQ(strings.at("CompanyName"), "Quill & Sons Ltd");
    EXPECT_EQ(strings.at("FileDescription"), "Inventory keeper");
    EXPECT_EQ(strings.at("FileVersion"), "");
    EXPECT_EQ(strings.at("Comments"), "");
}

TEST(VersionInfoFiles, ImagesInMemoryGiveTheSameBlockAsFiles) {
    QFile file(Fixture("app-040904E4-pe32.exe"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray block = ink::VersionResourceOfImage(file.readAll());
    EXPECT_FALSE(block.isEmpty());
    EXPECT_EQ(block, ink::ReadVersionResource(file.fileName()));
}

TEST(FormMisc, ReadingAnotherFileReplacesEveryString) {
    TFormMisc misc;
    misc.setFileName(Fixture("app-040904E4.exe"));
    ASSERT_EQ(misc.companyName(), "Quill & Sons Ltd");
    // Written through the property system, as a stored form would.
    misc.setProperty("FileName", Fixture("app-no-version.exe"));
    EXPECT_EQ(misc.applicationEXEName(), Fixture("app-no-version.exe"));
    EXPECT_EQ(misc.companyName(), "");
    EXPECT_EQ(misc.fileVersion(), "");
}

TEST(FormMisc, StartsWithTheRunningProgramAndItsPropertiesInStoredOrder) {
    TFormMisc misc;
    EXPECT_EQ(misc.fileName(), QCoreApplication::applicationFilePath());
    EXPECT_EQ(misc.applicationEXEName(), misc.fileName());
    EXPECT_FALSE(misc.showIconOnTaskBar());

    QStringList names;
    const QMetaObject* meta = misc.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        names << meta->property(i).name();
    EXPECT_EQ(names, QStringList({"CompanyName", "FileDescription", "FileVersion", "InternalName",
                                  "LegalCopyright", "LegalTradeMark", "OriginalFileName",
                                  "ProductName", "ProductVersion", "Comments", "ApplicationEXEName",
                                  "TaskBarHint", "ShowIconOnTaskBar", "FileName"}));
}

TEST(FormMisc, TheIconTipIsCutTo63CharactersAndTheIconCanBeRemoved) {
    TFormMisc misc;
    misc.setTaskBarHint(QString(80, u'h'));
    misc.setShowIconOnTaskBar(true); // no tray here: nothing is shown, nothing fails
    EXPECT_TRUE(misc.showIconOnTaskBar());
    auto* icon = misc.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->toolTip(), QString(63, u'h'));

    misc.setShowIconOnTaskBar(false);
    EXPECT_FALSE(misc.showIconOnTaskBar());
    EXPECT_FALSE(icon->isVisible());
}
