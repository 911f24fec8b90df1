#include "rtrun/history/PostgresLibrary.h"
#include "env/LibraryBinding.h"

namespace rtrun {

namespace {

#if defined(_WIN32)
const char* const kLibraryName = "libpq.dll";
#elif defined(__APPLE__)
const char* const kLibraryName = "libpq.5.dylib";
#else
const char* const kLibraryName = "libpq.so.5";
#endif

void bindAll(Rt::LibraryBinding& library, PostgresLibrary& f) {
    library.bind("PQconnectdbParams", f.connectdbParams);
    library.bind("PQstatus", f.status);
    library.bind("PQerrorMessage", f.errorMessage);
    library.bind("PQfinish", f.finish);
    library.bind("PQexec", f.exec);
    library.bind("PQprepare", f.prepare);
    library.bind("PQexecPrepared", f.execPrepared);
    library.bind("PQresultStatus", f.resultStatus);
    library.bind("PQresultErrorMessage", f.resultErrorMessage);
    library.bind("PQclear", f.clear);
    library.bind("PQntuples", f.ntuples);
    library.bind("PQnfields", f.nfields);
    library.bind("PQgetvalue", f.getvalue);
    library.bind("PQputCopyData", f.putCopyData);
    library.bind("PQputCopyEnd", f.putCopyEnd);
    library.bind("PQgetResult", f.getResult);
}

} // namespace

const PostgresLibrary* PostgresLibrary::get(std::string& problem) {
    return Rt::boundOnce<PostgresLibrary>(kLibraryName, "the PostgreSQL client library", &bindAll, problem);
}

} // namespace rtrun
