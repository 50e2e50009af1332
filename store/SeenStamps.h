#pragma once
#include <optional>
#include <QDateTime>
#include <QHash>
#include <QList>

#include "Statement.h"

namespace ink {

class Database;

// Records that a build found units, routines and declarations already
// stored: their LastSeen moves to the build's stamp. A refresh finds nearly every row
// again, so this is a prepared statement, not a cursor edit and post (which
// for a unit would also load its routines); routines go a few hundred to one
// statement (on a server, one round trip each).
class SeenStamps {
public:
    SeenStamps(Database& db, const QDateTime& stamp);
    // Writes what is still held, if it can: the build's own end calls
    // finish(), where a failure is reported.
    ~SeenStamps();
    SeenStamps(const SeenStamps&) = delete;
    SeenStamps& operator=(const SeenStamps&) = delete;

    void routineSeen(qint64 procNo);
    void declarationSeen(qint64 declNo);
    void unitSeen(qint64 unitNo);
    // A unit not read again because its source is as it was: its routines
    // that the read at `read` found (they carry that stamp or a later one)
    // are found again. Its declarations need nothing: they are judged by
    // their unit's DeclsSeen, which only a read moves.
    void unitRoutinesSeenAgain(qint64 docNo, qint64 unitNo, const QDateTime& read);
    // The same unit when it has no DeclsSeen yet (a store from before): its
    // declarations are judged from now on by the read at `read`, so those it
    // found stay found, as the document's scan judged them until now.
    void unitDeclarationsJudgedBy(qint64 unitNo, const QDateTime& read);
    // A unit whose file is there but could not be read: its routines stay
    // as the document's previous scan at `lastScan` left them, those it
    // found found again, those that had left still gone. Without a previous
    // scan (a store from before) every one of them is found again.
    void unitRoutinesKept(qint64 docNo, qint64 unitNo, const QDateTime& lastScan);
    // Writes the routines' and declarations' stamps still held.
    void finish();

    // The stamp of a new scan of the document: now, in whole seconds, and
    // always later than the document's previous scan, so that two refreshes
    // within one second still tell what the second one did not find.
    static QDateTime nextScanStamp(Database& db, int docNo);

    // How many routine rows each unit of the document has, by UnitNo.
    static QHash<qint64, int> routineRowsByUnit(Database& db, int docNo);
    // How many declaration rows each unit of the document has, by UnitNo.
    static QHash<qint64, int> declarationRowsByUnit(Database& db, int docNo);

private:
    static constexpr int RowsPerUpdate = 256;
    Statement update_;
    Statement updateUnit_;
    Statement updateUnitRoutines_;
    Statement updateDecls_;
    Statement updateDeclsSeen_;
    std::optional<Statement> updateAllUnitRoutines_; // prepared when first needed
    Database& db_;
    QDateTime stamp_;
    QList<qint64> held_;
    QList<qint64> heldDecls_;
};

} // namespace ink
