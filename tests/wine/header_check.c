/* The public header from C, linked against the import library: both
 * exports resolve through the import table. Calls IsConnected only. */
#include "VexloDeletePrinter.h"

#include <stdio.h>

int main(void) {
    BOOLEAN (WINAPI *deleteAll)(void) = DeleteALL;
    BOOLEAN attached = IsConnected();
    printf("header_check: IsConnected() = %u through the import library\n", (unsigned)attached);
    return (attached == 0 || attached == 1) && deleteAll != NULL ? 0 : 1;
}
