#include "ReportSite.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSet>
#include <QTemporaryDir>

#include "ReportHtml.h"
#include "ReportMoment.h"
#include "ReportSiteNames.h"
#include "ReportSource.h"
#include "store/RegularFile.h"
#include "store/UserError.h"
#include "WriteAll.h"

namespace ink {

namespace {

// Finds units and routines by their names and by the words of their
// descriptions, as the user types; the index is a script beside the pages,
// so the search works from the disk, without a server. The index is by far
// the largest file of a site (megabytes for a large project), so a page
// loads it only once the reader types in the search box.
const char* const SearchScript = R"((function () {
  "use strict";
  var input = document.getElementById("site-search");
  var list = document.getElementById("site-results");
  if (!input || !list) return;
  var Shown = 50;
  var entries = null;
  var loading = false;

  function note(text, className) {
    var item = document.createElement("li");
    item.className = className;
    item.textContent = text;
    list.appendChild(item);
  }
  function load() {
    loading = true;
    list.textContent = "";
    note("Loading the search index\u2026", "none");
    var script = document.createElement("script");
    script.src = "search-index.js";
    script.onload = function () {
      var index = window.inkwrightIndex;
      if (!index) { script.onerror(); return; }
      entries = index.entries.map(function (e) {
        var owner = e[5] ? e[5] + "." : "";
        return { kind: e[0], title: owner + e[1], anchor: e[2], text: e[3],
                 page: index.pages[e[4]], unit: index.units[e[4]],
                 hay: (owner + e[1] + " " + e[3]).toLowerCase() };
      });
      show();
    };
    script.onerror = function () {
      list.textContent = "";
      note("The search index could not be loaded.", "none");
    };
    document.head.appendChild(script);
  }
  function show() {
    var words = input.value.toLowerCase().split(/\s+/).filter(Boolean);
    if (!entries) {
      if (words.length && !loading) load();
      return;
    }
    list.textContent = "";
    if (!words.length) return;
    var found = 0;
    for (var i = 0; i < entries.length; i++) {
      var e = entries[i];
      if (!words.every(function (w) { return e.hay.indexOf(w) >= 0; })) continue;
      if (++found > Shown) continue;
      var item = document.createElement("li");
      var link = document.createElement("a");
      link.href = e.page + (e.anchor ? "#" + e.anchor : "");
      link.textContent = e.kind === 0 ? e.title : e.title + " \u2014 " + e.unit;
      var small = document.createElement("small");
      small.textContent = e.text || (e.kind === 0 ? "Unit" : window.inkwrightIndex.none);
      link.appendChild(small);
      item.appendChild(link);
      list.appendChild(item);
    }
    if (!found)
      note("Nothing found.", "none");
    else if (found > Shown)
      note("The first " + Shown + " of " + found.toLocaleString() +
           " results are shown; type more to narrow them.", "more");
  }
  function links() {
    return Array.prototype.slice.call(list.querySelectorAll("a"));
  }
  input.addEventListener("input", show);
  input.addEventListener("keydown", function (event) {
    if (event.key === "Escape") {
      input.value = "";
      show();
    } else if (event.key === "ArrowDown" && links().length) {
      event.preventDefault();
      links()[0].focus();
    }
  });
  // The arrow keys walk the results; up from the first, or Escape, goes
  // back to the search box.
  list.addEventListener("keydown", function (event) {
    var all = links();
    var at = all.indexOf(document.activeElement);
    if (at < 0) return;
    if (event.key === "ArrowDown") {
      event.preventDefault();
      if (at + 1 < all.length) all[at + 1].focus();
    } else if (event.key === "ArrowUp") {
      event.preventDefault();
      (at > 0 ? all[at - 1] : input).focus();
    } else if (event.key === "Escape") {
      event.preventDefault();
      input.focus();
    }
  });
}());
)";

