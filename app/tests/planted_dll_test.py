#!/usr/bin/python3
"""The program copied alone into a folder where DLLs of the system names it
uses were planted, and started from there with Wine searching as Windows
does (native DLLs first, the program's folder first). It must come up as
usual, with no scanner in its connection dialog, and load none of them.

  planted_dll_test.py WINE_RUN PROGRAM PLANTED_DLL DRIVER WORK_FOLDER
Exit code 77 (skipped) when this machine cannot run the build's programs.
"""
import os
import shutil
import subprocess
import sys

PLANTED = ["comctl32.dll", "msimg32.dll", "wininet.dll", "setupapi.dll", "cfgmgr32.dll"]
CONNECTING = "connecting: Управление сканером ЗОР [v1.4]: Подключение к ЗОР-70 через порт USB..."


def main():
    wine_run, program, planted, driver, folder = sys.argv[1:6]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(program, os.path.join(folder, "zormanager.exe"))
    for name in PLANTED:
        shutil.copy(planted, os.path.join(folder, name))
    env = dict(os.environ, WINEDLLOVERRIDES="mscoree,mshtml=;%s=n,b" % ",".join(n[:-4] for n in PLANTED))
    started = subprocess.Popen([wine_run, os.path.join(folder, "zormanager.exe")], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        answer = subprocess.run([wine_run, driver, "connecting", "120"], capture_output=True, text=True,
                                timeout=300)
        if answer.returncode == 77:
            return 77
        print(answer.stdout, end="")
        failed = []
        if answer.returncode != 0 or CONNECTING not in answer.stdout:
            failed.append("the program did not come up in its connection dialog")
        elif started.wait(timeout=120) != 0:
            failed.append("the program ended with code %d" % started.returncode)
    finally:
        if started.poll() is None:
            started.kill()
    loaded = sorted(n[:-len(".loaded")] for n in os.listdir(folder) if n.endswith(".loaded"))
    if loaded:
        failed.append("planted DLLs loaded: " + ", ".join(loaded))
    for problem in failed:
        print("error: " + problem)
    print("planted DLLs: %s; none loaded" % ", ".join(PLANTED) if not failed else "FAILED")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
