#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxMath.h>
#include <Rt/corelib/KxPartition.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/driver/Info.h>
#include <Rt/driver/Msg.h>
#include <cstdint>
#include <string>

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

    // The script's arguments and extension text by type: double, int, long
    // long, bool, std::string or KxString. arg<T>(i) reads argument i
    // (counted from 0), extAs<T>() the extension text. A missing argument,
    // or a text that is not wholly a T (trailing text, a number out of T's
    // range), raises a test error saying which argument, what was there and
    // what a T looks like, and gives T{}. Reading is locale-free: "." is the
    // decimal point; spaces and tabs around the text are dropped; numbers
    // take an optional sign, doubles also "1e-09", "inf" and "nan"; a bool
    // is true/yes/on/1 or false/no/off/0 in any letter case. An empty
    // extension text is a valid text, not a number or bool.
    int argCount() const { return static_cast<int>(m_args.size()); }
    template <class T>
    T arg(int index) {
        T value{};
        readValue(false, index, value);
        return value;
    }
    template <class T>
    T extAs() {
        T value{};
        readValue(true, 0, value);
        return value;
    }
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
    // The argument `index`, or the extension text, into `value`; raises the
    // test error when there is none to read.
    void readValue(bool extension, int index, double& value);
    void readValue(bool extension, int index, int& value);
    void readValue(bool extension, int index, long long& value);
    void readValue(bool extension, int index, bool& value);
    void readValue(bool extension, int index, std::string& value);
    void readValue(bool extension, int index, KxString& value);

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
