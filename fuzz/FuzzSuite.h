#pragma once
// What every harness starts from: a fresh temporary suite made the library's
// base, the library started on it, and the progress lines of the tests that
// run sent to /dev/null (libFuzzer reports on standard error).
#include <Rt/Rt.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace fuzzsupport {

inline bool writeBytes(const std::string& path, const char* bytes, std::size_t count) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes, 1, count, file) == count;
    return std::fclose(file) == 0 && written;
}
inline bool writeBytes(const std::string& path, const std::string& text) {
    return writeBytes(path, text.data(), text.size());
}

// The whole file; empty when it cannot be read.
inline std::string readBytes(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        std::size_t n;
        while ((n = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
        std::fclose(file);
    }
    return text;
}

// The suite's base directory, ending in "/"; made and started once per process.
inline const std::string& suiteBase() {
    // Plain characters: the removal at exit runs after the strings are gone.
    static char made[] = "/tmp/rtfuzz.XXXXXX";
    static const std::string base = [] {
        if (!::mkdtemp(made)) {
            std::perror("mkdtemp");
            std::abort();
        }
        const std::string dir = std::string(made) + "/";
        for (const char* sub : {"Config", "Scripts", "GoldenData", "Results"}) ::mkdir((dir + sub).c_str(), 0777);
        ::setenv("KXRT_RELATIVE_PATH", dir.c_str(), 1);
        ::setenv("KXRT_PLAT_TARG", "FUZZ", 1);
        if (!std::freopen("/dev/null", "w", stdout)) std::abort();
        // Runs after the harnesses' own objects are gone, which still write into the suite.
        std::atexit([] {
            if (std::system((std::string("rm -rf '") + made + "'").c_str()) != 0) std::perror(made);
        });
        RtLib::init();
        return dir;
    }();
    return base;
}

// A test whose verdict follows its name: "Fail" raises an error, "Throw"
// throws out of its body.
class NamedTest : public Rt::TestSet {
public:
    explicit NamedTest(const char* name) : m_name(name) {}
    void initialize() override { setTitle(m_name); }
    bool executeW() override {
        const std::string name = m_name;
        if (name == "Fail") reportStateE("failed on purpose", "check", "executeW", "");
        if (name == "Throw") throw 1;
        return true;
    }

private:
    const char* m_name;
};

// A factory that knows a few test names.
class NamedFactory : public Rt::TestSetFactory {
public:
    NamedFactory() {
        _registerTestCase("Pass", [] { return static_cast<Rt::TestSet*>(new NamedTest("Pass")); });
        _registerTestCase("Fail", [] { return static_cast<Rt::TestSet*>(new NamedTest("Fail")); });
        _registerTestCase("Throw", [] { return static_cast<Rt::TestSet*>(new NamedTest("Throw")); });
    }
    const char* name() const override { return "Named"; }
};

} // namespace fuzzsupport
