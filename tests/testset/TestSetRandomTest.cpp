// The seeded generator and the random rigid transform.
#include <Rt/Rt.h>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kModulus = 2147483647;
constexpr std::int32_t kMask = 123459876;

class Probe : public Rt::TestSet {
public:
    bool executeW() override { return true; }
};

// The same generator computed directly: x := 16807 x mod (2^31 - 1).
struct Reference {
    explicit Reference(std::int32_t seed) : state(seed ^ kMask) {}
    float next() {
        state = (16807 * state) % kModulus;
        return static_cast<float>(static_cast<double>(state) / static_cast<double>(kModulus));
    }
    std::int32_t seed() const { return static_cast<std::int32_t>(state) ^ kMask; }
    std::int64_t state;
};

std::int64_t powMod(std::int64_t base, std::int64_t exponent) {
    std::int64_t result = 1;
    base %= kModulus;
    while (exponent > 0) {
        if (exponent & 1) result = result * base % kModulus;
        base = base * base % kModulus;
        exponent >>= 1;
    }
    return result;
}

// The seed whose next draw leaves the generator in `state`.
std::int32_t seedBefore(std::int64_t state) {
    const std::int64_t inverse = powMod(16807, kModulus - 2);
    return static_cast<std::int32_t>(state * inverse % kModulus) ^ kMask;
}

float determinant3(const KxSquareMatrix<float, 4>& m) {
    return m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) - m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
           m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
}

void expectRigidRotation(const KxSquareMatrix<float, 4>& m) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            float dot = 0.0f;
            for (int k = 0; k < 3; ++k) dot += m(i, k) * m(j, k);
            EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-5) << "rows " << i << ", " << j;
        }
    }
    EXPECT_NEAR(determinant3(m), 1.0f, 1e-5);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m(3, i), 0.0f);
        EXPECT_EQ(m(i, 3), 0.0f);
    }
    EXPECT_EQ(m(3, 3), 1.0f);
}

} // namespace

TEST(TestSetRandom, SequenceFromTheDefaultSeedFollowsTheRecurrence) {
    Probe probe;
    ASSERT_EQ(probe.getSeed(), 100);
    Reference reference(100);
    for (int i = 0; i < 5000; ++i) {
        const float expected = reference.next();
        const float value = probe.Random0();
        ASSERT_EQ(value, expected) << "draw " << i;
        ASSERT_EQ(probe.getSeed(), reference.seed()) << "draw " << i;
        ASSERT_GT(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }
}

TEST(TestSetRandom, OneDrawStoresTheMaskedStateAndReturnsStateOverModulus) {
    Probe probe;
    const std::int64_t state = (16807 * static_cast<std::int64_t>(100 ^ kMask)) % kModulus;
    const float value = probe.Random0();
    EXPECT_EQ(probe.getSeed(), static_cast<std::int32_t>(state) ^ kMask);
    EXPECT_EQ(value, static_cast<float>(static_cast<double>(state) / 2147483647.0));

    Probe twin;
    EXPECT_EQ(twin.Random0(), value);
    EXPECT_EQ(twin.Random0(), probe.Random0());
}

TEST(TestSetRandom, TheMaskItselfAsSeedGivesZeroForever) {
    Probe probe;
    probe.setSeed(kMask);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(probe.Random0(), 0.0f);
        ASSERT_EQ(probe.getSeed(), kMask);
    }
}

TEST(TestSetRandom, TheLargestStatesRoundToExactlyOne) {
    Probe probe;
    for (std::int64_t state : {kModulus - 1, kModulus - 2, kModulus - 50}) {
        probe.setSeed(seedBefore(state));
        EXPECT_EQ(probe.Random0(), 1.0f) << state;
        EXPECT_EQ(probe.getSeed(), static_cast<std::int32_t>(state) ^ kMask);
    }
    // Far enough below the top the value is the float just under one.
    probe.setSeed(seedBefore(kModulus - 100));
    EXPECT_EQ(probe.Random0(), std::nextafter(1.0f, 0.0f));
    // And the smallest state gives the smallest value.
    probe.setSeed(seedBefore(1));
    EXPECT_EQ(probe.Random0(), static_cast<float>(1.0 / 2147483647.0));
}

