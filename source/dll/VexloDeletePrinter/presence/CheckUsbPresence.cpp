#include "presence/CheckUsbPresence.h"

#include "presence/AnsiText.h"
#include "presence/RegistryReader.h"

namespace vexlo {
namespace {

// The count is read through the key without the trailing backslash and the
// entries through the key with it; the registry opens both as one key.
constexpr char kCountKey[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
constexpr char kEntryKey[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum\\";

}  // namespace

void WalkMatchingDeviceEntries(DeviceEntryVisit visit, void* context) {
    const std::int32_t count = RegistryReader().ReadRegistryDword(kCountKey, "Count");
    // A missing count reads as -1; a count with its top bit set is no count.
    if (count <= 0) return;
    const AnsiCodePage codePage = QueryAnsiCodePage();
    for (std::int32_t i = 0; i < count; ++i) {
        char name[12];  // "-2147483648" and its zero at the most
        wsprintfA(name, "%d", i);
        const RegistryText entry = ReadRegistryString(kEntryKey, RegistryText(name));
        if (!ContainsAtCharacterStart(UpperCaseAnsi(entry, codePage), kUsbHardwareId, codePage)) continue;
        if (!visit(context, entry.c_str())) return;
    }
}

bool CheckUsbPresence() {
    const DeviceEntryVisit stopAtTheFirst = [](void* context, const char*) {
        *static_cast<bool*>(context) = true;
        return false;
    };
    bool found = false;
    WalkMatchingDeviceEntries(stopAtTheFirst, &found);
    return found;
}

}  // namespace vexlo
