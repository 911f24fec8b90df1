// A test library built outside the framework's tree, against its package.
#include <Rt/Rt.h>
#include <cstdlib>
#include <string>

namespace {

class Sum : public Rt::TestSet {
public:
    void initialize() override { setTitle("Sum"); }
    bool executeW() override {
        int sum = 0;
        for (const KxString& arg : getArg()) sum += std::atoi(arg.toStdString().c_str());
        if (KxString(std::to_string(sum).c_str()) != getExt())
            reportStateE("the sum differs from the expected one", "sum", "executeW", "");
        return true;
    }
};

Rt::TestSet* createSum() { return new Sum; }

class ConsumerFactory : public Rt::TestSetFactory {
public:
    ConsumerFactory() { _registerTestCase("Sum", &createSum); }
    const char* name() const override { return "Consumer"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new ConsumerFactory; }
