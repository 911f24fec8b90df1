// The test library of the end-to-end tests: one test case per way a test
// can end, so a real run of rtrun shows each of them in its report.
#include <Rt/Rt.h>
#include <cstdlib>
#include <stdexcept>

namespace {

enum Kind { Pass, Fail, Warn, Throw, External, ExtWarning, ReturnFalse, CoreError, Echo, Die, KindCount };

struct Description {
    const char* title;
    const char* desc;
};
const Description kDescriptions[KindCount] = {
    {"Pass", "passes"}, {"Fail", "reports an error"}, {"Warn", "only warns"}, {"Throw", "throws"},
    {"External", "a solver fails"}, {"ExtWarning", "a solver warns"}, {"ReturnFalse", "returns false"},
    {"CoreError", "leaves a core-library error"}, {"Echo", ""}, {"Die", "ends the process"},
};

class Case : public Rt::TestSet {
public:
    explicit Case(Kind kind) : m_kind(kind) {}

    void initialize() override {
        setTitle(kDescriptions[m_kind].title);
        if (m_kind != Echo) {
            setDesc(kDescriptions[m_kind].desc);
            return;
        }
        // Echo shows in its description what the factory handed it before initialize().
        KxString desc("args=");
        for (std::uint32_t i = 0; i < getArg().size(); ++i) {
            if (i > 0) desc += "|";
            desc += getArg()[i];
        }
        desc += " ext=";
        desc += getExt();
        setDesc(desc);
    }

    bool executeW() override {
        switch (m_kind) {
        case Fail: reportStateE("value 3 < 4 & \"quoted\"", "check", "executeW", ""); break;
        case Warn: raise(-16, "executeW", "close to the limit"); break;
        case Throw: throw std::runtime_error("out of range");
        case External: raise(-17, "solve", "solver diverged"); break;
        case ExtWarning: raise(-18, "solve", "solver slow"); break;
        case ReturnFalse: return false;
        case CoreError: KxErrorState::throwStdError("KxThing", "doIt", "broken", 42); break;
        case Die:  // ends the process in the middle of its body, as a crash would
            raise(-16, "executeW", "about to die");
            std::_Exit(7);
        default: break;
        }
        return true;
    }

private:
    void raise(KxErrorCode code, const char* method, const char* line) {
        Kx::SharedPtr<Rt::Msg> message(new Rt::Msg(getTitle(), method, "", "", code));
        message->textList.append(line);
        KxErrorState::setError(message.get());
    }

    Kind m_kind;
};

template <Kind K>
Rt::TestSet* make() {
    return new Case(K);
}

class E2eFactory : public Rt::TestSetFactory {
public:
    E2eFactory() {
        const Creator creators[KindCount] = {&make<Pass>,     &make<Fail>,       &make<Warn>,        &make<Throw>,
                                             &make<External>, &make<ExtWarning>, &make<ReturnFalse>, &make<CoreError>,
                                             &make<Echo>,     &make<Die>};
        for (int kind = 0; kind < KindCount; ++kind) _registerTestCase(kDescriptions[kind].title, creators[kind]);
    }
    const char* name() const override { return "E2e"; }
};

} // namespace

extern "C" Rt::TestSetFactory* acquireFactory() { return new E2eFactory; }