QString pageStart(const QString& title, const QString& documentName) {
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<meta name=\"generator\" content=\"Inkwright\">\n"
               "<title>%1</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n"
               "<script src=\"search.js\" defer></script>\n</head>\n<body>\n"
               "<header class=\"site\"><a href=\"index.html\">%2</a>\n"
               "<div class=\"search\" role=\"search\"><input id=\"site-search\" "
               "type=\"search\" placeholder=\"Search units and routines\" "
               "aria-label=\"Search units and routines\" autocomplete=\"off\">"
               "<ol id=\"site-results\" aria-live=\"polite\"></ol></div></header>\n")
        .arg(htmlText(title), htmlText(documentName));
}

const QString PageEnd = QStringLiteral("</body>\n</html>\n");

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

// The names of the files the last export wrote, kept beside them, so that
// the next export takes away the pages of units that are gone (renamed or
// removed from the document) and never a file of the user's.
const char* const SiteFilesName = ".inkwright-files";
// Not to be read whole if something else stands in its place.
constexpr qint64 MaxSiteFilesSize = 64 << 20;

// Only a plain name of a kind the site writes is taken from the list: a list
// edited by hand, or damaged, cannot reach outside the folder or take away a
// file of another kind.
bool isSiteFileName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QChar('.')) || name.contains(QChar('/')) ||
        name.contains(QChar('\\')))
        return false;
    for (const char* kind : {".html", ".js", ".css"})
        if (name.endsWith(QLatin1String(kind)))
            return true;
    return false;
}

// The files the last export wrote that are still there.
QStringList previousSiteFiles(const QDir& target) {
    QFile file;
    if (!OpenRegularFile(file, target.filePath(QString::fromLatin1(SiteFilesName))) ||
        file.size() > MaxSiteFilesSize)
        return {};
    QStringList names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line);
        if (isSiteFileName(name) && QFileInfo(target.filePath(name)).isFile())
            names.append(name);
    }
    return names;
}

// A unit's row of the index, counted as the coverage counts it.
struct UnitSummary {
    QString name;
    QString page;
    QString form;
    UnitCoverage coverage;
};

QByteArray json(const QJsonValue& value) {
    if (value.isString()) // a bare string, as JSON writes it
        return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    return {};
}

// The search script's index: an entry per unit and routine, written as the
// units go by; only the unit list waits for the end. An entry names its
// unit by position, so a page's name is written once, not once a routine.
class SearchIndex {
public:
    enum Kind { Unit = 0, Routine = 1 };

    explicit SearchIndex(const SiteFolders& folders)
        : file_(folders, QStringLiteral("search-index.js")) {
        file_.write(QByteArray("window.inkwrightIndex = {\"entries\": [\n"));
    }
    // `owner` is the type a declaration belongs to; none for a routine row.
    void add(Kind kind, const QString& owner, const QString& name, const QString& anchor,
             const QString& text, int unit) {
        entries_ += first_ ? "[" : ",\n[";
        first_ = false;
        entries_ += QByteArray::number(kind) + ',' + json(name) + ',' + json(anchor) + ',' +
                    json(text.simplified()) + ',' + QByteArray::number(unit);
        if (!owner.isEmpty())
            entries_ += ',' + json(owner);
        entries_ += ']';
        if (entries_.size() >= (1 << 18)) { // written in large pieces
            file_.write(entries_);
            entries_.clear();
        }
    }
    void finish(const QList<UnitSummary>& units) {
        QJsonArray names;
        QJsonArray pages;
        for (const UnitSummary& unit : units) {
            names.append(unit.name);
            pages.append(unit.page);
        }
        file_.write(entries_);
        file_.write(QByteArray("\n], \"none\": ") + json(QString::fromLatin1(NoDescriptionText)) +
                    ", \"units\": " + QJsonDocument(names).toJson(QJsonDocument::Compact) +
                    ", \"pages\": " + QJsonDocument(pages).toJson(QJsonDocument::Compact) + "};\n");
        file_.commit();
    }

private:
    SiteFile file_;
    QByteArray entries_;
    bool first_ = true;
};

// The links every unit page offers beside its own contents.
QString siteLinks() {
    return QStringLiteral("<ul class=\"site-links\"><li><a href=\"index.html\">All units</a></li>"
                          "<li><a href=\"identifiers.html\">Identifier index</a></li>"
                          "<li><a href=\"hierarchy.html\">Class hierarchy</a></li></ul>\n");
}

