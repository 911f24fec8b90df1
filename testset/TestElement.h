#pragma once
#include "driver/Msg.h"

namespace Rt {

// The closing part of a test's report element, shared by a test that ends
// and a test the framework must complete itself.

// Completes an open test element: an Error record saying why the run ended
// inside the test (`reason`, when not empty), the test's values (arguments,
// extension text, time, description, title), the summary, and the closing tag.
void completeTestElement(Kx::SharedPtr<Msg>& field, const KxString& reason, const KxVec<KxString>& args,
                         const KxString& ext, const KxString& time, const KxString& desc, const KxString& title);

} // namespace Rt
