#include "InProcess.h"
#include "support/TempSuite.h"
#include <ostream>

namespace e2e {

namespace {

KxErrorState::Callback gPassedOn = nullptr;

void recordingCallback(bool raised) {
    if (raised && KxErrorState::s_pError) {
        const KxStdError* error = KxErrorState::s_pError;
        Raised entry;
        entry.className = error->getClassName().toStdString();
        entry.method = error->getMethodName().toStdString();
        entry.code = error->getCode();
        if (auto* message = dynamic_cast<const Rt::Msg*>(error)) {
            if (!message->textList.isEmpty()) entry.text = message->textList[0].toStdString();
        }
        raisedErrors().push_back(entry);
    }
    if (gPassedOn) gPassedOn(raised);
}

// The probe test: passes, and logs who created it with what.
class Probe : public Rt::TestSet {
public:
    Probe(const char* factory, const KxString& title) : m_factory(factory), m_name(title) {}
    void initialize() override {
        setTitle(m_name);
        setDesc(KxString("from ") + m_factory);
    }
    bool executeW() override {
        std::string entry = std::string(m_factory) + ":" + getTitle().toStdString() + "[";
        for (std::uint32_t i = 0; i < getArg().size(); ++i) entry += (i ? "," : "") + getArg()[i].toStdString();
        entry += "]{" + getExt().toStdString() + "}";
        probeLog().push_back(entry);
        return true;
    }

private:
    const char* m_factory;
    KxString m_name;
};

} // namespace

std::ostream& operator<<(std::ostream& out, const Raised& raised) {
    return out << "{" << raised.className << ", " << raised.method << ", " << raised.code << ", \"" << raised.text
               << "\"}";
}

void recordRaisedErrors() {
    raisedErrors().clear();
    gPassedOn = KxErrorState::getErrorCallback();
    KxErrorState::setErrorCallback(&recordingCallback);
}

std::vector<Raised>& raisedErrors() {
    static std::vector<Raised> errors;
    return errors;
}

std::vector<Raised> raisedWithCode(int code) {
    std::vector<Raised> selected;
    for (const Raised& raised : raisedErrors())
        if (raised.code == code) selected.push_back(raised);
    return selected;
}

std::vector<std::string>& probeLog() {
    static std::vector<std::string> log;
    return log;
}

ProbeFactory::ProbeFactory(const char* name, std::vector<std::string> known)
    : m_name(name), m_known(std::move(known)) {}

Rt::TestSet* ProbeFactory::createTestSet(const KxString& name) {
    ++m_asked;
    for (const std::string& test : m_known)
        if (name == KxString(test.c_str())) return new Probe(m_name, name);
    return nullptr;
}

ScanOutcome scanScript(const std::string& script) {
    ScanOutcome outcome;
    probeLog().clear();
    {
        int argc = 1;
        char program[] = "scan";
        char* argv[] = {program, nullptr};
        ScanDriver driver(argc, argv);
        Kx::SharedPtrVec<Rt::TestSetFactory> factories;
        factories.append(Kx::SharedPtr<Rt::TestSetFactory>(new ProbeFactory("P", {"A", "B", "C"})));
        driver.setFactories(factories);
        recordRaisedErrors();
        outcome.result = driver.executeI(KxString(script.c_str()));
    }
    outcome.raised = raisedErrors();
    outcome.ran = probeLog();
    outcome.report = readReport(Rt::resultDir().toStdString());
    return outcome;
}

std::string readReport(const std::string& resultsDir) {
    const std::string path = testsupport::onlyFileEndingIn(resultsDir, ".xml");
    return path.empty() ? std::string() : testsupport::readBytes(path);
}

std::vector<std::string> groupValues(const std::string& report, const std::string& element) {
    std::vector<std::string> values;
    const std::string open = "\r\n    <" + element + ">";
    const std::string close = "</" + element + ">\r\n";
    for (std::size_t at = report.find(open); at != std::string::npos; at = report.find(open, at + 1)) {
        const std::size_t start = at + open.size();
        const std::size_t end = report.find(close, start);
        if (end == std::string::npos) break;
        values.push_back(report.substr(start, end - start));
    }
    return values;
}

} // namespace e2e
