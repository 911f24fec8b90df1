#pragma once
#include <libpq-fe.h>
#include <string>

namespace rtrun {

// The functions of the PostgreSQL client library that the history uses,
// loaded when a server's address is first used: rtrun needs neither the
// library nor what it pulls in (TLS, Kerberos) until a team's history asks.
struct PostgresLibrary {
    decltype(&PQconnectdbParams) connectdbParams;
    decltype(&PQstatus) status;
    decltype(&PQerrorMessage) errorMessage;
    decltype(&PQfinish) finish;
    decltype(&PQexec) exec;
    decltype(&PQprepare) prepare;
    decltype(&PQexecPrepared) execPrepared;
    decltype(&PQresultStatus) resultStatus;
    decltype(&PQresultErrorMessage) resultErrorMessage;
    decltype(&PQclear) clear;
    decltype(&PQntuples) ntuples;
    decltype(&PQnfields) nfields;
    decltype(&PQgetvalue) getvalue;
    decltype(&PQputCopyData) putCopyData;
    decltype(&PQputCopyEnd) putCopyEnd;
    decltype(&PQgetResult) getResult;

    // The loaded functions; null, with the reason in `problem`, when the
    // library or one of them cannot be had.
    static const PostgresLibrary* get(std::string& problem);
};

} // namespace rtrun
