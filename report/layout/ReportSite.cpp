#include "ReportSite.h"

#include <filesystem>
#include <memory>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QTemporaryDir>

#include "ReportHtml.h"
#include "ReportSource.h"
#include "store/UserError.h"
#include "WriteAll.h"

namespace ink {

namespace {

// Finds units and routines by their names and by the words of their
// descriptions, as the user types; the index is a script beside the pages,
// so the search works from the disk, without a server.
const char* const SearchScript = R"((function () {
  "use strict";
  var input = document.getElementById("search");
  var list = document.getElementById("results");
  if (!input || !list || !window.inkwrightIndex) return;
  var entries = window.inkwrightIndex.entries.map(function (e) {
    return { kind: e[0], name: e[1], page: e[2], anchor: e[3], text: e[4],
             unit: window.inkwrightIndex.units[e[5]],
             hay: (e[1] + " " + e[4]).toLowerCase() };
  });
  function show() {
    var words = input.value.toLowerCase().split(/\s+/).filter(Boolean);
    list.textContent = "";
    if (!words.length) return;
    var found = 0;
    for (var i = 0; i < entries.length && found < 50; i++) {
      var e = entries[i];
      if (!words.every(function (w) { return e.hay.indexOf(w) >= 0; })) continue;
      var item = document.createElement("li");
      var link = document.createElement("a");
      link.href = e.page + (e.anchor ? "#" + e.anchor : "");
      link.textContent = e.kind === 0 ? e.name : e.name + " \u2014 " + e.unit;
      var note = document.createElement("small");
      note.textContent = e.text || (e.kind === 0 ? "Unit" : window.inkwrightIndex.none);
      link.appendChild(note);
      item.appendChild(link);
      list.appendChild(item);
      found++;
    }
    if (!found) {
      var none = document.createElement("li");
      none.className = "none";
      none.textContent = "Nothing found.";
      list.appendChild(none);
    }
  }
  input.addEventListener("input", show);
  input.addEventListener("keydown", function (event) {
    if (event.key === "Escape") { input.value = ""; show(); }
  });
}());
)";

QString unitPageName(int position) {
    return QStringLiteral("unit-%1.html").arg(position + 1, 4, 10, QChar('0'));
}

QString pageStart(const QString& title, const QString& documentName) {
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<meta name=\"generator\" content=\"Inkwright\">\n"
               "<title>%1</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n"
               "<script src=\"search-index.js\" defer></script>\n"
               "<script src=\"search.js\" defer></script>\n</head>\n<body>\n"
               "<header class=\"site\"><a href=\"index.html\">%2</a>\n"
               "<div class=\"search\" role=\"search\"><input id=\"search\" "
               "type=\"search\" placeholder=\"Search units and routines\" "
               "aria-label=\"Search units and routines\" autocomplete=\"off\">"
               "<ol id=\"results\" aria-live=\"polite\"></ol></div></header>\n<main>\n")
        .arg(htmlText(title), htmlText(documentName));
}

const QString PageEnd = QStringLiteral("</main>\n</body>\n</html>\n");

struct SiteFolders {
    QDir target;  // where the site goes
    QDir staging; // where it is put together first
};

