#pragma once
#include <Rt/RtExport.h>
#include <Rt/corelib/KxVec.h>
#include <Rt/driver/Msg.h>

namespace Rt {

class TestSetFactory;

// The entry object of a run. Constructing it starts the run's results (and
// with them the report); execute() runs each script named on the command
// line; destroying it finishes the results and closes the report.
class RT_API TestDriver : public KxRefCounted {
public:
    // argv's strings are not copied: they must outlive the driver.
    TestDriver(int& argc, char** argv);
    // A driver that only reads and scans the scripts: it starts no results
    // and writes no report, so the tests it reaches are only told to the
    // observers and the selection (which should select none of them).
    struct ScanOnly {};
    TestDriver(int& argc, char** argv, ScanOnly);
    TestDriver(const TestDriver& other);
    TestDriver& operator=(const TestDriver& other);
    ~TestDriver() override;

    bool execute();
    void setFactories(Kx::SharedPtrVec<TestSetFactory>& list);
    int numFactories() { return static_cast<int>(m_factories.size()); }
    // Null for a negative index; past the end, the list is extended with empty entries.
    TestSetFactory* factory(int i);

protected:
    virtual bool fatalStateW() { return true; }
    virtual bool warningStateW() { return true; }
    bool readFile(const KxString& name, KxString& text);
    bool executeI(const KxString& text);

private:
    void raise(const char* method, const KxString& text);

    int m_argc;
    char** m_argv;
    Kx::SharedPtrVec<TestSetFactory> m_factories;
    Kx::SharedPtr<Msg> m_message;
};

} // namespace Rt
