// The PostgreSQL client library, loaded when a server store is first used
// rather than when the program starts. libpq brings twenty libraries of its
// own (TLS, Kerberos, LDAP ...), whose loading cost a quick command such as
// "inkwright-tool search" more than its query: most runs never reach a
// server. The functions the server back-end calls are defined here, each
// forwarding to libpq's own, found by name once; the program is linked
// against none of them.
#include <libpq-fe.h>
#include <QLibrary>

#include "StoreError.h"

namespace {

QLibrary& libpq() {
#ifdef Q_OS_WIN
    static QLibrary library(QStringLiteral("libpq"));
#else
    static QLibrary library(QStringLiteral("pq"), 5);
#endif
    return library;
}

// Loads the library on first use. Throws, as an unreachable server does,
// when it is not installed: the user then learns why no server store opens.
QFunctionPointer libpqFunction(const char* name) {
    QLibrary& library = libpq();
    if (const QFunctionPointer function = library.resolve(name))
        return function;
    throw ink::ServerUnreachable(
        QStringLiteral("Cannot use a server store: the PostgreSQL client library (libpq) could "
                       "not be loaded (%1).")
            .arg(library.errorString()));
}

} // namespace

#define INK_LIBPQ(name)                                                                            \
    static const auto real = reinterpret_cast<decltype(&name)>(libpqFunction(#name))

PGconn* PQconnectdbParams(const char* const* keywords, const char* const* values,
                          int expandDbname) {
    INK_LIBPQ(PQconnectdbParams);
    return real(keywords, values, expandDbname);
}
void PQfinish(PGconn* conn) {
    INK_LIBPQ(PQfinish);
    real(conn);
}
void PQreset(PGconn* conn) {
    INK_LIBPQ(PQreset);
    real(conn);
}
ConnStatusType PQstatus(const PGconn* conn) {
    INK_LIBPQ(PQstatus);
    return real(conn);
}
PGTransactionStatusType PQtransactionStatus(const PGconn* conn) {
    INK_LIBPQ(PQtransactionStatus);
    return real(conn);
}
char* PQerrorMessage(const PGconn* conn) {
    INK_LIBPQ(PQerrorMessage);
    return real(conn);
}
int PQconnectionNeedsPassword(const PGconn* conn) {
    INK_LIBPQ(PQconnectionNeedsPassword);
    return real(conn);
}
int PQbackendPID(const PGconn* conn) {
    INK_LIBPQ(PQbackendPID);
    return real(conn);
}
int PQconsumeInput(PGconn* conn) {
    INK_LIBPQ(PQconsumeInput);
    return real(conn);
}
PGnotify* PQnotifies(PGconn* conn) {
    INK_LIBPQ(PQnotifies);
    return real(conn);
}
void PQfreemem(void* ptr) {
    INK_LIBPQ(PQfreemem);
    real(ptr);
}
PGresult* PQexec(PGconn* conn, const char* query) {
    INK_LIBPQ(PQexec);
    return real(conn, query);
}
PGresult* PQprepare(PGconn* conn, const char* stmtName, const char* query, int nParams,
                    const Oid* paramTypes) {
    INK_LIBPQ(PQprepare);
    return real(conn, stmtName, query, nParams, paramTypes);
}
PGresult* PQexecPrepared(PGconn* conn, const char* stmtName, int nParams,
                         const char* const* paramValues, const int* paramLengths,
                         const int* paramFormats, int resultFormat) {
    INK_LIBPQ(PQexecPrepared);
    return real(conn, stmtName, nParams, paramValues, paramLengths, paramFormats, resultFormat);
}
PGresult* PQexecParams(PGconn* conn, const char* command, int nParams, const Oid* paramTypes,
                       const char* const* paramValues, const int* paramLengths,
                       const int* paramFormats, int resultFormat) {
    INK_LIBPQ(PQexecParams);
    return real(conn, command, nParams, paramTypes, paramValues, paramLengths, paramFormats,
                resultFormat);
}
void PQclear(PGresult* res) {
    INK_LIBPQ(PQclear);
    real(res);
}
ExecStatusType PQresultStatus(const PGresult* res) {
    INK_LIBPQ(PQresultStatus);
    return real(res);
}
char* PQresultErrorMessage(const PGresult* res) {
    INK_LIBPQ(PQresultErrorMessage);
    return real(res);
}
int PQntuples(const PGresult* res) {
    INK_LIBPQ(PQntuples);
    return real(res);
}
char* PQgetvalue(const PGresult* res, int row, int column) {
    INK_LIBPQ(PQgetvalue);
    return real(res, row, column);
}
int PQgetlength(const PGresult* res, int row, int column) {
    INK_LIBPQ(PQgetlength);
    return real(res, row, column);
}
int PQgetisnull(const PGresult* res, int row, int column) {
    INK_LIBPQ(PQgetisnull);
    return real(res, row, column);
}
char* PQcmdStatus(PGresult* res) {
    INK_LIBPQ(PQcmdStatus);
    return real(res);
}
char* PQcmdTuples(PGresult* res) {
    INK_LIBPQ(PQcmdTuples);
    return real(res);
}
int PQputCopyData(PGconn* conn, const char* buffer, int nbytes) {
    INK_LIBPQ(PQputCopyData);
    return real(conn, buffer, nbytes);
}
int PQputCopyEnd(PGconn* conn, const char* errormsg) {
    INK_LIBPQ(PQputCopyEnd);
    return real(conn, errormsg);
}
PGresult* PQgetResult(PGconn* conn) {
    INK_LIBPQ(PQgetResult);
    return real(conn);
}
PQconninfoOption* PQconninfoParse(const char* conninfo, char** errmsg) {
    INK_LIBPQ(PQconninfoParse);
    return real(conninfo, errmsg);
}
void PQconninfoFree(PQconninfoOption* connOptions) {
    INK_LIBPQ(PQconninfoFree);
    real(connOptions);
}
char* PQresultErrorField(const PGresult* res, int fieldcode) {
    INK_LIBPQ(PQresultErrorField);
    return real(res, fieldcode);
}
