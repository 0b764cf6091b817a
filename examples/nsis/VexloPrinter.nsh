; Removes the Vexlo-420 label printer's software with VexloDeletePrinter.dll.
;
; Copy this file beside your script, !include it, and insert the macro in the
; section (or uninstaller section) that removes your product:
;
;     !define VEXLO_DLL "path\to\VexloDeletePrinter.dll"   ; where makensis finds it
;     !include "VexloPrinter.nsh"
;     Section "Uninstall"
;         !insertmacro VexloRemovePrinterSoftware
;     SectionEnd
;
; The macro extracts the DLL to $PLUGINSDIR, asks IsConnected and, when the
; printer is attached, asks the user to unplug it (not in silent mode); then it
; calls DeleteALL, which stops and starts the print spooler twice and blocks
; for tens of seconds. It needs an elevated administrator
; (RequestExecutionLevel admin). Its lines go to the details log; when
; DeleteALL answers 0 (the spooler could not be controlled) it says so there
; and sets the exit code to 2; 0 means the removal ran (or was kept). Define
; VEXLO_LOG_FILE as a path to also append the lines to that file, which helps
; with silent runs.
;
; Exit codes of an uninstaller: NSIS's uninstaller copies itself to a
; temporary folder, starts the copy and exits at once with 0, before the
; removal has even begun, unless it is given _?=<its folder>. A caller that
; needs the code (a deployment tool, a script, your own installer) runs it
; so, and waits:
;
;     ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR' $0   ; $0: 0 or 2
;     cmd /c ""C:\Program Files\App\uninstall.exe" /S _?=C:\Program Files\App"
;
; (with _?= the uninstaller cannot delete itself: delete it and its folder
; after). Without _?= a caller always gets 0, at once, whatever the removal
; later does. DeleteALL's one byte cannot carry refusals (an object the
; spooler would not delete): for a full report and an exit code for each
; outcome, run VexloHost.exe remove (docs/deploying.md).
;
; Updates: an installer that runs the previous version's uninstaller before
; installing the new one must not take the printer's software with it. Pass
; the uninstaller the switch /VexloKeep (VEXLO_KEEP_SWITCH, if you define
; another), and the macro keeps everything and logs that it did:
;
;     ExecWait '"$INSTDIR\uninstall.exe" /S /VexloKeep _?=$INSTDIR'
;
; A person who uninstalls from the Control Panel runs it without the switch,
; and the removal takes place.
;
; Both exports return 1 or 0 in the whole of EAX, so the System plug-in's
; "i" return type reads them as they are.

!include "LogicLib.nsh"
!include "FileFunc.nsh"

!ifndef VEXLO_DLL
    !define VEXLO_DLL "VexloDeletePrinter.dll"
!endif
!ifndef VEXLO_KEEP_SWITCH
    !define VEXLO_KEEP_SWITCH "/VexloKeep"
!endif

!macro VexloLog text
    DetailPrint "${text}"
    !ifdef VEXLO_LOG_FILE
        Push $R9
        FileOpen $R9 "${VEXLO_LOG_FILE}" a
        FileSeek $R9 0 END
        FileWrite $R9 "${text}$\r$\n"
        FileClose $R9
        Pop $R9
    !endif
!macroend

; Sets $0 to 1 when the command line carries VEXLO_KEEP_SWITCH alone (not
; as the start of a longer word), else 0.
!macro VexloAskedToKeep
    Push $1
    Push $2
    ClearErrors
    !ifdef __UNINSTALL__
        ${un.GetParameters} $1
        ${un.GetOptions} $1 "${VEXLO_KEEP_SWITCH}" $2
    !else
        ${GetParameters} $1
        ${GetOptions} $1 "${VEXLO_KEEP_SWITCH}" $2
    !endif
    StrCpy $0 0
    ${IfNot} ${Errors}
    ${AndIf} $2 == ""
        StrCpy $0 1
    ${EndIf}
    Pop $2
    Pop $1
!macroend

!macro VexloRemovePrinterSoftware
    Push $0
    !insertmacro VexloAskedToKeep
    ${If} $0 == 1
        !insertmacro VexloLog "Vexlo-420: run with ${VEXLO_KEEP_SWITCH} (an update): the printer's software is kept"
    ${Else}
        !insertmacro VexloRemoveNow
    ${EndIf}
    Pop $0
!macroend

!macro VexloRemoveNow
    InitPluginsDir
    File "/oname=$PLUGINSDIR\VexloDeletePrinter.dll" "${VEXLO_DLL}"

    ; ?u frees the DLL again after each call: it keeps nothing between calls.
    System::Call "$PLUGINSDIR\VexloDeletePrinter.dll::IsConnected() i .r0 ?u"
    !insertmacro VexloLog "Vexlo-420: IsConnected answered $0"
    ${If} $0 == 1
        MessageBox MB_OK|MB_ICONINFORMATION \
            "Please unplug the Vexlo-420 printer's USB cable, then click OK to remove its software." /SD IDOK
    ${EndIf}

    !insertmacro VexloLog "Vexlo-420: removing the printer's software (this takes up to a few minutes)"
    System::Call "$PLUGINSDIR\VexloDeletePrinter.dll::DeleteALL() i .r0 ?u"
    !insertmacro VexloLog "Vexlo-420: DeleteALL answered $0"
    ${If} $0 != 1
        !insertmacro VexloLog "Vexlo-420: the print spooler could not be controlled; the printer's software was not removed"
        SetErrorLevel 2
    ${EndIf}
!macroend
