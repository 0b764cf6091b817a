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

bool CheckUsbPresence() {
    const std::int32_t count = RegistryReader().ReadRegistryDword(kCountKey, "Count");
    // A missing count reads as -1; a count with its top bit set is no count.
    if (count <= 0) return false;
    const AnsiCodePage codePage = QueryAnsiCodePage();
    for (std::int32_t i = 0; i < count; ++i) {
        char name[12];  // "-2147483648" and its zero at the most
        wsprintfA(name, "%d", i);
        const RegistryText entry = UpperCaseAnsi(ReadRegistryString(kEntryKey, RegistryText(name)), codePage);
        if (ContainsAtCharacterStart(entry, kUsbHardwareId, codePage)) return true;
    }
    return false;
}

}  // namespace vexlo