// The classes of the site as a tree, each linked to its place on its unit's
// page; `targets` holds that place for each class of `hierarchy`.
void writeHierarchyPage(const SiteFolders& folders, const QString& documentName,
                        const ClassHierarchy& hierarchy, const QStringList& targets) {
    QString html = pageStart(QStringLiteral("Class hierarchy - ") + documentName, documentName);
    html += QStringLiteral("<main>\n<h1>Class hierarchy</h1>\n");
    html += htmlHierarchy(hierarchy, [&targets](int entry) { return targets.value(entry); });
    html += QStringLiteral("</main>\n") + PageEnd;
    SiteFile page(folders, QStringLiteral("hierarchy.html"));
    page.write(html);
    page.commit();
}

// A declaration as the identifier index lists it.
struct IdentifierEntry {
    QString name;
    QString owner; // empty at unit level
    int unit = 0;  // by list position
    QString anchor;
};

// Every declaration of the site A to Z (without regard to case, then by
// owner and unit), under a heading per first letter, each linked to its
// place on its unit's page.
void writeIdentifierPage(const SiteFolders& folders, const QString& documentName,
                         QList<IdentifierEntry>& entries, const QList<UnitSummary>& units) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&units](const IdentifierEntry& a, const IdentifierEntry& b) {
                         return indexesBefore(a.name, a.owner, units[a.unit].name, b.name, b.owner,
                                              units[b.unit].name);
                     });
    QString letters;
    QString body;
    QChar letter;
    int groups = 0;
    for (const IdentifierEntry& entry : std::as_const(entries)) {
        const QChar first = indexLetter(entry.name);
        if (groups == 0 || first != letter) {
            letter = first;
            // Ids with a "-" never meet a Pascal name.
            const QString id = QStringLiteral("letter-%1").arg(++groups);
            if (groups > 1)
                body += QStringLiteral("</ul>\n");
            body += QStringLiteral("<h2 id=\"%1\">%2</h2>\n<ul class=\"identifiers\">\n")
                        .arg(id, htmlText(QString(first)));
            letters += QStringLiteral("<a href=\"#%1\">%2</a> ").arg(id, htmlText(QString(first)));
        }
        const UnitSummary& unit = units[entry.unit];
        const QString where =
            entry.owner.isEmpty() ? unit.name : entry.owner + QStringLiteral(", ") + unit.name;
        body += QStringLiteral("<li><a href=\"%1#%2\">%3</a> <small>%4</small></li>\n")
                    .arg(htmlText(unit.page), htmlText(entry.anchor), htmlText(entry.name),
                         htmlText(where));
    }
    if (groups > 0)
        body += QStringLiteral("</ul>\n");
    QString html = pageStart(QStringLiteral("Identifier index - ") + documentName, documentName);
    html += QStringLiteral("<main>\n<h1>Identifier index</h1>\n");
    if (entries.isEmpty())
        html += htmlNone(QStringLiteral("This document names no declarations."));
    else
        html += QStringLiteral("<nav class=\"letters\" aria-label=\"Letters\">%1</nav>\n")
                    .arg(letters.trimmed()) +
                body;
    html += QStringLiteral("</main>\n") + PageEnd;
    SiteFile page(folders, QStringLiteral("identifiers.html"));
    page.write(html);
    page.commit();
}

// The sidebar of a unit page: the site's links, then the unit's routines,
// overloads told apart by their number.
QString unitSidebar(const UnitView& view, const QStringList& anchors) {
    QString html =
        QStringLiteral("<nav class=\"sidebar\" aria-label=\"Contents\">\n") + siteLinks();
    // The unit's types, then its routines: of the declarations those at
    // unit level, then the routine rows shown apart from them.
    QList<QPair<QString, QString>> types;    // name, anchor
    QList<QPair<QString, QString>> routines; // name, anchor
    for (qsizetype i = 0; i < view.entries().size(); ++i) {
        const UnitView::Entry& entry = view.entries()[i];
        if (entry.isUnitLevelType())
            types.append({entry.name(), anchors.value(i)});
        else if (entry.isUnitLevelRoutine)
            routines.append({entry.name(), anchors.value(i)});
    }
    const auto list = [&html](const QString& heading, const QList<QPair<QString, QString>>& items) {
        if (items.isEmpty())
            return;
        html += QStringLiteral("<p class=\"sidebar-heading\">%1</p>\n<ol class=\"toc\">\n")
                    .arg(heading);
        QHash<QString, int> seen;
        for (const auto& [name, anchor] : items) {
            const int n = ++seen[name.toLower()];
            html += QStringLiteral("<li><a href=\"#%1\">%2%3</a></li>\n")
                        .arg(htmlText(anchor), htmlText(name),
                             n > 1 ? QStringLiteral(" <small>(%1)</small>").arg(n) : QString());
        }
        html += QStringLiteral("</ol>\n");
    };
    list(QStringLiteral("Types"), types);
    list(QStringLiteral("Routines"), routines);
    return html + QStringLiteral("</nav>\n");
}

