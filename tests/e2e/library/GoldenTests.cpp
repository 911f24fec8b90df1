// Golden-file tests for the accept round trip: a table with a tolerance, a
// platform-specific reference, a reference not yet made, a binary file, and
// one failure that is no golden check.
#include <Rt/Rt.h>
#include <cstdio>
#include <string>

namespace {

class Table : public Rt::TestSet {
public:
    void initialize() override { setTitle("Table"); }
    bool executeW() override {
        const double side = arg<double>(0);
        char text[128];
        std::snprintf(text, sizeof text, "side %.3f\narea %.6e\n", side, side * side);
        return RT_CHECK_GOLDEN_NEAR("table.txt", std::string(text), 1e-9);
    }
};

class Platform : public Rt::TestSet {
public:
    void initialize() override { setTitle("Platform"); }
    bool executeW() override { return RT_CHECK_GOLDEN("plat.txt", "this platform\n"); }
};

class Fresh : public Rt::TestSet {
public:
    void initialize() override { setTitle("Fresh"); }
    bool executeW() override { return RT_CHECK_GOLDEN("new/fresh.txt", "fresh\n"); }
};

class Bytes : public Rt::TestSet {
public:
    void initialize() override { setTitle("Bytes"); }
    bool executeW() override {
        const std::string made = Rt::outDataDir().toStdString() + "made.bin";
        std::FILE* file = std::fopen(made.c_str(), "wb");
        if (!RT_CHECK(file != nullptr)) return false;
        const unsigned char bytes[] = {0, 1, 2, 0xFF, '\r', '\n'};
        std::fwrite(bytes, 1, sizeof bytes, file);
        std::fclose(file);
        return RT_CHECK_GOLDEN_FILE("bytes.bin", made);
    }
};

class Plain : public Rt::TestSet {
public:
    void initialize() override { setTitle("Plain"); }
    bool executeW() override { return RT_CHECK_EQ(arg<int>(0), 4); }
};

Rt::TestSet* createTable() { return new Table; }
Rt::TestSet* createPlatform() { return new Platform; }
Rt::TestSet* createFresh() { return new Fresh; }
Rt::TestSet* createBytes() { return new Bytes; }
Rt::TestSet* createPlain() { return new Plain; }

class GoldenFactory : public Rt::TestSetFactory {
public:
    GoldenFactory() {
        _registerTestCase("Table", &createTable);
        _registerTestCase("Platform", &createPlatform);
        _registerTestCase("Fresh", &createFresh);
        _registerTestCase("Bytes", &createBytes);
        _registerTestCase("Plain", &createPlain);
    }
    const char* name() const override { return "Golden"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new GoldenFactory; }
