; Installer for the demo build of Corvald Tavrin, the application corvald-setup.exe downloads and
; runs. It behaves like the real product's installer where the stub can observe it: per-user
; install without elevation, silent with /S, and an uninstall entry under HKCU.
;
; makensis -DVERSION=1.5.0 -DAPP_EXE=/path/Corvald\ Tavrin.exe -DOUTFILE=/path/Setup.exe
;          [-DEXIT_CODE=1603] [-DPAYLOAD=/path/data.bin] corvald-tavrin.nsi
; A non-zero EXIT_CODE makes an installer that installs nothing and ends with that code, so the
; stub's handling of a failed install can be exercised. A PAYLOAD file is installed beside the
; app: incompressible, it makes an installer big enough to be downloaded in several ranges.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
; No file times inside: they change the compressed size, and the chaos test's fault schedule
; draws its faults on the byte ranges of this installer, so one build must equal the next.
SetDateSave off

!ifndef VERSION
  !error "VERSION must be defined"
!endif
!ifndef OUTFILE
  !error "OUTFILE must be defined"
!endif
!ifndef EXIT_CODE
  !define EXIT_CODE 0
!endif
!if ${EXIT_CODE} == 0
  !ifndef APP_EXE
    !error "APP_EXE must be defined"
  !endif
!endif

!define PRODUCT "Corvald Tavrin"
!define APP_FILE "Corvald Tavrin.exe"
!define UNINSTALLER "Uninstall Corvald Tavrin.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvaldTavrin"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page instfiles
UninstPage instfiles

; $LOCALAPPDATA comes from the shell-folder API, which ignores the environment. The stub and its
; tests point LOCALAPPDATA elsewhere to keep installs apart, so the variable wins when it is set
; (on a normal system both name the same folder). A folder given with /D= is left alone.
Function .onInit
  ReadEnvStr $0 LOCALAPPDATA
  StrCmp $0 "" done
  StrCmp $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}" 0 done
  StrCpy $INSTDIR "$0\Programs\${PRODUCT}"
done:
  ; A test that must act while the installer runs names a gate file: the installer leaves
  ; GATE.running and waits until GATE itself exists.
  ReadEnvStr $1 CORVALD_DEMO_INSTALLER_GATE
  StrCmp $1 "" gate_open
  FileOpen $2 "$1.running" w
  FileClose $2
gate_wait:
  IfFileExists "$1" gate_open
  Sleep 100
  Goto gate_wait
gate_open:
FunctionEnd

Section "Install"
!if ${EXIT_CODE} != 0
  SetErrorLevel ${EXIT_CODE}
  Quit
!else
  ; The per-user folder must resolve for this user even if an all-users context were inherited.
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=${APP_FILE}" "${APP_EXE}"
!ifdef PAYLOAD
  File "/oname=payload.bin" "${PAYLOAD}"
!endif
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" '"$INSTDIR\${APP_FILE}",0'
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Corvald"
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
!endif
SectionEnd

; The failing variant installs nothing, so it has no uninstaller either.
!if ${EXIT_CODE} == 0
Section "Uninstall"
  Delete "$INSTDIR\${APP_FILE}"
  Delete "$INSTDIR\payload.bin"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
!endif
