#include "product/Product.h"

#include <cstring>

namespace vexlo {

bool SameAsciiName(const char* a, const char* b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a && *b; ++a, ++b) {
        if (lower(*a) != lower(*b)) return false;
    }
    return *a == *b;
}

bool IsModelDriver(const char* driverName) { return driverName && std::strstr(driverName, kModelName) != nullptr; }

bool IsProductMonitor(const char* monitorName) { return monitorName && SameAsciiName(monitorName, kMonitorName); }

bool IsProductDriver(const char* driverName) {
    if (!driverName) return false;
    for (const char* name : kDriverNames) {
        if (SameAsciiName(driverName, name)) return true;
    }
    return false;
}

bool IsBrandProvider(const char* provider) { return provider && std::strcmp(provider, kBrand) == 0; }

}  // namespace vexlo
