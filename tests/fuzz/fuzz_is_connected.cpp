// IsConnected over an arbitrary device list: the count and the entries of
// any type, size and bytes, under any supported code page. The answer must
// be the reference's, and nothing may be left open.
#include "Machine.h"
#include "VexloDeletePrinter.h"
#include "reference.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace {

const std::string kEnum = "SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const DWORD kTypes[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_EXPAND_SZ, REG_NONE};

// Counts above this are folded down so that a run stays short; counts with
// the top bit set stay as they are.
constexpr std::int32_t kMaxCount = 40;

// The count the library will read from `data`, or -1 when it is larger than
// four bytes; a count above kMaxCount is folded down and `data` rewritten.
std::int32_t FoldCount(std::vector<BYTE>& data) {
    if (data.size() > 4) return -1;
    BYTE bytes[4] = {};
    if (!data.empty()) std::memcpy(bytes, data.data(), data.size());
    std::int32_t count;
    std::memcpy(&count, bytes, 4);
    if (count <= kMaxCount) return count;
    count %= kMaxCount + 1;
    std::memcpy(bytes, &count, 4);
    data.assign(bytes, bytes + 4);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    sim::Reset();
    const UINT codePage = reference::kCodePages[input.ConsumeIntegralInRange<int>(0, 4)];
    sim::machine().codePages.ansiCodePage = codePage;
    sim::machine().registry.keys[kEnum];

    std::int32_t count = -1;
    if (input.ConsumeBool()) {
        const DWORD type = kTypes[input.ConsumeIntegralInRange<int>(0, 5)];
        std::vector<BYTE> bytes = input.ConsumeBytes<BYTE>(input.ConsumeIntegralInRange<int>(0, 6));
        count = FoldCount(bytes);
        sim::machine().registry.SetBytes(kEnum, "Count", type, bytes);
    }

    std::map<int, std::vector<BYTE>> entries;
    const int entryCount = input.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < entryCount && input.remaining_bytes() > 0; ++i) {
        const int index = input.ConsumeIntegralInRange<int>(0, 15);
        const DWORD type = kTypes[input.ConsumeIntegralInRange<int>(0, 5)];
        std::vector<BYTE> bytes = input.ConsumeBytes<BYTE>(input.ConsumeIntegralInRange<int>(0, 300));
        entries[index] = bytes;
        sim::machine().registry.SetBytes(kEnum, std::to_string(index), type, bytes);
    }

    bool expected = false;
    for (std::int32_t i = 0; i < count && !expected; ++i) {
        auto it = entries.find(i);
        if (it == entries.end() || it->second.size() > 260) continue;
        const std::string bytes(it->second.begin(), it->second.end());
        const std::string text = bytes.substr(0, bytes.find('\0'));
        expected = reference::MatchesAtStart(codePage, reference::UpperSingles(codePage, text), "VID_F0E1&PID_0420");
    }

    const BOOLEAN got = IsConnected();
    reference::Check(got == (expected ? 1 : 0), "the answer the device list gives");
    reference::Check(sim::Leaks().empty(), "nothing left open");
    return 0;
}
