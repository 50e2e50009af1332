#include "ReportSite.h"

#include "store/FieldText.h"

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

const char* const StyleSheet = R"(:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0; font: 16px/1.5 system-ui, "Liberation Sans", Arial, sans-serif; color: #1d1d1f; background: #fff; }
header.site { background: #23395b; color: #fff; padding: 0.6rem 1rem; display: flex; flex-wrap: wrap; gap: 0.5rem 1.5rem; align-items: center; }
header.site a { color: #fff; text-decoration: none; font-weight: 600; }
main { max-width: 60rem; margin: 0 auto; padding: 1rem; }
h1 { font-size: 1.9rem; margin: 0.5rem 0 0.25rem; overflow-wrap: anywhere; }
h2 { font-size: 1.3rem; margin-top: 2rem; border-bottom: 1px solid #ddd; padding-bottom: 0.2rem; }
.subtitle { color: #666; margin-top: 0; }
dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: 0.2rem 1.2rem; }
dl.facts dt { font-weight: 600; color: #444; }
dl.facts dd { margin: 0; overflow-wrap: anywhere; }
table.units { border-collapse: collapse; width: 100%; }
table.units th, table.units td { text-align: left; padding: 0.3rem 0.5rem; border-bottom: 1px solid #eee; }
table.units td.number { text-align: right; font-variant-numeric: tabular-nums; }
table.units td:first-child { overflow-wrap: anywhere; word-break: break-word; }
.table { overflow-x: auto; }
.search { position: relative; flex: 1 1 16rem; max-width: 28rem; }
.search input { width: 100%; padding: 0.35rem 0.6rem; font-size: 1rem; border-radius: 4px; border: 1px solid #99a; }
.search ol { position: absolute; z-index: 1; left: 0; right: 0; margin: 0.2rem 0 0; padding: 0; list-style: none; background: #fff; color: #1d1d1f; border: 1px solid #ccd; border-radius: 4px; max-height: 70vh; overflow-y: auto; box-shadow: 0 4px 12px rgba(0,0,0,.15); }
.search ol:empty { display: none; }
.search li a { display: block; padding: 0.3rem 0.6rem; color: inherit; font-weight: normal; text-decoration: none; }
.search li a:hover, .search li a:focus { background: #eef2fa; }
.search li small { color: #667; display: block; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
section.routine { margin: 1.2rem 0; }
pre.declaration { margin: 0; padding: 0.4rem 0.6rem 0.4rem 2.6rem; text-indent: -2rem; background: #f5f6f8; border-left: 3px solid #23395b; white-space: pre-wrap; overflow-wrap: anywhere; font: 0.9rem/1.4 "Liberation Mono", Consolas, monospace; }
.description { white-space: pre-wrap; margin: 0.4rem 0 0 1.5rem; }
.none { color: #777; font-style: italic; }
:target { scroll-margin-top: 1rem; }
section.routine:target pre.declaration { background: #fff7d6; }
@media (max-width: 600px) { main { padding: 0.6rem; } dl.facts { grid-template-columns: 1fr; } dl.facts dd { margin-bottom: 0.4rem; } table.units .form { display: none; } }
@media print { header.site { display: none; } body { font-size: 10pt; } a { color: inherit; text-decoration: none; } section.routine { break-inside: avoid; } h2 { break-after: avoid; } }
)";

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
      note.textContent = e.text || (e.kind === 0 ? "Unit" : "No description.");
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

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString memo(const QString& text) {
    return escaped(withEditorLineBreaks(text).trimmed());
}

bool hasValue(const QString& text) {
    return !text.trimmed().isEmpty();
}

// An id for a routine's anchor: its name, kept to letters, digits and "_".
QString anchorFor(const QString& name, QSet<QString>& taken) {
    QString id;
    for (const QChar c : name)
        if (c.isLetterOrNumber() || c == QChar('_'))
            id += c;
    if (id.isEmpty())
        id = QStringLiteral("routine");
    QString unique = id;
    for (int n = 2; taken.contains(unique.toLower()); ++n)
        unique = id + QChar('-') + QString::number(n);
    taken.insert(unique.toLower());
    return unique;
}

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
        .arg(escaped(title), escaped(documentName));
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

struct UnitSummary {
    QString name;
    QString form;
    int routines = 0;
    int described = 0;
};

QString fact(const QString& caption, const QString& value) {
    if (!hasValue(value))
        return {};
    return QStringLiteral("<dt>%1</dt><dd>%2</dd>\n").arg(escaped(caption), escaped(value));
}

QByteArray json(const QJsonValue& value) {
    if (value.isString()) // a bare string, as JSON writes it
        return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    return {};
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
    const SiteFolders folder{target, QDir(stagingDir.path())};
    QStringList written;
    const ReportDocument& document = source.document();
    const QLocale locale;

    SiteFile style(folder, QStringLiteral("style.css"));
    style.write(QByteArray(StyleSheet));
    style.commit();
    SiteFile script(folder, QStringLiteral("search.js"));
    script.write(QByteArray(SearchScript));
    script.commit();
    written << QStringLiteral("style.css") << QStringLiteral("search.js");

    // The index grows as the units go by; only the unit list waits for the end.
    SiteFile index(folder, QStringLiteral("search-index.js"));
    index.write(QByteArray("window.inkwrightIndex = {\"entries\": [\n"));
    bool firstEntry = true;
    QByteArray entries; // written in large pieces
    auto entry = [&](int kind, const QString& name, const QString& page, const QString& anchor,
                     const QString& text, int unit) {
        QByteArray line = firstEntry ? "[" : ",\n[";
        firstEntry = false;
        line += QByteArray::number(kind) + ',' + json(name) + ',' + json(page) + ',' +
                json(anchor) + ',' + json(text.simplified()) + ',' + QByteArray::number(unit) + ']';
        entries += line;
        if (entries.size() >= (1 << 18)) {
            index.write(entries);
            entries.clear();
        }
    };

    QList<UnitSummary> units;
    source.readUnits(0, [&](int position, const ReportUnit& unit) {
        const QString pageName = unitPageName(position);
        UnitSummary summary{unit.name, unit.form == QLatin1String("N/A") ? QString() : unit.form};
        entry(0, unit.name, pageName, {}, unit.description, position);

        QString html = pageStart(unit.name + QStringLiteral(" - ") + document.name, document.name);
        html += QStringLiteral("<h1>%1</h1>\n").arg(escaped(unit.name));
        if (hasValue(summary.form))
            html +=
                QStringLiteral("<p class=\"subtitle\">Form: %1</p>\n").arg(escaped(summary.form));
        html += hasValue(unit.description)
                    ? QStringLiteral("<div class=\"description\">%1</div>\n")
                          .arg(memo(unit.description))
                    : QStringLiteral("<p class=\"none\">No description.</p>\n");
        html += QStringLiteral("<h2>Routines</h2>\n");
        QSet<QString> anchors;
        for (const ReportRoutine& routine : unit.routines) {
            if (isPlaceholderRoutine(routine))
                continue;
            const QString anchor = anchorFor(routine.name, anchors);
            ++summary.routines;
            html +=
                QStringLiteral("<section class=\"routine\" id=\"%1\">\n<pre class=\"declaration\">"
                               "<code>%2</code></pre>\n")
                    .arg(anchor, escaped(routineDeclaration(routine)));
            if (HoldsWord(routine.description))
                ++summary.described; // as the coverage counts it
            if (hasValue(routine.description)) {
                html += QStringLiteral("<div class=\"description\">%1</div>\n")
                            .arg(memo(routine.description));
            } else {
                html += QStringLiteral("<p class=\"description none\">No description.</p>\n");
            }
            html += QStringLiteral("</section>\n");
            entry(1, routine.name, pageName, anchor, routine.description, position);
        }
        const QString note = unitClosingNote(unit, summary.routines > 0);
        if (!note.isEmpty())
            html += QStringLiteral("<p class=\"none\">%1</p>\n").arg(escaped(note));
        html += PageEnd;
        SiteFile page(folder, pageName);
        page.write(html);
        page.commit();
        written << pageName;
        units.append(summary);
        return true;
    });
    QJsonArray names;
    for (const UnitSummary& unit : units)
        names.append(unit.name);
    index.write(entries);
    index.write(QByteArray("\n], \"units\": ") +
                QJsonDocument(names).toJson(QJsonDocument::Compact) + "};\n");
    index.commit();
    written << QStringLiteral("search-index.js");

    QString html = pageStart(document.name, document.name);
    html += QStringLiteral("<h1>%1</h1>\n<p class=\"subtitle\">Reference documentation</p>\n"
                           "<dl class=\"facts\">\n")
                .arg(escaped(document.name));
    html += fact(QStringLiteral("Author"), document.author);
    html += fact(QStringLiteral("Company"), document.company);
    html += fact(QStringLiteral("Project file"), document.projectFile);
    html += fact(QStringLiteral("Modified"), reportDateText(document.modified, locale));
    html += fact(QStringLiteral("Size"),
                 document.sizeKb ? reportSizeText(*document.sizeKb, locale) : QString());
    html += fact(QStringLiteral("Units"), locale.toString(source.unitCount()));
    html += fact(QStringLiteral("Routines"), locale.toString(source.routineCount()));
    html += fact(QStringLiteral("Left the source"),
                 leftTheSourceText(source.missingUnits(), source.missingRoutines(), locale));
    html +=
        fact(QStringLiteral("Report made"), reportDateText(QDateTime::currentDateTime(), locale));
    html += QStringLiteral("</dl>\n");
    if (document.includeVersionInfo) {
        html += QStringLiteral("<h2>Version information</h2>\n");
        QString facts;
        for (int i = 0; i < int(VersionFields.size()); ++i)
            facts += fact(QString::fromLatin1(VersionFields[i].caption),
                          document.versionValues.value(i));
        html += facts.isEmpty()
                    ? QStringLiteral("<p class=\"none\">No version information was "
                                     "found for this document.</p>\n")
                    : QStringLiteral("<dl class=\"facts\">\n") + facts + QStringLiteral("</dl>\n");
    }
    html += QStringLiteral("<h2>Units</h2>\n");
    if (units.isEmpty()) {
        html += QStringLiteral("<p class=\"none\">This document has no units.</p>\n");
    } else {
        html += QStringLiteral("<div class=\"table\"><table class=\"units\">\n<thead><tr><th "
                               "scope=\"col\">Unit</th><th scope=\"col\" "
                               "class=\"form\">Form</th><th scope=\"col\">Routines</th><th "
                               "scope=\"col\">Described</th></tr>"
                               "</thead>\n<tbody>\n");
        for (int i = 0; i < units.size(); ++i) {
            const UnitSummary& unit = units[i];
            html +=
                QStringLiteral("<tr><td><a href=\"%1\">%2</a></td><td class=\"form\">%3</td>"
                               "<td class=\"number\">%4</td><td class=\"number\">%5</td></tr>\n")
                    .arg(unitPageName(i), escaped(unit.name), escaped(unit.form),
                         QString::number(unit.routines), QString::number(unit.described));
        }
        html += QStringLiteral("</tbody>\n</table></div>\n");
    }
    html += PageEnd;
    SiteFile page(folder, QStringLiteral("index.html"));
    page.write(html);
    page.commit();
    written << QStringLiteral("index.html");
    moveIntoPlace(folder, written);

    const QString indexPath = target.filePath(QStringLiteral("index.html"));
    if (!QFileInfo(indexPath).isFile() || QFileInfo(indexPath).size() == 0)
        throw UserError(QStringLiteral("The site's index page %1 was not written.")
                            .arg(QDir::toNativeSeparators(indexPath)));
    return indexPath;
}

} // namespace ink
