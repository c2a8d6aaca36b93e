@echo off
rem Drop a scenario folder on this file (or give it as the first argument):
rem it is checked, report.html is written beside the folder and opened in
rem the browser. scenario-tool.exe must stay beside this file.
setlocal
set "tool=%~dp0scenario-tool.exe"
if "%~1"=="" (
  echo Drop a scenario folder on check-and-report.bat to check it and see its report.
  pause
  exit /b 64
)
set "folder=%~f1"
set "report=%~dp1report.html"
echo Checking "%folder%"
echo.
"%tool%" check "%folder%"
echo.
"%tool%" report "%folder%" -o "%report%"
if errorlevel 3 (
  echo No report could be written.
  pause
  exit /b 3
)
start "" "%report%"
pause