// What the unit pages gather for the pages that close the site.
struct SiteIndexes {
    QList<IdentifierEntry> identifiers;
    ClassHierarchy hierarchy;
    QStringList hierarchyTargets; // "Shapes.html#TShape", by the hierarchy's entry
};

UnitSummary writeUnitPage(const SiteFolders& folders, const QString& documentName, int position,
                          const QString& pageName, const ReportUnit& unit, SearchIndex& index,
                          SiteIndexes& indexes, const TypeLinks& links) {
    index.add(SearchIndex::Unit, {}, unit.name, {}, unit.described() ? unit.description : QString(),
              position);
    const UnitView view(unit);
    PageAnchors ids;
    const QStringList anchors = view.anchors(ids);
    for (qsizetype i = 0; i < view.entries().size(); ++i) {
        const UnitView::Entry& entry = view.entries()[i];
        const QString owner = entry.owner();
        index.add(SearchIndex::Routine, owner, entry.name(), anchors[i],
                  entry.described() ? entry.description() : QString(), position);
        indexes.identifiers.append({entry.name(), owner, position, anchors[i]});
        if (entry.inHierarchy) {
            indexes.hierarchy.add(*entry.declaration, position, unit.name);
            indexes.hierarchyTargets.append(pageName + QChar('#') + anchors[i]);
        }
    }
    QString html = pageStart(unit.name + QStringLiteral(" - ") + documentName, documentName);
    html += QStringLiteral("<div class=\"with-sidebar\">\n") + unitSidebar(view, anchors);
    html += QStringLiteral("<main>\n<h1>%1</h1>\n").arg(htmlText(unit.name));
    html += htmlUnitHead(unit);
    // Declarations come under headings of their own groups.
    if (unit.declarations.isEmpty())
        html += QStringLiteral("<h2>Routines</h2>\n");
    html += htmlUnitEntries(view, anchors, links);
    html += QStringLiteral("</main>\n</div>\n") + PageEnd;
    SiteFile file(folders, pageName);
    file.write(html);
    file.commit();
    return {unit.name, pageName, unit.form, unit.coverage};
}

// The units with the coverage's figures, each column named by what it
// counts: routines, declarations where the document keeps them, and the
// described ones of what the coverage counts.
QString unitTable(const QList<UnitSummary>& units, const DocumentCoverage& coverage) {
    if (units.isEmpty())
        return htmlNone(QString::fromLatin1(NoUnitsText));
    const bool declarations = coverage.counted == Counted::Declarations;
    QString html = QStringLiteral("<div class=\"table\"><table class=\"units\">\n<thead><tr><th "
                                  "scope=\"col\">Unit</th><th scope=\"col\" "
                                  "class=\"form\">Form</th><th scope=\"col\">Routines</th>");
    if (declarations)
        html += QStringLiteral("<th scope=\"col\">Declarations</th>");
    html += QStringLiteral("<th scope=\"col\">Described %1</th></tr></thead>\n<tbody>\n")
                .arg(coverage.countedName());
    for (const UnitSummary& unit : units) {
        html += QStringLiteral("<tr><td><a href=\"%1\">%2</a></td><td class=\"form\">%3</td>"
                               "<td class=\"number\">%4</td>")
                    .arg(htmlText(unit.page), htmlText(unit.name), htmlText(unit.form),
                         QString::number(unit.coverage.routines.count));
        if (declarations)
            html += QStringLiteral("<td class=\"number\">%1</td>")
                        .arg(unit.coverage.declarations.count);
        html += QStringLiteral("<td class=\"number\">%1</td></tr>\n")
                    .arg(unit.coverage.countedTally().described);
    }
    return html + QStringLiteral("</tbody>\n</table></div>\n");
}

