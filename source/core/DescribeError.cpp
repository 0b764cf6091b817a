#include "DescribeError.h"

namespace vexlo {
namespace {

struct KnownError {
    DWORD number;
    const char* name;
};

// The errors the service manager, the spooler and the setup API answer the
// removal's calls with, and the loader the host's.
constexpr KnownError kKnownErrors[] = {
    {2, "ERROR_FILE_NOT_FOUND"},
    {3, "ERROR_PATH_NOT_FOUND"},
    {5, "ERROR_ACCESS_DENIED"},
    {6, "ERROR_INVALID_HANDLE"},
    {8, "ERROR_NOT_ENOUGH_MEMORY"},
    {32, "ERROR_SHARING_VIOLATION"},
    {87, "ERROR_INVALID_PARAMETER"},
    {122, "ERROR_INSUFFICIENT_BUFFER"},
    {126, "ERROR_MOD_NOT_FOUND"},
    {127, "ERROR_PROC_NOT_FOUND"},
    {170, "ERROR_BUSY"},
    {193, "ERROR_BAD_EXE_FORMAT"},
    {206, "ERROR_FILENAME_EXCED_RANGE"},
    {1051, "ERROR_DEPENDENT_SERVICES_RUNNING"},
    {1053, "ERROR_SERVICE_REQUEST_TIMEOUT"},
    {1056, "ERROR_SERVICE_ALREADY_RUNNING"},
    {1058, "ERROR_SERVICE_DISABLED"},
    {1060, "ERROR_SERVICE_DOES_NOT_EXIST"},
    {1061, "ERROR_SERVICE_CANNOT_ACCEPT_CTRL"},
    {1062, "ERROR_SERVICE_NOT_ACTIVE"},
    {1072, "ERROR_SERVICE_MARKED_FOR_DELETE"},
    {1115, "ERROR_SHUTDOWN_IN_PROGRESS"},
    {1722, "RPC_S_SERVER_UNAVAILABLE"},
    {1797, "ERROR_UNKNOWN_PRINTER_DRIVER"},
    {1798, "ERROR_UNKNOWN_PRINTPROCESSOR"},
    {1801, "ERROR_INVALID_PRINTER_NAME"},
    {1805, "ERROR_INVALID_ENVIRONMENT"},
    {3000, "ERROR_UNKNOWN_PRINT_MONITOR"},
    {3001, "ERROR_PRINTER_DRIVER_IN_USE"},
    {3006, "ERROR_PRINT_MONITOR_IN_USE"},
    {3008, "ERROR_PRINTER_HAS_JOBS_QUEUED"},
};

}  // namespace

const char* DescribeError(DWORD error, ErrorText& text) {
    if (error == ERROR_SUCCESS) return "no error given";
    for (const KnownError& known : kKnownErrors) {
        if (known.number == error) {
            wsprintfA(text, "error %lu %s", static_cast<unsigned long>(error), known.name);
            return text;
        }
    }
    wsprintfA(text, "error %lu", static_cast<unsigned long>(error));
    return text;
}

}  // namespace vexlo
