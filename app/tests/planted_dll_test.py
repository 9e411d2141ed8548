#!/usr/bin/python3
"""The program copied alone into a folder with planted DLLs of the system
names it uses, started with Wine searching as Windows does (native DLLs
first, the program's folder first): it must come up as usual, with no
scanner in its connection dialog, and load none of them.

  planted_dll_test.py WINE_RUN PROGRAM PLANTED_DLL DRIVER WORK_FOLDER
Exit code 77 (skipped) when this machine cannot run the build's programs.
"""
import os
import shutil
import subprocess
import sys

PLANTED = ["comctl32", "msimg32", "wininet", "setupapi", "cfgmgr32"]
CONNECTING = "connecting: Управление сканером ЗОР [v1.4]: Подключение к ЗОР-70 через порт USB..."

wine_run, program, planted, driver, folder = sys.argv[1:6]
shutil.rmtree(folder, ignore_errors=True)
os.makedirs(folder)
shutil.copy(program, os.path.join(folder, "zormanager.exe"))
for name in PLANTED:
    shutil.copy(planted, os.path.join(folder, name + ".dll"))
env = dict(os.environ, WINEDLLOVERRIDES="mscoree,mshtml=;%s=n,b" % ",".join(PLANTED))
started = subprocess.Popen([wine_run, os.path.join(folder, "zormanager.exe")], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    answer = subprocess.run([wine_run, driver, "connecting", "120"], capture_output=True, text=True, timeout=300)
    if answer.returncode == 77:
        sys.exit(77)
    print(answer.stdout, end="")
    came_up = answer.returncode == 0 and CONNECTING in answer.stdout and started.wait(timeout=120) == 0
finally:
    if started.poll() is None:
        started.kill()
loaded = sorted(n for n in os.listdir(folder) if n.endswith(".loaded"))
print("came up and ended: %s; planted DLLs loaded: %s" % (came_up, ", ".join(loaded) or "none"))
sys.exit(0 if came_up and not loaded else 1)
