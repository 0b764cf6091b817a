// The listing, for a technician (an aligned table) or for a script (one JSON
// object, UTF-8).
#pragma once

#include "ListInstalled.h"

namespace vexlo {

void PrintInventoryTable(const Inventory& inventory);
void PrintInventoryJson(const Inventory& inventory);

}  // namespace vexlo
