#include "presence/CheckUsbPresence.h"

#include "presence/AnsiText.h"
#include "presence/RegistryReader.h"

#include <string>

namespace vexlo {
namespace {

// The count is read through the key without the trailing backslash and the
// entries through the key with it; the registry opens both as one key.
constexpr const char* kCountKey = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
constexpr const char* kEntryKey = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum\\";

}  // namespace

bool CheckUsbPresence() {
    const std::int32_t count = RegistryReader().ReadRegistryDword(kCountKey, "Count");
    // A missing count reads as -1; a count with its top bit set is no count.
    if (count <= 0) return false;
    const AnsiCodePage codePage = QueryAnsiCodePage();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string entry = ReadRegistryString(kEntryKey, std::to_string(i));
        if (ContainsAtCharacterStart(UpperCaseAnsi(entry, codePage), kUsbHardwareId, codePage)) return true;
    }
    return false;
}

}  // namespace vexlo
