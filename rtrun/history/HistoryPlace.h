#pragma once
#include <string>

namespace rtrun {

// Where a suite's run history is kept, and under which name.
struct HistoryPlace {
    std::string location;  // an SQLite file or a postgresql:// address; empty: nothing is recorded
    std::string suite;     // the suite's name: machines that keep it in different places share its history
    int keep = 0;          // runs kept per suite and platform after recording; 0: all

    bool off() const { return location.empty(); }
    // Where, as messages show it (a server's address without its password).
    std::string shown() const;

    // The history of the suite chosen for this process (KXRT_RELATIVE_PATH
    // or the directory above rtrun's): KXRT_HISTORY, else history.sqlite in
    // the suite's result directory; nothing when `disabled` or KXRT_HISTORY
    // is "off". The suite is called KXRT_SUITE_NAME, else by the last
    // component of its base directory.
    static HistoryPlace ofThisSuite(bool disabled, int keep);
};

} // namespace rtrun