// One file of the site, written into the folder where the new site is put
// together; messages name it where it is going. The pages are written
// straight (a site has thousands, and making each durable on its own would
// cost a disk flush apiece).
class SiteFile {
public:
    SiteFile(const SiteFolders& folders, const QString& name)
        : path_(folders.staging.filePath(name)), shownPath_(folders.target.filePath(name)),
          device_(std::make_unique<QFile>(path_)) {
        // Unbuffered: a failed write is met by the call that made it, with
        // the system's reason. Each page is written in one piece.
        if (!device_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            fail();
    }
    void write(const QString& text) { write(text.toUtf8()); }
    void write(const QByteArray& bytes) {
        if (!writeAll(*device_, bytes))
            fail();
    }
    void commit() {
        if (!device_->flush() || device_->error() != QFileDevice::NoError)
            fail();
        device_->close();
    }

private:
    [[noreturn]] void fail() {
        throw UserError(QStringLiteral("Cannot write %1: %2")
                            .arg(QDir::toNativeSeparators(shownPath_), device_->errorString()));
    }
    QString path_;
    QString shownPath_;
    std::unique_ptr<QFile> device_;
};

// Moves the finished site from its staging folder into the target folder.
// Renames within one file system need no room, so a full disk cannot stop
// them half way; the old index goes first and the new one comes last, so
// that at any moment a site whose index is there was written to its end.
// Files of other names in the folder stay as they are.
void moveIntoPlace(const SiteFolders& folders, QStringList names) {
    const QString index = QStringLiteral("index.html");
    names.removeAll(index);
    names.append(index);
    const QString oldIndex = folders.target.filePath(index);
    if (QFileInfo::exists(oldIndex) && !QFile::remove(oldIndex))
        throw UserError(QStringLiteral("Cannot replace %1: it cannot be removed.")
                            .arg(QDir::toNativeSeparators(oldIndex)));
    for (const QString& name : names) {
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(folders.staging.filePath(name)).toStdString(),
                                QFile::encodeName(folders.target.filePath(name)).toStdString(),
                                error);
        if (error)
            throw UserError(QStringLiteral("Cannot write %1: %2")
                                .arg(QDir::toNativeSeparators(folders.target.filePath(name)),
                                     QString::fromLocal8Bit(error.message())));
    }
}

// A unit's row of the index, counted as the coverage counts it.
struct UnitSummary {
    QString name;
    QString form;
    int routines = 0;
    int described = 0;
};

QByteArray json(const QJsonValue& value) {
    if (value.isString()) // a bare string, as JSON writes it
        return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    return {};
}

// The search script's index: an entry per unit and routine, written as the
// units go by; only the unit list waits for the end.
class SearchIndex {
public:
    explicit SearchIndex(const SiteFolders& folders)
        : file_(folders, QStringLiteral("search-index.js")) {
        file_.write(QByteArray("window.inkwrightIndex = {\"entries\": [\n"));
    }
    void add(int kind, const QString& name, const QString& page, const QString& anchor,
             const QString& text, int unit) {
        entries_ += first_ ? "[" : ",\n[";
        first_ = false;
        entries_ += QByteArray::number(kind) + ',' + json(name) + ',' + json(page) + ',' +
                    json(anchor) + ',' + json(text.simplified()) + ',' + QByteArray::number(unit) +
                    ']';
        if (entries_.size() >= (1 << 18)) { // written in large pieces
            file_.write(entries_);
            entries_.clear();
        }
    }
    void finish(const QList<UnitSummary>& units) {
        QJsonArray names;
        for (const UnitSummary& unit : units)
            names.append(unit.name);
        file_.write(entries_);
        file_.write(QByteArray("\n], \"none\": ") + json(QString::fromLatin1(NoDescriptionText)) +
                    ", \"units\": " + QJsonDocument(names).toJson(QJsonDocument::Compact) + "};\n");
        file_.commit();
    }

private:
    SiteFile file_;
    QByteArray entries_;
    bool first_ = true;
};

UnitSummary writeUnitPage(const SiteFolders& folders, const QString& documentName, int position,
                          const ReportUnit& unit, SearchIndex& index) {
    const QString pageName = unitPageName(position);
    index.add(0, unit.name, pageName, {}, unit.described() ? unit.description : QString(),
              position);
    QSet<QString> taken;
    const QStringList anchors = routineAnchors(unit, {}, taken);
    for (qsizetype i = 0; i < unit.routines.size(); ++i) {
        const ReportRoutine& routine = unit.routines[i];
        index.add(1, routine.name, pageName, anchors[i],
                  routine.described() ? routine.description : QString(), position);
    }
    QString html = pageStart(unit.name + QStringLiteral(" - ") + documentName, documentName);
    html += QStringLiteral("<h1>%1</h1>\n").arg(htmlText(unit.name));
    html += htmlUnitHead(unit);
    html += QStringLiteral("<h2>Routines</h2>\n");
    html += htmlUnitRoutines(unit, anchors);
    html += PageEnd;
    SiteFile file(folders, pageName);
    file.write(html);
    file.commit();
    return {unit.name, unit.form, unit.countedRoutines, unit.describedRoutines};
}

