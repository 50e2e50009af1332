#include "docs/UserDefaults.h"
#include "store/UserError.h"
#include "support/OddFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

using namespace ink;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(UserDefaults, AMissingFileSectionOrKeyReadsEmptyAndCreatesNothing) {
    TempDir dir;
    const QString settings = settingsFilePath(dir.path());
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), "");
    EXPECT_FALSE(QFile::exists(settings));

    dir.write("Settings.ini", "[Other]\nAuthor=Someone else\n[Information]\nCompany=Quill\n");
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), "");
    EXPECT_EQ(readDefault(settings, kDefaultCompanyKey), "Quill");
}

TEST(UserDefaults, WrittenValuesReadBackWhateverTheKeysCase) {
    TempDir dir;
    const QString settings = settingsFilePath(dir.path());
    writeDefault(settings, kDefaultAuthorKey, QString::fromUtf8("Zoë Ångström"));
    writeDefault(settings, kDefaultCompanyKey, "");
    EXPECT_EQ(readDefault(settings, "AUTHOR"), QString::fromUtf8("Zoë Ångström"));
    EXPECT_EQ(readDefault(settings, kDefaultCompanyKey), "");
    EXPECT_EQ(ReadAll(settings),
              QString::fromUtf8("[Information]\nAuthor=Zoë Ångström\nCompany=\n").toUtf8());
}

TEST(UserDefaults, AWriteKeepsOtherSectionsKeysCommentsAndLineEnds) {
    TempDir dir;
    const QString settings = dir.write("Settings.ini", "; written by hand\r\n"
                                                       "\r\n"
                                                       "[Window]\r\n"
                                                       "Left=10\r\n"
                                                       "; the last author\r\n"
                                                       "[information]\r\n"
                                                       "author=Old Name\r\n"
                                                       "Company=Quill\r\n"
                                                       "; keep this too\r\n");
    writeDefault(settings, kDefaultAuthorKey, "New Name");

    QByteArray text = ReadAll(settings);
    for (const char* line : {"; written by hand\r\n", "[Window]\r\nLeft=10\r\n",
                             "; the last author\r\n[information]\r\n", "author=New Name\r\n",
                             "Company=Quill\r\n", "; keep this too\r\n"}) {
        EXPECT_TRUE(text.contains(line)) << line << "\nin\n" << text.toStdString();
    }
    EXPECT_FALSE(text.contains("Old Name"));
    EXPECT_EQ(text.count("; keep this too"), 1);
    EXPECT_FALSE(text.replace("\r\n", "").contains('\n'));
}

TEST(UserDefaults, AFileOfCommentsOnlyKeepsEachCommentOnce) {
    TempDir dir;
    const QString settings = dir.write("Settings.ini", "; first\n; second\n\n; third\n");
    writeDefault(settings, kDefaultCompanyKey, "Quill");
    const QByteArray text = ReadAll(settings);
    for (const char* comment : {"; first\n; second\n", "; third\n"})
        EXPECT_EQ(text.count(comment), 1) << text.toStdString();
    EXPECT_EQ(readDefault(settings, kDefaultCompanyKey), "Quill");
}

TEST(UserDefaults, ARefusedWriteNamesTheFullPathAndChangesNothing) {
    TempDir dir;
    // Permissions do not stop root, so make the folder impossible instead: a
    // settings file whose folder is a regular file.
    dir.write("not-a-folder", "x");
    const QString impossible = settingsFilePath(dir.filePath("not-a-folder"));
    try {
        writeDefault(impossible, kDefaultAuthorKey, "Anyone");
        FAIL() << "the write should have been refused";
    } catch (const UserError& error) {
        EXPECT_EQ(error.message(), "Unable to write to " + QDir::toNativeSeparators(impossible));
    }

    // A settings "file" that is a folder is not replaced.
    const QString folder = settingsFilePath(dir.filePath("app"));
    QDir().mkpath(folder);
    EXPECT_THROW(writeDefault(folder, kDefaultAuthorKey, "Anyone"), UserError);
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(UserDefaults, ReadingStopsAt2047CharactersButTheFileKeepsTheWholeValue) {
    TempDir dir;
    const QString settings = settingsFilePath(dir.path());
    writeDefault(settings, kDefaultAuthorKey, QString(3000, u'a'));
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), QString(2047, u'a'));
    EXPECT_TRUE(ReadAll(settings).contains(QByteArray(3000, 'a')));
}

TEST(UserDefaults, OlderFilesInWindows1252ReadAndSurviveAWrite) {
    TempDir dir;
    const QString settings = dir.write("Settings.ini", "[Information]\nAuthor=Jos\xe9 Pe\xf1"
                                                       "a\n");
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), QString::fromUtf8("José Peña"));
    writeDefault(settings, kDefaultCompanyKey, "Quill");
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), QString::fromUtf8("José Peña"));
}

TEST(UserDefaults, ALineBreakInAValueCannotAddAKey) {
    TempDir dir;
    const QString settings = settingsFilePath(dir.path());
    writeDefault(settings, kDefaultAuthorKey, "Ann\nCompany=Injected");
    EXPECT_EQ(readDefault(settings, kDefaultCompanyKey), "");
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), "Ann Company=Injected");
}

TEST(UserDefaults, TheProgramsFileLiesBesideItWhateverTheCurrentFolder) {
    TempDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString settings = programSettingsFilePath();
    QDir::setCurrent(previous);
    EXPECT_EQ(settings, QCoreApplication::applicationDirPath() + "/Settings.ini");
}

TEST(UserDefaults, AWriteChangesOneLineAndKeepsEveryOtherByte) {
    TempDir dir;
    // Another section in Windows-1252, two equal keys, lines without "=",
    // blanks around "=", a quoted value, and comments.
    const QByteArray before = "; settings\r\n"
                              "[Window]\r\n"
                              "Title=Caf\xe9 cr\xe8me\r\n"
                              "Title=second\r\n"
                              "not a key line\r\n"
                              "  Left = 10 \r\n"
                              "\r\n"
                              "[Information]\r\n"
                              "Author = \"Old Name\"\r\n"
                              "Author=Shadow\r\n"
                              "Note without equals\r\n"
                              "; about the next section\r\n"
                              "[Other]\r\n"
                              "K=\xfc\r\n";
    const QString settings = dir.write("Settings.ini", before);
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), "Old Name"); // the first, unquoted

    writeDefault(settings, kDefaultAuthorKey, "New");
    QByteArray expected = before;
    expected.replace("Author = \"Old Name\"", "Author = New");
    EXPECT_EQ(ReadAll(settings), expected);

    writeDefault(settings, kDefaultCompanyKey, QString::fromUtf8("Zoë & Co"));
    expected.replace("Note without equals\r\n",
                     QString::fromUtf8("Note without equals\r\nCompany=Zoë & Co\r\n").toUtf8());
    EXPECT_EQ(ReadAll(settings), expected);
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), "New");
    EXPECT_EQ(readDefault(settings, kDefaultCompanyKey), QString::fromUtf8("Zoë & Co"));
}

TEST(UserDefaults, AMissingSectionIsAddedAtTheEndAndQuotesAreDropped) {
    TempDir dir;
    const QString settings = dir.write("Settings.ini", "[Window]\nLeft=10");
    writeDefault(settings, kDefaultAuthorKey, "Ann");
    EXPECT_EQ(ReadAll(settings), "[Window]\nLeft=10\n[Information]\nAuthor=Ann\n");

    dir.write("Settings.ini", "[Information]\nAuthor=\"  Ann Lee \"\nCompany='Quill'\n"
                              "[information]\nAuthor=Later section\n");
    EXPECT_EQ(readDefault(settings, kDefaultAuthorKey), "  Ann Lee ");
    EXPECT_EQ(readDefault(settings, kDefaultCompanyKey), "Quill");
}

TEST(UserDefaults, APipeInPlaceOfTheSettingsIsNoFile) {
    TempDir temp;
    const QString pipe = MakeFifo(temp.filePath("Settings.ini"));
    EXPECT_TRUE(ReturnsWithin(std::chrono::seconds(5), {pipe}, [&] {
        EXPECT_EQ(readDefault(pipe, kDefaultAuthorKey), "");
        EXPECT_THROW(writeDefault(pipe, kDefaultAuthorKey, "Name"), UserError);
    }));
}
