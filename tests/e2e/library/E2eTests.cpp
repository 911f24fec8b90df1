// The test library of the end-to-end tests: one test case per way a test
// can end, so a real run of rtrun shows each of them in its report.
#include <Rt/Rt.h>
#include <cstdlib>
#include <stdexcept>

namespace {

void raise(const Rt::TestSet& test, KxErrorCode code, const char* method, const KxString& line) {
    Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(test.getTitle(), method, "", "", code));
    if (!message) return;
    message->textList.append(line);
    KxErrorState::setError(message.get());
}

class Pass : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Pass");
        setDesc("passes");
    }
    bool executeW() override { return true; }
};

class Fail : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Fail");
        setDesc("reports an error");
    }
    bool executeW() override {
        reportStateE("value 3 < 4 & \"quoted\"", "check", "executeW", "");
        return true;
    }
};

class Warn : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Warn");
        setDesc("only warns");
    }
    bool executeW() override {
        raise(*this, -16, "executeW", "close to the limit");
        return true;
    }
};

class Throw : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Throw");
        setDesc("throws");
    }
    bool executeW() override { throw std::runtime_error("out of range"); }
};

class External : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("External");
        setDesc("a solver fails");
    }
    bool executeW() override {
        raise(*this, -17, "solve", "solver diverged");
        return true;
    }
};

class ExtWarning : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("ExtWarning");
        setDesc("a solver warns");
    }
    bool executeW() override {
        raise(*this, -18, "solve", "solver slow");
        return true;
    }
};

class ReturnFalse : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("ReturnFalse");
        setDesc("returns false");
    }
    bool executeW() override { return false; }
};

class CoreError : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("CoreError");
        setDesc("leaves a core-library error");
    }
    bool executeW() override {
        KxErrorState::throwStdError("KxThing", "doIt", "broken", 42);
        return true;
    }
};

// Shows in its description what the factory handed it before initialize().
class Echo : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Echo");
        KxString desc("args=");
        for (std::uint32_t i = 0; i < getArg().size(); ++i) {
            if (i > 0) desc += "|";
            desc += getArg()[i];
        }
        desc += " ext=";
        desc += getExt();
        setDesc(desc);
    }
    bool executeW() override { return true; }
};

// Ends the process in the middle of its body, as a crash would.
class Die : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("Die");
        setDesc("ends the process");
    }
    bool executeW() override {
        raise(*this, -16, "executeW", "about to die");
        std::_Exit(7);
    }
};

template <class T>
Rt::TestSet* make() {
    return new T;
}

class E2eFactory : public Rt::TestSetFactory {
public:
    E2eFactory() {
        _registerTestCase("Pass", &make<Pass>);
        _registerTestCase("Fail", &make<Fail>);
        _registerTestCase("Warn", &make<Warn>);
        _registerTestCase("Throw", &make<Throw>);
        _registerTestCase("External", &make<External>);
        _registerTestCase("ExtWarning", &make<ExtWarning>);
        _registerTestCase("ReturnFalse", &make<ReturnFalse>);
        _registerTestCase("CoreError", &make<CoreError>);
        _registerTestCase("Echo", &make<Echo>);
        _registerTestCase("Die", &make<Die>);
    }
    const char* name() const override { return "E2e"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new E2eFactory; }
