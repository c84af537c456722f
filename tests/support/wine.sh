#!/bin/sh
# CTest's emulator for the Windows build (CMAKE_CROSSCOMPILING_EMULATOR): runs
# a Windows program under 64-bit Wine, in the Wine prefix and with the
# wineserver that scripts/windows.sh sets up for the run (WINEPREFIX,
# WINEDEBUG). exec keeps the process: its PID, streams and exit status are
# the program's own.
#   wine.sh PROGRAM.exe [ARGUMENT...]
exec "${CALC_WINE:-/usr/lib/wine/wine64}" "$@"
