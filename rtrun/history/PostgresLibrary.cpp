#include "rtrun/history/PostgresLibrary.h"
#include "env/Platform.h"

namespace rtrun {

namespace {

#if defined(_WIN32)
const char* const kLibraryName = "libpq.dll";
#elif defined(__APPLE__)
const char* const kLibraryName = "libpq.5.dylib";
#else
const char* const kLibraryName = "libpq.so.5";
#endif

template <class Function>
void bind(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(Rt::Platform::findSymbol(library, name));
    if (!function && missing.empty()) missing = name;
}

struct Loaded {
    PostgresLibrary functions{};
    std::string problem;
    bool ok = false;

    Loaded() {
        void* library = Rt::Platform::loadLibrary(kLibraryName, problem);
        if (!library) {
            problem = "the PostgreSQL client library " + std::string(kLibraryName) + " cannot be loaded: " + problem;
            return;
        }
        std::string missing;
        PostgresLibrary& f = functions;
        bind(library, "PQconnectdbParams", f.connectdbParams, missing);
        bind(library, "PQstatus", f.status, missing);
        bind(library, "PQerrorMessage", f.errorMessage, missing);
        bind(library, "PQfinish", f.finish, missing);
        bind(library, "PQexec", f.exec, missing);
        bind(library, "PQprepare", f.prepare, missing);
        bind(library, "PQexecPrepared", f.execPrepared, missing);
        bind(library, "PQresultStatus", f.resultStatus, missing);
        bind(library, "PQresultErrorMessage", f.resultErrorMessage, missing);
        bind(library, "PQclear", f.clear, missing);
        bind(library, "PQntuples", f.ntuples, missing);
        bind(library, "PQnfields", f.nfields, missing);
        bind(library, "PQgetvalue", f.getvalue, missing);
        bind(library, "PQputCopyData", f.putCopyData, missing);
        bind(library, "PQputCopyEnd", f.putCopyEnd, missing);
        bind(library, "PQgetResult", f.getResult, missing);
        if (!missing.empty()) {
            problem = "the PostgreSQL client library " + std::string(kLibraryName) + " lacks " + missing;
            return;
        }
        ok = true;  // the library stays loaded for the life of the process
    }
};

} // namespace

const PostgresLibrary* PostgresLibrary::get(std::string& problem) {
    static const Loaded loaded;
    if (!loaded.ok) problem = loaded.problem;
    return loaded.ok ? &loaded.functions : nullptr;
}

} // namespace rtrun
