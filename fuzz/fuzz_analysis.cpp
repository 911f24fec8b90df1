// The e-mail summary of arbitrary report text. The analysis streams a report
// file group by group; the same text analysed whole in memory must list the
// same lines, and the summary is written exactly when something was listed.
// The first two bytes can put the end of the first read (64,000 bytes) at any
// point of the rest, so that tags and tests fall across two reads.
#include "FuzzSuite.h"
#include <cstdint>

namespace {

class WholeTextAnalysis : public Rt::Analysis {
public:
    bool listErrors(KxString& report) { return findErrors(report); }
};

const char* kHead = "H\n";
const char* kOpen = "O\n";
const char* kClose = "C\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string results = [] {
        const std::string& base = fuzzsupport::suiteBase();
        fuzzsupport::writeBytes(base + "Scripts/head.em", kHead);
        fuzzsupport::writeBytes(base + "Scripts/open.em", kOpen);
        fuzzsupport::writeBytes(base + "Scripts/close.em", kClose);
        fuzzsupport::writeBytes(base + "Scripts/object.em", "[OBJ_BACKGROUNDCOLOR|OBJ_TEXTLEFT|OBJ_TEXTRIGHT]\n");
        return base + "Results/";
    }();
    const std::string report = results + "report.xml", mail = results + "report.email";
    std::string text;
    if (size > 2 && (data[0] & 0x80)) {
        const std::size_t into = ((data[0] & 0x7fu) << 8 | data[1]) % (size - 2);
        text.assign(64000 - into, 'x');
        data += 2;
        size -= 2;
    }
    text.append(reinterpret_cast<const char*>(data), size);
    if (!fuzzsupport::writeBytes(report, text)) std::abort();
    std::remove(mail.c_str());

    Rt::Analysis streamed;
    streamed.executeI(report.c_str(), mail.c_str());
    const std::string written = fuzzsupport::readBytes(mail);

    WholeTextAnalysis whole;
    KxString wholeText;
    Rt::FileStream().readFile(report.c_str(), wholeText);
    const bool found = whole.listErrors(wholeText);
    const std::string expected = found ? kHead + std::string(kOpen) + whole.body().toStdString() + kClose : "";
    if (written != expected) {
        std::fprintf(stderr, "streamed:\n%s\nwhole:\n%s\n", written.c_str(), expected.c_str());
        std::abort();
    }
    return 0;
}
