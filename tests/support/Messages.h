#pragma once
// Messages as test code and the framework hand them to the results object
// and the reporter.
#include "driver/Msg.h"
#include "results/GlobalResults.h"
#include <initializer_list>

namespace testsupport {

// A message with the given text list (element names or message lines) and
// trace list (values); its code is a report command unless told otherwise.
inline Kx::SharedPtr<Rt::Msg> message(std::initializer_list<const char*> texts,
                                      std::initializer_list<const char*> traces = {}, const char* text2 = "",
                                      KxErrorCode code = Rt::eCommand, const char* className = "Cls",
                                      const char* method = "meth") {
    Kx::SharedPtr<Rt::Msg> msg(new Rt::Msg(className, method, "", text2, code));
    for (const char* text : texts) msg->textList.append(text);
    for (const char* trace : traces) msg->traceList.append(trace);
    return msg;
}

} // namespace testsupport
