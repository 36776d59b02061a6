@echo off
rem Runs tolvik from this folder, as the scheduled task does, and appends a
rem dated header and the whole trace (output and errors) to logs\tolvik.log,
rem which rotate-log.cmd first moves to tolvik.log.1 once it reaches its limit.
cd /d "%~dp0"
if not exist logs\ mkdir logs
if not exist logs\ (
  echo Cannot create the folder %~dp0logs 1>&2
  exit /b 1
)
call "%~dp0rotate-log.cmd" logs\tolvik.log
echo ==== tolvik %DATE% %TIME% ====>> logs\tolvik.log
tolvik.exe >> logs\tolvik.log 2>&1
