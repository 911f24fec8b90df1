#include "ExampleTests.h"
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Volume of a box from its three edge lengths (the arguments), compared
// with the expected volume (the extension text).
class BoxVolume : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("BoxVolume");
        setDesc("Volume of an axis-aligned box from its three edges");
    }
    bool executeW() override {
        if (!RT_CHECK_EQ(argCount(), 3)) return false;
        const double volume = arg<double>(0) * arg<double>(1) * arg<double>(2);
        RT_CHECK_REL(volume, extAs<double>(), 1e-9);
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
        for (int i = 0; i < argCount(); ++i) volume *= arg<double>(i);
        RT_CHECK_GT(volume, 0.0);
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
        const int count = argCount() > 0 ? arg<int>(0) : 100;
        setSeed(4711);
        for (int i = 0; i < count; ++i) {
            KxSquareMatrix<float, 4> m;
            KxFixedVec<float, 3> t;
            t[0] = 10.0f; t[1] = 20.0f; t[2] = 30.0f;
            genRndXfmn(m, t);
            const double det = m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
                               m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
                               m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
            // Stop at the first bad transform: the ones after it say nothing new.
            if (!RT_CHECK_NEAR(det, 1.0, 1e-4)) return false;
            if (!RT_CHECK_LE(std::fabs(t[0]), 10.0f) || !RT_CHECK_LE(std::fabs(t[1]), 20.0f) ||
                !RT_CHECK_LE(std::fabs(t[2]), 30.0f))
                return false;
        }
        return true;
    }
};

// Areas of regular polygons with unit circumradius, as a table compared with
// its reference file: the last digits of the trigonometry may differ between
// compilers and platforms, so numbers match within a tolerance.
class PolygonAreas : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("PolygonAreas");
        setDesc("Areas of regular polygons match the reference table");
    }
    bool executeW() override {
        const double pi = std::acos(-1.0);
        std::string table = "sides  area\n";
        for (int sides = 3; sides <= arg<int>(0); ++sides) {
            char row[64];
            std::snprintf(row, sizeof row, "%5d  %.12g\n", sides, 0.5 * sides * std::sin(2 * pi / sides));
            table += row;
        }
        return RT_CHECK_GOLDEN_NEAR("polygon_areas.txt", table, 1e-9);
    }
};

} // namespace

namespace example {
Rt::TestSet* createBoxVolume() { return new BoxVolume; }
Rt::TestSet* createDegenerateBox() { return new DegenerateBox; }
Rt::TestSet* createRandomTransforms() { return new RandomTransforms; }
Rt::TestSet* createPolygonAreas() { return new PolygonAreas; }
} // namespace example
