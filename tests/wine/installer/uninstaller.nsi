; An installer that only writes an uninstaller whose Uninstall section is
; VexloPrinter.nsh's removal, as a product's would be: the exit code of
; such an uninstaller, run with and without _?=.
;     makensis -DVEXLO_DLL=... -DVEXLO_NSH=path\to\VexloPrinter.nsh uninstaller.nsi
Unicode true
Name "Vexlo-420 uninstaller test"
OutFile "MakeUninstaller.exe"
RequestExecutionLevel admin
InstallDir "C:\vexlo-app"

!include "${VEXLO_NSH}"

Section
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
    !insertmacro VexloRemovePrinterSoftware
SectionEnd
