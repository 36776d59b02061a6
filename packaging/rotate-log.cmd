@echo off
rem Called by run-tolvik.cmd and run-brasko.cmd before each run with the log
rem the run will append to (logs\tolvik.log, logs\brasko.log), so that the
rem logs take a bounded space. A log at or over the limit becomes <log>.1, the
rem older ones shift to .2 and .3, and the previous .3 is deleted (read-only
rem or not): the run then starts a fresh log. A log under the limit is left
rem for the run to append to. Each of the four files thus holds less than the
rem limit plus one run's trace.
rem
rem Where the log cannot be moved aside (another program holds it open, or an
rem older log is in the way), the run writes to <name>.overflow.log instead,
rem which starts afresh at each such run with a line that says why: no log
rem grows past the limit whatever its state. The caller finds the log to
rem write to in the variable log.
setlocal
rem The size limit of a log, in bytes (10 MB).
set limit=10485760
set "log=%~1"
if not exist "%~1" goto chosen
rem cmd takes any plain number above 2147483647 as 2147483647, so the size
rem and the limit are compared as strings of 20 digits, which fit any size.
set "size=00000000000000000000%~z1"
set "max=00000000000000000000%limit%"
if "%size:~-20%" LSS "%max:~-20%" goto chosen
if exist "%~1.3" del /f /q "%~1.3" 2>nul
if exist "%~1.2" ren "%~1.2" "%~nx1.3" 2>nul
if exist "%~1.1" ren "%~1.1" "%~nx1.2" 2>nul
ren "%~1" "%~nx1.1" 2>nul
if not exist "%~1" goto chosen
set "log=%~dpn1.overflow%~x1"
echo ==== rotate-log: %~nx1 has reached %limit% bytes and cannot be renamed %~nx1.1 (open in another program, or an older log in the way): this run writes here instead ====> "%log%"
:chosen
endlocal & set "log=%log%"
