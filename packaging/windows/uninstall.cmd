@echo off
rem Unregisters Norvell Zephel for the current user: the plug-in
rem npNorvellZephel32.dll that lies next to this script, through its
rem DllInstall entry point with "user" (regsvr32 /n /i:user), which needs no
rem administrator rights. The DLL is 32-bit, so on 64-bit Windows only the
rem 32-bit regsvr32 in SysWOW64 can load it.
rem Exit codes: 0 unregistered, 2 DLL missing, 3 no 32-bit regsvr32, other
rem codes are regsvr32's own (the DLL could not be loaded or unregistered).
setlocal
set "dll=%~dp0npNorvellZephel32.dll"
set "regsvr32=%SystemRoot%\System32\regsvr32.exe"
if /i not "%PROCESSOR_ARCHITECTURE%"=="x86" set "regsvr32=%SystemRoot%\SysWOW64\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "regsvr32=%SystemRoot%\SysWOW64\regsvr32.exe"

if not exist "%dll%" goto no_dll
if not exist "%regsvr32%" goto no_regsvr32
"%regsvr32%" /u /s /n /i:user "%dll%"
set "code=%errorlevel%"
if not "%code%"=="0" goto failed
echo Norvell Zephel is uninstalled for this user: "%dll%"
exit /b 0

:no_dll
echo Norvell Zephel was NOT uninstalled: "%dll%" does not exist. Run uninstall.cmd from the folder that holds the plug-in. 1>&2
exit /b 2

:no_regsvr32
echo Norvell Zephel was NOT uninstalled: "%regsvr32%" does not exist (on 64-bit Windows the 32-bit regsvr32 comes with the 32-bit support, WOW64, which is missing here). 1>&2
exit /b 3

:failed
echo Norvell Zephel was NOT uninstalled: regsvr32 could not unregister "%dll%" (exit code %code%). 1>&2
exit /b %code%
