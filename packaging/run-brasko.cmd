@echo off
rem Runs brasko from this folder, as the scheduled task does, and appends a
rem dated header and the whole trace (output and errors) to logs\brasko.log,
rem which rotate-log.cmd first moves to brasko.log.1 once it reaches its limit
rem (or, where it cannot, names another bounded log in the variable log).
rem No path is expanded inside a parenthesised block: a folder such as
rem "C:\Program Files (x86)" would end the block at its ")".
cd /d "%~dp0"
if not exist logs\ mkdir logs
if exist logs\ goto logs_ready
echo Cannot create the folder "%~dp0logs" 1>&2
exit /b 1
:logs_ready
call "%~dp0rotate-log.cmd" logs\brasko.log
echo ==== brasko %DATE% %TIME% ====>> "%log%"
brasko.exe >> "%log%" 2>&1
