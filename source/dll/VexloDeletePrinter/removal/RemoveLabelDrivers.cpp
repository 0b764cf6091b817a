#include "removal/PrinterRemoval.h"

#include <windows.h>
#include <winspool.h>

#include <string>

namespace vexlo {

void RemoveLabelDrivers() {
    for (const char* driver : kDriverNames) {
        std::string name = driver;  // the platform takes a non-const string
        DeletePrinterDriverA(nullptr, nullptr, name.data());
    }
}

}  // namespace vexlo
