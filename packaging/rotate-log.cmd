@echo off
rem Called by run-tolvik.cmd and run-brasko.cmd before each run with the log
rem the run will append to (logs\tolvik.log, logs\brasko.log), so that the
rem logs take a bounded space. A log at or over the limit becomes <log>.1, the
rem older ones shift to .2 and .3, and the previous .3 is deleted: the run
rem then starts a fresh log. A log under the limit is left for the run to
rem append to. Each of the four files thus holds less than the limit plus one
rem run's trace.
setlocal
rem The size limit of a log, in bytes (10 MB).
set limit=10485760
if not exist "%~1" exit /b 0
rem cmd takes any plain number above 2147483647 as 2147483647, so the size
rem and the limit are compared as strings of 20 digits, which fit any size.
set "size=00000000000000000000%~z1"
set "max=00000000000000000000%limit%"
if "%size:~-20%" LSS "%max:~-20%" exit /b 0
if exist "%~1.3" del "%~1.3"
if exist "%~1.2" ren "%~1.2" "%~nx1.3"
if exist "%~1.1" ren "%~1.1" "%~nx1.2"
ren "%~1" "%~nx1.1"
