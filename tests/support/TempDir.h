#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
#include <string>

namespace testsupport {

class TempDir {
public:
    // `prefix` starts the directory's name, to tell whose it is.
    explicit TempDir(const std::string& prefix = "rttest");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }  // ends in "/"

private:
    std::string m_path;
};

} // namespace testsupport
