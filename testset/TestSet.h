#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxMath.h>
#include <Rt/corelib/KxPartition.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/driver/Info.h>
#include <Rt/driver/Msg.h>
#include <cstdint>

namespace Rt {

// Base class of every test case. A test library derives one class per test
// case, gives it a body (executeW) and usually its own initialize(). The
// framework runs it with execute(), which frames the body: progress line,
// report element, leak checks, timing, values, summary and verdict.
class RT_API TestSet : public KxRefCounted, public Info {
public:
    TestSet();
    TestSet(const TestSet& other);
    TestSet& operator=(const TestSet& other);
    ~TestSet() override;

    // Gives the test its title, description and type.
    virtual void initialize();
    // The test body: true when the test considers itself passed.
    virtual bool executeW() = 0;
    virtual bool fatalState();
    // Called just before the framework raises a test error on the test's behalf.
    virtual bool warningState();

    // Runs the test in its frame; true when it passed.
    bool execute();

    // Raises a test error with the test's title as class name, b as method
    // name, c as first text, a as second text and `text` as message line.
    void reportStateE(const KxString& text, const char* a, const char* b, const char* c);

    void addArg(const KxString& arg);
    const KxVec<KxString>& getArg() const { return m_args; }
    void setExt(const KxString& ext) { m_ext = ext; }
    const KxString& getExt() const { return m_ext; }
    void _setRetData(bool flag) { m_retData = flag; }
    bool _getRetData() const { return m_retData; }
    void _getData(Kx::SharedPtr<KxBase>& out);

    // Reproducible random numbers: a minimal-standard generator whose state
    // is kept masked in the seed.
    void setSeed(int seed) { m_seed = seed; }
    int getSeed() const { return m_seed; }
    // Wraps past INT_MAX to the negative range, as two's-complement addition would.
    void incSeed() { m_seed = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_seed) + 125u); }
    float Random0();
    float rndLimits(float x, float y, float z);
    // A random rotation into m and a random translation into t, each
    // component of t within +-|t[i]| of its incoming value's extent.
    bool genRndXfmn(KxSquareMatrix<float, 4>& m, KxFixedVec<float, 3>& t);

    // File-name helpers: either "/" or "\\" separates.
    bool extractFileName(KxString& path);
    bool extractPath(KxString& path);
    // Opens a model file (".kx") from the data directories, raising a test
    // error when it cannot be opened.
    bool readPartition(const KxString& fileName, Kx::SharedPtr<KxPartition>& out);

private:
    void sendCommand(const KxString& command, KxErrorCode code, const KxString* element);

    std::int32_t m_seed = 100;
    KxString m_ext;
    KxVec<KxString> m_args;
    Kx::SharedPtr<Msg> m_message;
    bool m_retData = false;

protected:
    // A result object the test may leave for its caller (see _getData).
    Kx::SharedPtr<KxBase> m_data;
};

} // namespace Rt
