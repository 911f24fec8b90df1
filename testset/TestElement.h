#pragma once
#include "driver/Msg.h"

namespace Rt {

// The closing part of a test's report element, shared by a test that ends
// and a test the framework must complete itself.

// Writes the test's values: its arguments, extension text, time,
// description and title.
void sendTestValues(Kx::SharedPtr<Msg>& field, const KxVec<KxString>& args, const KxString& ext,
                    const KxString& time, const KxString& desc, const KxString& title);

// Completes an open test element after the run ended inside it: an Error
// record saying why (`reason`, when not empty), the values, the summary, and
// the closing tag.
void completeTestElement(Kx::SharedPtr<Msg>& field, const KxString& reason, const KxVec<KxString>& args,
                         const KxString& ext, const KxString& time, const KxString& desc, const KxString& title);

} // namespace Rt
