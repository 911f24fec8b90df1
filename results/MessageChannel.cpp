#include "results/MessageChannel.h"
#include "corelib/KxErrorState.h"
#include "results/GlobalResults.h"

namespace Rt {

Msg* beginMessage(Kx::SharedPtr<Msg>& field, const KxString& className, const char* method, const char* word,
                  KxErrorCode code) {
    field = new Msg(className, method, "", word, code);
    return field.get();
}

void deliverCommand(Kx::SharedPtr<Msg>& field) {
    if (field && gResults) gResults->route(field.get());
    field = nullptr;
}

void sendCommand(Kx::SharedPtr<Msg>& field, const KxString& className, const char* method, const char* word,
                 KxErrorCode code, const char* element) {
    if (Msg* message = beginMessage(field, className, method, word, code)) {
        if (element) message->textList.append(element);
    }
    deliverCommand(field);
}

const CommandTexts& commandTexts() {
    static const CommandTexts* const texts = new CommandTexts;  // outlives exit handlers
    return *texts;
}

Msg* beginMessage(Kx::SharedPtr<Msg>& field, const KxString& className, const KxString& method, const KxString& word,
                  KxErrorCode code) {
    field = new Msg(className, method, commandTexts().none, word, code);
    return field.get();
}

void sendCommand(Kx::SharedPtr<Msg>& field, const KxString& className, const KxString& method, const KxString& word,
                 KxErrorCode code, const KxString* element) {
    if (Msg* message = beginMessage(field, className, method, word, code)) {
        if (element) message->textList.append(*element);
    }
    deliverCommand(field);
}

void raiseMessage(Kx::SharedPtr<Msg>& field, const KxString& className, const char* method, KxErrorCode code,
                  const KxString& line) {
    if (Msg* message = beginMessage(field, className, method, "", code)) {
        message->textList.append(line);
        KxErrorState::setError(message);
    }
    field = nullptr;
}

} // namespace Rt