TEST(TestSetRandom, IncSeedGivesAnotherReproducibleSequence) {
    Probe first;
    Probe second;
    Probe plain;
    first.incSeed();
    second.incSeed();
    EXPECT_EQ(first.getSeed(), 225);
    Reference reference(225);
    for (int i = 0; i < 100; ++i) {
        const float a = first.Random0();
        ASSERT_EQ(a, second.Random0());
        ASSERT_EQ(a, reference.next());
        if (i == 0) {
            EXPECT_NE(a, plain.Random0());
        }
    }
    first.incSeed();
    EXPECT_EQ(first.getSeed(), second.getSeed() + 125);
}

TEST(TestSetRandom, RndLimitsMapsIntoTheInterval) {
    Probe probe;
    EXPECT_EQ(probe.rndLimits(0.5f, 10.0f, 4.0f), 12.0f);
    EXPECT_EQ(probe.rndLimits(0.0f, -3.0f, 8.0f), -3.0f);
    EXPECT_EQ(probe.rndLimits(1.0f, -3.0f, 8.0f), 5.0f);
}

TEST(TestSetRandom, RandomTransformIsARotationWithBoundedTranslation) {
    Probe probe;
    Probe twin;
    KxSquareMatrix<float, 4> m;
    KxFixedVec<float, 3> t;
    t[0] = 10.0f;
    t[1] = 20.0f;
    t[2] = 30.0f;
    EXPECT_TRUE(probe.genRndXfmn(m, t));

    float u[10];
    for (int i = 1; i <= 9; ++i) u[i] = twin.Random0() * 2.0f - 1.0f;
    EXPECT_EQ(probe.getSeed(), twin.getSeed()) << "exactly nine draws";

    expectRigidRotation(m);
    EXPECT_EQ(t[0], u[7] * 10.0f);
    EXPECT_EQ(t[1], u[8] * 20.0f);
    EXPECT_EQ(t[2], u[9] * 30.0f);
    EXPECT_LE(std::fabs(t[0]), 10.0f);
    EXPECT_LE(std::fabs(t[1]), 20.0f);
    EXPECT_LE(std::fabs(t[2]), 30.0f);

    // The first row is the normalised (u3, u2, u1).
    const float length = std::sqrt(u[3] * u[3] + u[2] * u[2] + u[1] * u[1]);
    EXPECT_NEAR(m(0, 0), u[3] / length, 1e-6);
    EXPECT_NEAR(m(0, 1), u[2] / length, 1e-6);
    EXPECT_NEAR(m(0, 2), u[1] / length, 1e-6);
    // The third row is perpendicular to (u6, u5, u4), which lies in the plane of the first two.
    EXPECT_NEAR(m(2, 0) * u[6] + m(2, 1) * u[5] + m(2, 2) * u[4], 0.0f, 1e-5);
    EXPECT_GT(m(1, 0) * u[6] + m(1, 1) * u[5] + m(1, 2) * u[4], 0.0f)
        << "the second row points to the same side as (u6, u5, u4)";
}

TEST(TestSetRandom, TranslationExtentIgnoresTheSignAndZeroStaysZero) {
    Probe probe;
    Probe twin;
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        KxSquareMatrix<float, 4> m;
        KxFixedVec<float, 3> t;
        t[0] = -10.0f;
        t[1] = 0.0f;
        t[2] = 5.0f;
        EXPECT_TRUE(probe.genRndXfmn(m, t));
        float u[10];
        for (int i = 1; i <= 9; ++i) u[i] = twin.Random0() * 2.0f - 1.0f;
        ASSERT_EQ(probe.getSeed(), twin.getSeed());
        expectRigidRotation(m);
        EXPECT_EQ(t[0], u[7] * 10.0f);
        EXPECT_EQ(t[1], 0.0f);
        EXPECT_EQ(t[2], u[9] * 5.0f);
        EXPECT_LE(std::fabs(t[0]), 10.0f);
        EXPECT_LE(std::fabs(t[2]), 5.0f);
    }
}
