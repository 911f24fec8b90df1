#pragma once
#include <string>

namespace rtrun {

class HistoryStore;

// The schema version this rtrun writes.
constexpr int kHistorySchemaVersion = 1;

// Brings the history's schema up to this rtrun's version, in the store's
// open transaction: a new history gets the whole schema, an older one the
// steps it lacks. False, with the reason, when that fails or when the
// history has a newer schema than this rtrun knows (then it is left alone).
bool prepareSchema(HistoryStore& store, std::string& problem);

} // namespace rtrun
