@echo off
rem Runs brasko from this folder, as the scheduled task does, and appends a
rem dated header and the whole trace (output and errors) to logs\brasko.log,
rem which rotate-log.cmd first moves to brasko.log.1 once it reaches its limit.
cd /d "%~dp0"
if not exist logs\ mkdir logs
if not exist logs\ (
  echo Cannot create the folder %~dp0logs 1>&2
  exit /b 1
)
call "%~dp0rotate-log.cmd" logs\brasko.log
echo ==== brasko %DATE% %TIME% ====>> logs\brasko.log
brasko.exe >> logs\brasko.log 2>&1
