#include "checks/CheckFunctions.h"
#include "driver/Msg.h"
#include "results/GlobalResults.h"
#include <exception>

namespace Rt {
namespace check {

namespace {

KxString bytes(const std::string& text) { return KxString(text.data(), static_cast<int>(text.size())); }

// What the exception being handled is, as one line of a record.
std::string exceptionLine() {
    try {
        throw;
    } catch (const std::exception& exception) {
        return std::string("threw: ") + exception.what();
    } catch (...) {
        return "threw an exception that is not a std::exception";
    }
}

} // namespace

void fail(const Site& site, const std::vector<std::string>& lines) noexcept {
    try {
        Kx::SharedPtr<Msg> message(new Msg(KxString("Check"), KxString(site.function), KxString(),
                                           bytes(site.check), eTestError));
        if (!message) return;
        for (const std::string& line : lines)
            if (!line.empty()) message->textList.append(bytes(line));
        message->textList.append(bytes(std::string(site.file) + ":" + std::to_string(site.line)));
        KxErrorState::setError(message.get());
    } catch (...) {
        // Out of memory for the record's texts: the core library's own
        // standing error still counts the failure.
        KxErrorState::throwStdError("Check", site.function, site.check, eTestError);
    }
}

void failOnException(const Site& site, const char* expectedType) noexcept {
    try {
        const std::string line = exceptionLine();
        fail(site, {expectedType ? std::string("expected ") + expectedType + ", but it " + line : line});
    } catch (...) {
        KxErrorState::throwStdError("Check", site.function, site.check, eTestError);
    }
}

} // namespace check
} // namespace Rt
