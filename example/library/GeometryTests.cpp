#include "ExampleTests.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

double toNumber(const KxString& text) { return std::strtod(text.toStdString().c_str(), nullptr); }

KxString describe(const char* format, double a, double b) {
    char line[160];
    std::snprintf(line, sizeof(line), format, a, b);
    return line;
}

// Volume of a box from its three edge lengths (the arguments), compared
// with the expected volume (the extension text).
class BoxVolume : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("BoxVolume");
        setDesc("Volume of an axis-aligned box from its three edges");
    }
    bool executeW() override {
        const KxVec<KxString>& edges = getArg();
        if (edges.size() != 3) {
            reportStateE("BoxVolume needs three edge lengths as arguments", "edges", "executeW", "");
            return false;
        }
        double volume = 1.0;
        for (const KxString& edge : edges) volume *= toNumber(edge);
        const double expected = toNumber(getExt());
        if (std::fabs(volume - expected) > 1e-9 * std::fabs(expected)) {
            reportStateE(describe("volume %g differs from the expected %g", volume, expected), "volume", "executeW", "");
        }
        return true;
    }
};

// A box with a zero edge has no volume: a solid modeller must refuse it.
class DegenerateBox : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("DegenerateBox");
        setDesc("A box with a zero-length edge must be rejected");
    }
    bool executeW() override {
        double volume = 1.0;
        for (const KxString& edge : getArg()) volume *= toNumber(edge);
        if (volume <= 0.0) {
            reportStateE(describe("box accepted with volume %g (edges product %g)", volume, volume),
                         "volume > 0", "executeW", "");
        }
        return true;
    }
};

// Random rigid transforms must be rotations: orthonormal rows, determinant
// +1, and a translation within the requested extent.
class RandomTransforms : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("RandomTransforms");
        setDesc("Random rotations are orthonormal with determinant +1");
    }
    bool executeW() override {
        const int count = getArg().size() > 0 ? std::atoi(getArg()[0].toStdString().c_str()) : 100;
        setSeed(4711);
        for (int i = 0; i < count; ++i) {
            KxSquareMatrix<float, 4> m;
            KxFixedVec<float, 3> t;
            t[0] = 10.0f; t[1] = 20.0f; t[2] = 30.0f;
            genRndXfmn(m, t);
            const double det = m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
                               m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
                               m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
            if (std::fabs(det - 1.0) > 1e-4) {
                reportStateE(describe("transform %g has determinant %g", i, det), "det == 1", "executeW", "");
                return false;
            }
            if (std::fabs(t[0]) > 10.0f || std::fabs(t[1]) > 20.0f || std::fabs(t[2]) > 30.0f) {
                reportStateE(describe("translation %g out of range (x = %g)", i, t[0]), "extent", "executeW", "");
                return false;
            }
        }
        return true;
    }
};

} // namespace

namespace example {
Rt::TestSet* createBoxVolume() { return new BoxVolume; }
Rt::TestSet* createDegenerateBox() { return new DegenerateBox; }
Rt::TestSet* createRandomTransforms() { return new RandomTransforms; }
} // namespace example
