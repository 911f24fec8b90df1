// The helpers TestSet offers to test code: random numbers and transforms,
// file names, and model files from the data directories.
#include "env/GlobalStorage.h"
#include "testset/TestSet.h"
#include "env/PathText.h"
#include <cmath>
#include <cstdio>
#include <cstdint>

namespace Rt {

namespace {

constexpr std::int32_t kSeedMask = 123459876;

struct Vec3 {
    float x, y, z;
};

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Scales to unit length; a zero vector stays as it is.
Vec3 normalised(const Vec3& v) {
    float sum = 0.0f;
    sum += v.x * v.x;
    sum += v.y * v.y;
    sum += v.z * v.z;
    if (sum == 0.0f) return v;
    const float inverse = 1.0f / std::sqrt(sum);
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}

} // namespace

// Park and Miller's minimal standard generator (multiplier 16807, modulus
// 2^31 - 1) with Schrage's decomposition; the state is stored masked.
float TestSet::Random0() {
    std::int32_t x = m_seed ^ kSeedMask;
    const std::int32_t k = x / 127773;
    // 16807 * x - k * (2^31 - 1), wrapping as 32-bit two's complement arithmetic.
    x = static_cast<std::int32_t>(16807u * static_cast<std::uint32_t>(x) -
                                  static_cast<std::uint32_t>(k) * 2147483647u);
    if (x < 0) x += 2147483647;
    const float value = static_cast<float>(x * (1.0 / 2147483647.0));
    m_seed = x ^ kSeedMask;
    return value;
}

float TestSet::rndLimits(float x, float y, float z) { return x * z + y; }

bool TestSet::genRndXfmn(KxSquareMatrix<float, 4>& m, KxFixedVec<float, 3>& t) {
    float u[10];
    for (int i = 1; i <= 9; ++i) {
        const float r = Random0();
        u[i] = r * 2.0f - 1.0f;
    }
    const Vec3 a{u[3], u[2], u[1]};
    const Vec3 b{u[6], u[5], u[4]};
    for (int i = 0; i < 3; ++i) t[i] = u[7 + i] * std::fabs(t[i]);

    const Vec3 aUnit = normalised(a);
    const Vec3 cUnit = normalised(cross(aUnit, b));
    const Vec3 d = cross(cUnit, aUnit);
    const float elements[16] = {aUnit.x, aUnit.y, aUnit.z, 0.0f, d.x,  d.y,  d.z,  0.0f,
                                cUnit.x, cUnit.y, cUnit.z, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    for (int i = 0; i < 16; ++i) m[i] = elements[i];
    return true;
}

bool TestSet::extractFileName(KxString& path) {
    const int separator = lastPathSeparator(path);
    if (separator < 0) return false;
    path.remove(0, separator + 1);
    return true;
}

bool TestSet::extractPath(KxString& path) {
    const int separator = lastPathSeparator(path);
    if (separator < 0) path.clear();
    else path.remove(separator + 1, -1);
    return true;
}

bool TestSet::readPartition(const KxString& fileName, Kx::SharedPtr<KxPartition>& out) {
    out = nullptr;
    if (!fileName.contains(".kx")) {
        std::printf("Unknown file type. \n");
        std::printf("%s must contain { .kx }\n", fileName.toStdString().c_str());
        return false;
    }
    KxString name(fileName);
    extractFileName(name);
    KxString directory(fileName);
    extractPath(directory);
    int replaced = 0;
    directory.replace("${OUT_DIR}/", Rt::outDataDir(), replaced, true);
    directory.replace("${IN_DIR}/", Rt::inDataDir(), replaced, true);
    if (directory.isEmpty()) directory = Rt::inDataDir();

    SetErrorString(KxString("KxError: openPartition() - ") + directory + name);
    Kx::SharedPtr<KxFSStorageLocation> location(new KxFSStorageLocation(directory, name));
    if (!location) {
        reportStateE(getErrorString(), "pLocation = new KxFSStorageLocation(*tStr, filename)",
                     "Rt::TestSet::readPartition", "");
        return false;
    }
    KxPartition::openPartition(location.get(), nullptr, out);
    if (!out) {
        // Nothing was opened, so there are no partitions to open below it.
        reportStateE(getErrorString(), "par", "Rt::TestSet::readPartition", "");
        return false;
    }
    SetErrorString(KxString("KxError: openAllPartitions-() - ") + fileName);
    if (!KxPartition::openAllPartitions(out.get(), true)) {
        reportStateE(getErrorString(), "KxPartition::openAllPartitions( apPar, 1 )",
                     "Rt::TestSet::readPartition", "");
    }
    return true;
}

} // namespace Rt
