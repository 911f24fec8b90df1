#pragma once
#include "driver/Msg.h"

namespace Rt {

// Every error and report command is a fresh Msg, held in its sender's
// message field while it is built and sent, and released right after.

// Creates the message in `field` (with empty first text and `word` as second
// text); null when it could not be allocated.
Msg* beginMessage(Kx::SharedPtr<Msg>& field, const KxString& className, const char* method,
                  const char* word, KxErrorCode code);
// Hands the command in `field` to Rt::gResults, when there is one, and releases it.
void deliverCommand(Kx::SharedPtr<Msg>& field);
// A command whose text list names the report element (`element` may be null).
void sendCommand(Kx::SharedPtr<Msg>& field, const KxString& className, const char* method, const char* word,
                 KxErrorCode code, const char* element);

// The fixed texts of the commands every test sends, made once: a command
// copies them rather than widening its words again.
struct CommandTexts {
    KxString none, testSet{"TestSet"}, executeW{"executeW"}, openObj{"openObj"}, closeObj{"closeObj"},
        verifyB{"verifyB"}, verifyA{"verifyA"}, writeObj{"writeObj"}, test{"Test"}, arg{"Arg"}, ext{"Ext"},
        time{"Time"}, desc{"Desc"}, title{"Title"};
};
const CommandTexts& commandTexts();
Msg* beginMessage(Kx::SharedPtr<Msg>& field, const KxString& className, const KxString& method, const KxString& word,
                  KxErrorCode code);
void sendCommand(Kx::SharedPtr<Msg>& field, const KxString& className, const KxString& method, const KxString& word,
                 KxErrorCode code, const KxString* element);

// Raises an error with one text line through the core library's error state.
void raiseMessage(Kx::SharedPtr<Msg>& field, const KxString& className, const char* method,
                  KxErrorCode code, const KxString& line);

} // namespace Rt
