// Looking for damage in the embedded store: the full check on request, and
// the brief one made when a store is opened, which reads a large store in
// samples so that an open costs about the same for any size.
#include "SqliteBackend.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <sqlite3.h>
#include <vector>

#include "SqliteStatement.h"

namespace ink {

QStringList SqliteBackend::checkIntegrity() {
    SqliteStatement check(*this, QStringLiteral("PRAGMA integrity_check(100)"));
    QStringList problems;
    while (check.step()) {
        QString line = check.textAt(0);
        if (line == QLatin1String("ok"))
            break;
        line.remove(QStringLiteral("*** in database main ***"));
        if (!line.simplified().isEmpty())
            problems << line.simplified();
    }
    return problems;
}

// Up to `fullCheckBytes` SQLite's quick_check reads every page: about 4 ms
// a MiB on a busy machine here, so 8 MiB stays near 30 ms. A larger store is
// sampled in the same time instead (checkSamples()).
QStringList SqliteBackend::checkBriefly(qint64 fullCheckBytes) {
    const qint64 size =
        firstValue("PRAGMA page_count").toLongLong() * firstValue("PRAGMA page_size").toLongLong();
    if (size > fullCheckBytes)
        return checkSamples();
    SqliteStatement check(*this, QStringLiteral("PRAGMA quick_check(10)"));
    QStringList problems;
    while (check.step()) {
        const QString line = check.textAt(0).simplified();
        if (line == QLatin1String("ok"))
            break;
        problems << line;
    }
    return problems;
}

namespace {
// How long a sampled check may read; the rows it reads then are spread
// evenly over each table, ever more densely while time is left.
constexpr qint64 SampleBudgetMs = 40;
} // namespace

// The schema whole, then rows spread over every b-tree: each row read walks
// its b-tree from the root through the interior pages to its leaf (and its
// overflow pages), and SQLite checks every page it loads. Damage in a page
// no sample reached is still met, and reported, by the read that meets it.
QStringList SqliteBackend::checkSamples() {
    QElapsedTimer clock;
    clock.start();
    // Every page loaded has its cells' places and sizes checked too, not
    // only its header: a cell pointer spoilt inside the page is found.
    exec(QStringLiteral("PRAGMA cell_size_check=ON"));
    const auto plainAgain = qScopeGuard(
        [this] { sqlite3_exec(db_, "PRAGMA cell_size_check=OFF", nullptr, nullptr, nullptr); });
    struct Tree {
        QString table;
        QString index; // empty for the table's own b-tree
        qint64 low = 0, high = -1;
        int columns = 0;
    };
    std::vector<Tree> trees;
    {
        SqliteStatement schema(*this,
                               QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_schema "
                                              "WHERE rootpage > 0 ORDER BY rootpage"));
        while (schema.step()) {
            const bool isIndex = schema.textAt(0) == QLatin1String("index");
            const QString sql = schema.textAt(3);
            if (!isIndex && sql.contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive))
                trees.push_back({schema.textAt(1), schema.textAt(1)}); // walked as an index
            else
                trees.push_back({schema.textAt(2), isIndex ? schema.textAt(1) : QString()});
        }
    }
    for (Tree& tree : trees) {
        if (!tree.index.isEmpty()) {
            // The first rows in the index's order: its left edge.
            SqliteStatement first(
                *this, tree.index == tree.table
                           ? QStringLiteral("SELECT * FROM %1 LIMIT 16").arg(quoted(tree.table))
                           : QStringLiteral("SELECT 1 FROM %1 INDEXED BY %2 "
                                            "LIMIT 16")
                                 .arg(quoted(tree.table), quoted(tree.index)));
            while (first.step()) {
            }
            continue;
        }
        // Each alone: SQLite reads one edge of the tree for a lone min() or
        // max(), but every row for both in one query.
        SqliteStatement range(*this, QStringLiteral("SELECT (SELECT min(rowid) FROM %1), "
                                                    "(SELECT max(rowid) FROM %1)")
                                         .arg(quoted(tree.table)));
        if (range.step() && !range.isNullAt(0)) {
            tree.low = range.integerAt(0);
            tree.high = range.integerAt(1);
        }
        tree.columns = int(columnsOf(tree.table).size());
    }
    for (int parts = 2; clock.elapsed() < SampleBudgetMs && parts <= (1 << 20); parts *= 2) {
        bool more = false;
        for (const Tree& tree : trees) {
            // Tables without rows have nothing to read, and a few rows are
            // all read by the first rounds.
            if (!tree.index.isEmpty() || tree.high < tree.low ||
                (parts > 2 && tree.high - tree.low < parts / 2))
                continue;
            more = true;
            SqliteStatement row(*this, QStringLiteral("SELECT * FROM %1 WHERE rowid >= ?1 LIMIT 1")
                                           .arg(quoted(tree.table)));
            // The odd parts: the even ones were read in the rounds before.
            for (int part = 1; part < parts && clock.elapsed() < SampleBudgetMs; part += 2) {
                row.bindInteger(1, tree.low + (tree.high - tree.low) * part / parts);
                if (row.step())
                    for (int column = 0; column < tree.columns; ++column)
                        row.textAt(column); // brings in its overflow pages
                row.reset(false);
            }
        }
        if (!more)
            break;
    }
    return {};
}

} // namespace ink
