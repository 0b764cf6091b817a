#include "presence/CheckUsbPresence.h"

#include "product/ProductWalks.h"

namespace vexlo {

bool CheckUsbPresence() {
    const DeviceEntryVisit stopAtTheFirst = [](void* context, const char*) {
        *static_cast<bool*>(context) = true;
        return false;
    };
    bool found = false;
    WalkPrinterDeviceEntries(stopAtTheFirst, &found);
    return found;
}

}  // namespace vexlo