QString unitTable(const QList<UnitSummary>& units) {
    if (units.isEmpty())
        return htmlNone(QString::fromLatin1(NoUnitsText));
    QString html = QStringLiteral("<div class=\"table\"><table class=\"units\">\n<thead><tr><th "
                                  "scope=\"col\">Unit</th><th scope=\"col\" "
                                  "class=\"form\">Form</th><th scope=\"col\">Routines</th><th "
                                  "scope=\"col\">Described</th></tr>"
                                  "</thead>\n<tbody>\n");
    for (int i = 0; i < units.size(); ++i) {
        const UnitSummary& unit = units[i];
        html += QStringLiteral("<tr><td><a href=\"%1\">%2</a></td><td class=\"form\">%3</td>"
                               "<td class=\"number\">%4</td><td class=\"number\">%5</td></tr>\n")
                    .arg(unitPageName(i), htmlText(unit.name), htmlText(unit.form),
                         QString::number(unit.routines), QString::number(unit.described));
    }
    return html + QStringLiteral("</tbody>\n</table></div>\n");
}

QString indexPage(const ReportDocument& document, const QList<UnitSummary>& units) {
    const QLocale locale;
    QString html = pageStart(document.name, document.name);
    html += QStringLiteral("<h1>%1</h1>\n<p class=\"subtitle\">Reference documentation</p>\n")
                .arg(htmlText(document.name));
    html += htmlFacts(titleFacts(document, locale, QDateTime::currentDateTime()));
    if (document.includeVersionInfo) {
        const QList<ReportFact> facts = versionFacts(document);
        html += QStringLiteral("<h2>Version information</h2>\n");
        html +=
            facts.isEmpty() ? htmlNone(QString::fromLatin1(NoVersionInfoText)) : htmlFacts(facts);
    }
    html += QStringLiteral("<h2>Units</h2>\n") + unitTable(units);
    return html + PageEnd;
}

} // namespace

QString writeReportSite(ReportSource& source, const QString& folderPath) {
    QDir target(folderPath);
    if (!target.mkpath(QStringLiteral(".")))
        throw UserError(
            QStringLiteral("Cannot make the folder %1.").arg(QDir::toNativeSeparators(folderPath)));
    // The new site is put together in a hidden folder inside the target, on
    // the same file system, and moved into place only once whole: a failure
    // half way (a full disk) leaves the old site as it was, never old pages
    // beside new ones. The staging folder goes with everything in it.
    QTemporaryDir stagingDir(target.filePath(QStringLiteral(".inkwright-site-XXXXXX")));
    if (!stagingDir.isValid())
        throw UserError(
            QStringLiteral("Cannot write in the folder %1: %2")
                .arg(QDir::toNativeSeparators(target.absolutePath()), stagingDir.errorString()));
    const SiteFolders folders{target, QDir(stagingDir.path())};
    const ReportDocument& document = source.document();

    SiteFile style(folders, QStringLiteral("style.css"));
    style.write(reportStyleSheet());
    style.commit();
    SiteFile script(folders, QStringLiteral("search.js"));
    script.write(QByteArray(SearchScript));
    script.commit();
    QStringList written{QStringLiteral("style.css"), QStringLiteral("search.js")};

    SearchIndex index(folders);
    QList<UnitSummary> units;
    source.readUnits(0, [&](int position, const ReportUnit& unit) {
        units.append(writeUnitPage(folders, document.name, position, unit, index));
        written << unitPageName(position);
        return true;
    });
    index.finish(units);
    written << QStringLiteral("search-index.js");

    SiteFile file(folders, QStringLiteral("index.html"));
    file.write(indexPage(document, units));
    file.commit();
    written << QStringLiteral("index.html");
    moveIntoPlace(folders, written);

    const QString indexPath = target.filePath(QStringLiteral("index.html"));
    if (!QFileInfo(indexPath).isFile() || QFileInfo(indexPath).size() == 0)
        throw UserError(QStringLiteral("The site's index page %1 was not written.")
                            .arg(QDir::toNativeSeparators(indexPath)));
    return indexPath;
}

} // namespace ink
