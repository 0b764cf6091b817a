#include "product/ProductWalks.h"

#include "AnsiText.h"
#include "RegistryReader.h"
#include "product/Product.h"

namespace vexlo {
namespace {

// The count is read through the key without the trailing backslash and the
// entries through the key with it; the registry opens both as one key.
constexpr char kCountKey[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
constexpr char kEntryKey[] = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum\\";

// A key or value that is not there is an empty list, or an entry the driver
// left out; anything else kept the list from being read.
void NoteRegistryFailure(const RegistryStatus& status, const char* subject, ListRead* read) {
    if (status.call && status.error != ERROR_FILE_NOT_FOUND) {
        NoteFailure(read, status.call, subject, static_cast<DWORD>(status.error));
    }
}

}  // namespace

void WalkPrinterDeviceEntries(DeviceEntryVisit visit, void* context, ListRead* read) {
    RegistryStatus status;
    const std::int32_t count = RegistryReader().ReadRegistryDword(kCountKey, "Count", &status);
    NoteRegistryFailure(status, "Count", read);
    // A missing count reads as -1; a count with its top bit set is no count.
    if (count <= 0) return;
    const AnsiCodePage codePage = QueryAnsiCodePage();
    for (std::int32_t i = 0; i < count; ++i) {
        char name[12];  // "-2147483648" and its zero at the most
        wsprintfA(name, "%d", i);
        status = {};
        const RegistryText entry = ReadRegistryString(kEntryKey, RegistryText(name), &status);
        NoteRegistryFailure(status, name, read);
        if (!ContainsAtCharacterStart(UpperCaseAnsi(entry, codePage), kUsbHardwareId, codePage)) continue;
        if (!visit(context, entry.c_str())) return;
    }
}

}  // namespace vexlo
