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

// The same generator computed directly: x := 16807 x mod (2^31 - 1), the
// value x / (2^31 - 1) in double precision rounded to single.
struct Reference {
    explicit Reference(std::int32_t seed) : state(seed ^ kMask) {}
    float next() {
        state = (16807 * state) % kModulus;
        return static_cast<float>(static_cast<double>(state) / static_cast<double>(kModulus));
    }
    std::int32_t seed() const { return static_cast<std::int32_t>(state) ^ kMask; }
    std::int64_t state;
};

// The seed whose next draw leaves the generator in `state`: state times the
// inverse of 16807 modulo the prime (16807^(p-2)).
std::int32_t seedBefore(std::int64_t state) {
    std::int64_t inverse = 1, base = 16807;
    for (std::int64_t exponent = kModulus - 2; exponent > 0; exponent >>= 1, base = base * base % kModulus)
        if (exponent & 1) inverse = inverse * base % kModulus;
    return static_cast<std::int32_t>(state * inverse % kModulus) ^ kMask;
}

// Runs genRndXfmn with the extents given and checks it against nine draws of
// a twin generator: a pure rotation whose first row is the normalised
// (u3, u2, u1) and whose third row is perpendicular to (u6, u5, u4), and a
// translation of u7..u9 times the extents.
void checkTransform(Probe& probe, Probe& twin, const float (&extent)[3]) {
    KxSquareMatrix<float, 4> m;
    KxFixedVec<float, 3> t;
    for (int i = 0; i < 3; ++i) t[i] = extent[i];
    EXPECT_TRUE(probe.genRndXfmn(m, t));
    float u[10];
    for (int i = 1; i <= 9; ++i) u[i] = twin.Random0() * 2.0f - 1.0f;
    ASSERT_EQ(probe.getSeed(), twin.getSeed()) << "exactly nine draws";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t[i], u[7 + i] * std::fabs(extent[i])) << i;
        EXPECT_LE(std::fabs(t[i]), std::fabs(extent[i])) << i;
        for (int j = 0; j < 3; ++j) {
            float dot = 0.0f;
            for (int k = 0; k < 3; ++k) dot += m(i, k) * m(j, k);
            EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-5) << "rows " << i << ", " << j;
        }
        EXPECT_EQ(m(3, i), 0.0f);
        EXPECT_EQ(m(i, 3), 0.0f);
    }
    EXPECT_EQ(m(3, 3), 1.0f);
    const float determinant = m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
                              m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
                              m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
    EXPECT_NEAR(determinant, 1.0f, 1e-5);
    const float length = std::sqrt(u[3] * u[3] + u[2] * u[2] + u[1] * u[1]);
    EXPECT_NEAR(m(0, 0), u[3] / length, 1e-6);
    EXPECT_NEAR(m(0, 1), u[2] / length, 1e-6);
    EXPECT_NEAR(m(0, 2), u[1] / length, 1e-6);
    EXPECT_NEAR(m(2, 0) * u[6] + m(2, 1) * u[5] + m(2, 2) * u[4], 0.0f, 1e-5);
    EXPECT_GT(m(1, 0) * u[6] + m(1, 1) * u[5] + m(1, 2) * u[4], 0.0f)
        << "the second row points to the same side as (u6, u5, u4)";
}

} // namespace

TEST(TestSetRandom, SequencesFollowTheMaskedRecurrenceFromSeed100) {
    Probe probe;
    ASSERT_EQ(probe.getSeed(), 100);
    Reference reference(100);
    for (int i = 0; i < 5000; ++i) {
        const float value = probe.Random0();
        ASSERT_EQ(value, reference.next()) << "draw " << i;
        ASSERT_EQ(probe.getSeed(), reference.seed()) << "draw " << i;
        ASSERT_GT(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }

    // incSeed adds 125: another sequence, the same for every test that does the same.
    Probe first;
    first.incSeed();
    first.incSeed();
    EXPECT_EQ(first.getSeed(), 350);
    Reference incremented(350);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(first.Random0(), incremented.next()) << "draw " << i;

    // Near the top of the range the seed wraps to the bottom (the sanitizer build flags an overflow).
    first.setSeed(INT32_MAX - 100);
    first.incSeed();
    EXPECT_EQ(first.getSeed(), INT32_MIN + 24);
}

TEST(TestSetRandom, FixedPointRoundingAtTheTopAndRndLimits) {
    Probe probe;
    probe.setSeed(kMask);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(probe.Random0(), 0.0f);
        ASSERT_EQ(probe.getSeed(), kMask);
    }
    // The largest states round to exactly one; further down comes the float just under it.
    const std::pair<std::int64_t, float> cases[] = {{kModulus - 1, 1.0f},
                                                    {kModulus - 2, 1.0f},
                                                    {kModulus - 50, 1.0f},
                                                    {kModulus - 100, std::nextafter(1.0f, 0.0f)},
                                                    {1, static_cast<float>(1.0 / 2147483647.0)}};
    for (const auto& [state, value] : cases) {
        probe.setSeed(seedBefore(state));
        EXPECT_EQ(probe.Random0(), value) << state;
        EXPECT_EQ(probe.getSeed(), static_cast<std::int32_t>(state) ^ kMask) << state;
    }
    EXPECT_EQ(probe.rndLimits(0.5f, 10.0f, 4.0f), 12.0f);
    EXPECT_EQ(probe.rndLimits(0.0f, -3.0f, 8.0f), -3.0f);
    EXPECT_EQ(probe.rndLimits(1.0f, -3.0f, 8.0f), 5.0f);
}

TEST(TestSetRandom, RandomTransformIsARotationWithATranslationWithinTheExtents) {
    Probe probe;
    Probe twin;
    checkTransform(probe, twin, {10.0f, 20.0f, 30.0f});
    // The sign of an extent is ignored and a zero extent gives zero.
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        checkTransform(probe, twin, {-10.0f, 0.0f, 5.0f});
    }
}
