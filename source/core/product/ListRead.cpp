#include "product/ProductWalks.h"

namespace vexlo {

// Out of line: every walk records its failures through it.
void ListRead::Failed(const char* failedCall, std::string_view about, DWORD failedError) {
    if (call) return;
    call = failedCall;
    if (!subject.Assign(about)) subject.Assign("...");
    error = failedError;
}

}  // namespace vexlo