QString indexPage(const ReportDocument& document, const QList<UnitSummary>& units) {
    const QLocale locale;
    QString html = pageStart(document.name, document.name);
    html +=
        QStringLiteral("<main>\n<h1>%1</h1>\n<p class=\"subtitle\">Reference documentation</p>\n")
            .arg(htmlText(document.name));
    html += htmlFacts(titleFacts(document, locale, reportMadeMoment()));
    if (document.includeVersionInfo) {
        const QList<ReportFact> facts = versionFacts(document);
        html += QStringLiteral("<h2>Version information</h2>\n");
        html +=
            facts.isEmpty() ? htmlNone(QString::fromLatin1(NoVersionInfoText)) : htmlFacts(facts);
    }
    html +=
        QStringLiteral("<h2>Units</h2>\n<p><a href=\"identifiers.html\">Identifier "
                       "index</a> &middot; <a href=\"hierarchy.html\">Class hierarchy</a></p>\n") +
        unitTable(units, document.coverage);
    return html + QStringLiteral("</main>\n") + PageEnd;
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
    UnitPageNames pages;
    QList<UnitSummary> units;
    SiteIndexes indexes;
    // The pages are named in list order, as the units are read below; the
    // source reads one snapshot of the store, so the names agree.
    const QStringList pageNames = unitPageNames(source.unitNames(0, source.unitCount()));
    const TypeLinks links = typeLinks(
        source, [&pageNames](int position) { return pageNames.value(position); },
        [](int) { return QString(); });
    source.readUnits(0, [&](int position, const ReportUnit& unit) {
        const QString pageName = pages.next(unit.name);
        units.append(
            writeUnitPage(folders, document.name, position, pageName, unit, index, indexes, links));
        written << pageName;
        return true;
    });
    index.finish(units);
    written << QStringLiteral("search-index.js");
    writeIdentifierPage(folders, document.name, indexes.identifiers, units);
    written << QStringLiteral("identifiers.html");
    writeHierarchyPage(folders, document.name, indexes.hierarchy, indexes.hierarchyTargets);
    written << QStringLiteral("hierarchy.html");

    SiteFile file(folders, QStringLiteral("index.html"));
    file.write(indexPage(document, units));
    file.commit();
    written << QStringLiteral("index.html");

    // The pages of the last export that this one does not write stay in the
    // list until they are gone, so that one that cannot be taken away now
    // is tried again next time.
    // Compared without case: where the file system ignores it, "ledger.html"
    // of the last export is the "Ledger.html" just written.
    QSet<QString> kept;
    for (const QString& name : std::as_const(written))
        kept.insert(name.toLower());
    QStringList gone;
    for (const QString& name : previousSiteFiles(target))
        if (!kept.contains(name.toLower()))
            gone.append(name);
    SiteFile list(folders, QString::fromLatin1(SiteFilesName));
    list.write((written + gone).join(QChar('\n')) + QChar('\n'));
    list.commit();
    written << QString::fromLatin1(SiteFilesName);
    moveIntoPlace(folders, written);
    // Only once the new site is whole and in place: a failure before leaves
    // the old one as it was. A page left behind is no harm to the new site,
    // so a failure here is not the export's.
    for (const QString& name : gone)
        QFile::remove(target.filePath(name));

    const QString indexPath = target.filePath(QStringLiteral("index.html"));
    if (!QFileInfo(indexPath).isFile() || QFileInfo(indexPath).size() == 0)
        throw UserError(QStringLiteral("The site's index page %1 was not written.")
                            .arg(QDir::toNativeSeparators(indexPath)));
    return indexPath;
}

ExportResult writeSiteReport(ReportSource& source, const QString& out) {
    return {writeReportSite(source, out), 0};
}

} // namespace ink
