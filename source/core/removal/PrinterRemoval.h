// Removal of the label printer's objects from the local print spooler and
// of its driver packages. Each operation tries, ignores refusals and reports
// nothing; each does nothing when its system library could not be loaded.
#pragma once

#include "NarrowString.h"
#include "SystemLibrary.h"
#include "product/ProductWalks.h"
#include "removal/RemovalReport.h"

namespace vexlo {

// Room for either driver name.
using DriverName = NarrowString<32>;

// Whether the spooler lists the driver `name` for `environment` (nullptr:
// the process's own); Unknown when the list could not be read.
Listing FindDriverListed(const char* name, LPSTR environment);

// Each tells `report`, when given, what it removed and what was refused.

// Deletes every queue, local or connection, whose driver is the model's.
void RemovePrinterQueues(const Winspool& winspool, const RemovalReport* report = nullptr);
void RemoveLabelMonitor(const Winspool& winspool, const RemovalReport* report = nullptr);
// Deletes both drivers, in their order; the second whatever the first gave.
void RemoveLabelDrivers(const Winspool& winspool, const RemovalReport* report = nullptr);
// Force-uninstalls every oem*.inf package in `folder` (no trailing
// backslash) whose Provider is the brand.
void PurgeDriverPackages(const SetupApi& setupApi, FolderPath folder, const RemovalReport* report = nullptr);

}  // namespace vexlo
