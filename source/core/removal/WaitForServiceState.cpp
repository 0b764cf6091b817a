#include "removal/SpoolerControl.h"

namespace vexlo {

void WaitForServiceState(SC_HANDLE service, SERVICE_STATUS& status, DWORD target) {
    const DWORD start = GetTickCount();
    if (!QueryServiceStatus(service, &status)) return;
    for (;;) {
        // Tick arithmetic is unsigned, so it holds across the 49-day wrap.
        const DWORD elapsed = GetTickCount() - start;
        const DWORD remaining = elapsed < kServiceWaitBoundMs ? kServiceWaitBoundMs - elapsed : 0;
        // The hint exactly as reported, unless it would overrun the bound:
        // a hint of INFINITE must not block the caller for ever.
        Sleep(status.dwWaitHint < remaining ? status.dwWaitHint : remaining);
        // The state read before the sleep decides, so the wait always
        // sleeps at least once.
        if (status.dwCurrentState == target) return;
        if (GetTickCount() - start >= kServiceWaitBoundMs) return;
        if (!QueryServiceStatus(service, &status)) return;
    }
}

}  // namespace vexlo
