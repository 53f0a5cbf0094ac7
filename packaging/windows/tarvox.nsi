; The Windows installer of tarvox (NSIS 3, made by `./run package-windows`):
; the 64-bit engine for 64-bit hosts and the 32-bit engine for 32-bit hosts
; (screen readers among them), the voices, srsetup and the licences under
; Program Files; each engine registered in its own registry view, the voice
; tokens in both views with this machine's paths; srsetup for the Virgo
; screen reader on request; an uninstaller that removes all of it.
;
; makensis -DVERSION=... -DOUTFILE=... -DDLL64=... -DDLL32=... -DSRSETUP=...
;          -DVOICES=<directory of voice directories> -DVOICES_NSH=<include>
;          -DLICENSE=<the licence file>
;          tarvox.nsi
;
; The 64-bit engine registers itself (DllRegisterServer, run in this 64-bit
; installer). The 32-bit engine cannot be loaded here; its class is written
; into the 32-bit view with the keys of its registration script.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define CLSID "{A8ABE95B-7C20-461E-A91A-D2D761F58629}"
!define LIBID "{AAD644AE-FCEB-4673-A5D0-0B898D61ECB1}"
!define PROGID "TtsEng.SampleTTSEngine"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tarvox"

!include "${VOICES_NSH}"

Name "tarvox ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\tarvox"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

Page license
Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

LicenseData "${LICENSE}"

; The class of the 32-bit engine in the 32-bit view, as its registration
; script writes it.
!macro TarvoxWrite32BitClass
  SetRegView 32
  WriteRegStr HKLM "Software\Classes\${PROGID}.1" "" "SampleTTSEngine Class"
  WriteRegStr HKLM "Software\Classes\${PROGID}.1\CLSID" "" "${CLSID}"
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "SampleTTSEngine Class"
  WriteRegStr HKLM "Software\Classes\${PROGID}\CLSID" "" "${CLSID}"
  WriteRegStr HKLM "Software\Classes\${PROGID}\CurVer" "" "${PROGID}.1"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}" "" "SampleTTSEngine Class"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\ProgID" "" "${PROGID}.1"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\VersionIndependentProgID" "" "${PROGID}"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\InprocServer32" "" "$INSTDIR\x86\tarvox.dll"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\InprocServer32" "ThreadingModel" "Both"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\TypeLib" "" "${LIBID}"
  SetRegView 64
!macroend

!macro TarvoxDelete32BitClass
  SetRegView 32
  DeleteRegKey HKLM "Software\Classes\CLSID\${CLSID}"
  DeleteRegKey HKLM "Software\Classes\${PROGID}.1"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  SetRegView 64
!macroend

Section "tarvox engines and voices (required)" SecEngine
  SectionIn RO
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${SRSETUP}"
  File "${LICENSE}"
  SetOutPath "$INSTDIR\x64"
  File "${DLL64}"
  SetOutPath "$INSTDIR\x86"
  File "${DLL32}"
  SetOutPath "$INSTDIR\voices"
  File /r "${VOICES}\*.*"
  SetOutPath "$INSTDIR"

  ClearErrors
  RegDLL "$INSTDIR\x64\tarvox.dll"
  IfErrors 0 +2
    DetailPrint "The 64-bit engine could not register itself."
  !insertmacro TarvoxWrite32BitClass

  ; The voice tokens in both views: 64-bit and 32-bit hosts see the same
  ; voices, each with the engine of its own kind.
  SetRegView 64
  !insertmacro TarvoxWriteVoiceTokens
  SetRegView 32
  !insertmacro TarvoxWriteVoiceTokens
  SetRegView 64

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "tarvox ${VERSION} (Slovenian speech)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "tarvox"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Off unless chosen (or /SRSETUP on the command line of a silent install):
; adds the voices to Virgo's PHOENIX.INI, keeping a copy of the file as it
; was (PHOENIX.INI.tarvox-backup).
Section /o "Register the voices with the Virgo screen reader (srsetup)" SecSrsetup
  ExecWait '"$INSTDIR\srsetup.exe"' $0
  DetailPrint "srsetup: exit code $0"
SectionEnd

!include "FileFunc.nsh"
!include "Sections.nsh"
Function .onInit
  SetRegView 64
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/SRSETUP" $R1
  IfErrors +2 0
    SectionSetFlags ${SecSrsetup} ${SF_SELECTED}
FunctionEnd

Section "Uninstall"
  SetRegView 64
  ClearErrors
  UnRegDLL "$INSTDIR\x64\tarvox.dll"
  !insertmacro TarvoxDelete32BitClass
  SetRegView 64
  !insertmacro TarvoxDeleteVoiceTokens
  SetRegView 32
  !insertmacro TarvoxDeleteVoiceTokens
  SetRegView 64
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  RMDir /r "$INSTDIR\voices"
  RMDir /r "$INSTDIR\x64"
  RMDir /r "$INSTDIR\x86"
  Delete "$INSTDIR\srsetup.exe"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd
