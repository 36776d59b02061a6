@echo off
rem Runs sitecheck from this folder, where the site's configuration is, with
rem the arguments given (--json for a monitoring system), and passes its exit
rem status on: 0 every file would be handled, 1 some would stay, 2 the
rem configuration is wrong.
cd /d "%~dp0"
sitecheck.exe %*
exit /b %ERRORLEVEL%
