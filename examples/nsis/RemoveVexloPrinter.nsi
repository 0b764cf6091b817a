; A small program that removes the Vexlo-420 label printer's software: what
; an uninstaller does with VexloDeletePrinter.dll. Build it with
;     makensis -DVEXLO_DLL=path\to\VexloDeletePrinter.dll RemoveVexloPrinter.nsi
; in its folder, or from a bundle's root
;     makensis -NOCD -DVEXLO_DLL=VexloDeletePrinter.dll examples/nsis/RemoveVexloPrinter.nsi
; and run it as an administrator; /S runs it silently, /VexloKeep keeps the
; software (as an update runs the old version's uninstaller). Exit code 0 when
; the software was removed or kept, 2 when the print spooler could not be
; controlled.

Unicode true
Name "Vexlo-420 printer software removal"
OutFile "RemoveVexloPrinter.exe"
RequestExecutionLevel admin
ShowInstDetails show

; The macro beside this script, whichever folder makensis runs in.
!addincludedir "${__FILEDIR__}"
!include "VexloPrinter.nsh"

Section "Remove"
    !insertmacro VexloRemovePrinterSoftware
SectionEnd
