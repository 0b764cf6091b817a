// A user who may not administer a queue, against Wine's real spooler. Wine
// grants every right on every queue, so this program makes the spooler's own
// OpenPrinterA refuse the way Windows refuses a user without the right to
// administer: its entry in winspool.drv, the module the library loads from
// the system directory, jumps here, where "Vexlo Label" refuses every right
// but the right to use it, and "Office" refuses every right; everything else
// goes on to Wine's OpenPrinterW. Then VexloHost's listing lists "Vexlo
// Label" with its driver and "Office" with its driver unknown, having asked
// only for the right to use each queue; DeleteALL asks for full access to
// each, as it always has, is refused "Vexlo Label" and deletes the rest.
#include "wine_machine.h"

#include "ListInstalled.h"

#include <cstring>
#include <map>
#include <string>

namespace {

const DWORD kDeleteRight = 0x00010000;  // DELETE
std::map<std::string, std::vector<DWORD>> asked;  // queue -> the rights asked for, in order

BOOL WINAPI RefusingOpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
    const DWORD access = defaults ? defaults->DesiredAccess : PRINTER_ACCESS_USE;
    const std::string queue = name ? name : "";
    asked[queue].push_back(access);
    const DWORD allowed = queue == "Vexlo Label" ? PRINTER_ACCESS_USE : queue == "Office" ? 0 : PRINTER_ALL_ACCESS;
    if ((access & ~allowed) != 0 || ((access & kDeleteRight) && !(allowed & kDeleteRight))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    WCHAR wide[256];
    if (!MultiByteToWideChar(CP_ACP, 0, queue.c_str(), -1, wide, 256)) return FALSE;
    PRINTER_DEFAULTSW wideDefaults = {NULL, NULL, access};
    return OpenPrinterW(wide, printer, &wideDefaults);
}

// Overwrites the function's first bytes with a jump to `target`; the bytes
// it replaced come back with Restore.
class Detour {
public:
    Detour(void* function, void* target) : function_(static_cast<BYTE*>(function)) {
        BYTE jump[sizeof saved_] = {};
        if (sizeof(void*) == 8) {
            jump[0] = 0x48, jump[1] = 0xB8;  // mov rax, target
            std::memcpy(jump + 2, &target, sizeof target);
            jump[10] = 0xFF, jump[11] = 0xE0;  // jmp rax
        } else {
            const INT_PTR relative = static_cast<BYTE*>(target) - (function_ + 5);
            jump[0] = 0xE9;  // jmp rel32
            std::memcpy(jump + 1, &relative, 4);
        }
        std::memcpy(saved_, function_, sizeof saved_);
        Write(jump);
    }
    ~Detour() { Write(saved_); }

private:
    void Write(const BYTE* bytes) {
        DWORD old = 0;
        ok(VirtualProtect(function_, sizeof saved_, PAGE_EXECUTE_READWRITE, &old), "VirtualProtect: error %lu\n",
           GetLastError());
        std::memcpy(function_, bytes, sizeof saved_);
        VirtualProtect(function_, sizeof saved_, old, &old);
        FlushInstructionCache(GetCurrentProcess(), function_, sizeof saved_);
    }
    BYTE* function_;
    BYTE saved_[12];
};

std::string Rights(const std::vector<DWORD>& rights) {
    std::string text;
    for (DWORD r : rights) {
        char one[16];
        std::snprintf(one, sizeof one, "%s%#lx", text.empty() ? "" : " ", static_cast<unsigned long>(r));
        text += one;
    }
    return text;
}

void CheckListing() {
    const vexlo::Inventory inventory = vexlo::ListInstalled();
    bool label = false, office = false;
    for (const vexlo::ListedQueue& q : inventory.queues) {
        if (q.name == "Vexlo Label") label = q.driverKnown && q.driver == "Vexlo-420 LABEL";
        if (q.name == "Office") office = !q.driverKnown;
    }
    ok(label, "listing: expected \"Vexlo Label\" with its driver Vexlo-420 LABEL\n");
    ok(office, "listing: expected \"Office\" with its driver unknown\n");
    const std::string reason = inventory.unread.empty() ? "" : inventory.unread[0].list + ": " + inventory.unread[0].reason;
    ok(reason == "queues: OpenPrinterA(Office) failed: error 5", "listing: expected the unread queue, got \"%s\"\n",
       reason.c_str());
    for (const char* queue : {"Vexlo Label", "Vexlo Label G", "Office"}) {
        const std::string rights = Rights(asked[queue]);
        ok(rights == "0x8", "listing: expected %s opened for use only (0x8), got rights \"%s\"\n", queue,
           rights.c_str());
    }
}

void CheckDeleteAll() {
    asked.clear();
    HMODULE vexlo = LoadVexlo();
    if (!vexlo) return;
    VexloExport deleteAll = reinterpret_cast<VexloExport>(reinterpret_cast<void*>(GetProcAddress(vexlo, "DeleteALL")));
    const DWORD answer = deleteAll ? deleteAll() : 2;
    ok(answer == 1, "DeleteALL: expected 1, got %lu\n", answer);
    FreeLibrary(vexlo);
    for (const char* queue : {"Vexlo Label", "Office"}) {
        const std::string rights = Rights(asked[queue]);
        ok(rights == "0xf000c", "DeleteALL: expected %s asked for full access once (0xf000c), got \"%s\"\n", queue,
           rights.c_str());
    }
}

// Asked with Wine's spooler itself answering again.
void CheckQueuesLeft() {
    ok(machine::HasPrinter("Vexlo Label"), "DeleteALL: expected \"Vexlo Label\", refused to this user, kept\n");
    ok(!machine::HasPrinter("Vexlo Label G"), "DeleteALL: expected \"Vexlo Label G\" gone\n");
    ok(machine::HasPrinter("Office"), "DeleteALL: expected \"Office\" kept\n");
}

}  // namespace

int main() {
    machine::InstallPrintersDriversMonitors();
    char path[MAX_PATH];
    GetSystemDirectoryA(path, MAX_PATH);
    lstrcatA(path, "\\winspool.drv");
    HMODULE winspool = LoadLibraryA(path);
    void* openPrinter = winspool ? reinterpret_cast<void*>(GetProcAddress(winspool, "OpenPrinterA")) : NULL;
    ok(openPrinter != NULL, "OpenPrinterA in %s: error %lu\n", path, GetLastError());
    if (!openPrinter) return winetest::done("listing_rights_wine");
    {
        Detour refusing(openPrinter, reinterpret_cast<void*>(&RefusingOpenPrinterA));
        CheckListing();
        CheckDeleteAll();
    }
    CheckQueuesLeft();
    // The queue the removal was refused goes now, for the tests after this one.
    HANDLE printer = NULL;
    PRINTER_DEFAULTSA all = {NULL, NULL, PRINTER_ALL_ACCESS};
    if (OpenPrinterA(const_cast<char*>("Vexlo Label"), &printer, &all)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
    FreeLibrary(winspool);
    return winetest::done("listing_rights_wine");
}
