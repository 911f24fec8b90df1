#include "InProcess.h"
#include "support/TempSuite.h"
#include <regex>

namespace e2e {

namespace {

KxErrorState::Callback gPassedOn = nullptr;

void recordingCallback(bool raised) {
    if (raised && KxErrorState::s_pError) {
        const KxStdError* error = KxErrorState::s_pError;
        std::string entry = error->getClassName().toStdString() + "::" + error->getMethodName().toStdString() + " " +
                            std::to_string(error->getCode()) + " ";
        if (auto* message = dynamic_cast<const Rt::Msg*>(error))
            if (!message->textList.isEmpty()) entry += message->textList[0].toStdString();
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

void recordRaisedErrors() {
    raisedErrors().clear();
    gPassedOn = KxErrorState::getErrorCallback();
    KxErrorState::setErrorCallback(&recordingCallback);
}

std::vector<Raised>& raisedErrors() {
    static std::vector<Raised> errors;
    return errors;
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
    outcome.report = readReport(Rt::resultDir().toStdString());
    return outcome;
}

std::string readReport(const std::string& resultsDir) {
    const std::string path = testsupport::onlyFileEndingIn(resultsDir, ".xml");
    return path.empty() ? std::string() : testsupport::readBytes(path);
}

std::string outline(const std::string& report) {
    // Test values sit six blanks in, group values four; a group's Desc comes before its Title.
    static const std::regex value("\\r\\n( {4}| {6})<(Title|Desc)>([\\s\\S]*?)</\\2>");
    std::string text, desc, tests;
    for (std::sregex_iterator it(report.begin(), report.end(), value), end; it != end; ++it) {
        const std::string name = (*it)[2], content = (*it)[3];
        if ((*it)[1].length() == 6) {
            if (name == "Title") tests += (tests.empty() ? "" : ",") + content;
        } else if (name == "Desc") {
            desc = content;
        } else {
            text += (text.empty() ? "" : " ") + content + "/" + desc + "[" + tests + "]";
            tests.clear();
        }
    }
    return text;
}

} // namespace e2e
