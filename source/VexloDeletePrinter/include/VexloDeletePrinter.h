/* VexloDeletePrinter.dll: presence check and software removal for the
 * Vexlo-420 USB label printer.
 *
 * Both functions take no arguments, use the stdcall convention (WINAPI) and
 * return one byte, 1 or 0. They may be called any number of times, in any
 * order; the library keeps nothing between calls. */
#ifndef VEXLODELETEPRINTER_H
#define VEXLODELETEPRINTER_H

#include <windows.h>

#ifdef VEXLODELETEPRINTER_EXPORTS
#define VEXLODELETEPRINTER_API
#else
#define VEXLODELETEPRINTER_API DECLSPEC_IMPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when the USB printing class driver lists a device carrying the printer's
 * hardware ID VID_F0E1&PID_0420, 0 otherwise or when the list cannot be read. */
VEXLODELETEPRINTER_API BOOLEAN WINAPI IsConnected(void);

/* Removes the printer's queues, port monitor, drivers and OEM driver
 * packages, cycling the print spooler twice. 1 when the whole sequence ran,
 * 0 when the spooler could not be controlled. Blocks until done. */
VEXLODELETEPRINTER_API BOOLEAN WINAPI DeleteALL(void);

#ifdef __cplusplus
}
#endif

#endif
