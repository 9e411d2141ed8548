#!/usr/bin/python3
"""Each program copied alone into a folder with planted files of the system
names it loads (core/system_dll_names.h) and an explorer.exe, each leaving a
marker when loaded or run, and started there with Wine searching as Windows
does (native DLLs first, the program's folder first): the shipped program
into its connection dialog (no scanner); the simulation program with a
simulated scanner and the demo's catalogue, its rows drawn and the module
folder opened in Explorer by its menu command. It must work, with no marker.

  planted_dll_test.py WINE_RUN PROGRAM SIM_PROGRAM PLANTED_DLL PLANTED_EXE DRIVER DLL_NAMES_H DEMO_SITE WORK_FOLDER
Exit code 77 (skipped) when this machine cannot run the build's programs.
"""
import os
import re
import shutil
import subprocess
import sys
import time

CONNECTING = "connecting: Управление сканером ЗОР [v1.4]: Подключение к ЗОР-70 через порт USB..."

wine_run, program, sim, dll, exe, driver, names, site, folder = sys.argv[1:10]
with open(names, encoding="utf-8") as f:
    # Wine's user32, unlike Windows', imports version: Wine loads it before WinMain.
    PLANTED = [n for n in re.findall(r'L"(\w+)\.dll"', f.read()) if n != "version"]
shutil.rmtree(folder, ignore_errors=True)
os.makedirs(folder)


def run(name, program, steps, env):
    """True when each driver step printed its text and the program ended well, with no marker."""
    here = os.path.join(folder, name)
    os.makedirs(here)
    shutil.copy(program, os.path.join(here, "zormanager.exe"))
    shutil.copy(exe, os.path.join(here, "explorer.exe"))
    for planted in PLANTED:
        shutil.copy(dll, os.path.join(here, planted + ".dll"))
    env = dict(os.environ, WINEDLLOVERRIDES="mscoree,mshtml=;%s=n,b" % ",".join(PLANTED), **env)
    started = subprocess.Popen([wine_run, os.path.join(here, "zormanager.exe")], cwd=here, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    worked = True
    try:
        for step, expected in steps:
            answer = subprocess.run([wine_run, driver] + step, capture_output=True, text=True, timeout=200)
            if answer.returncode == 77:
                sys.exit(77)
            print(answer.stdout, end="")
            worked = worked and answer.returncode == 0 and expected in answer.stdout
        worked = worked and started.wait(timeout=120) == 0
    except subprocess.TimeoutExpired:
        print("the program does not answer")
        worked = False
    finally:
        if started.poll() is None:
            started.kill()
    loaded = sorted(n for n in os.listdir(here) if n.endswith(".loaded"))
    print("%s: worked: %s; planted files loaded or run: %s" % (name, worked, ", ".join(loaded) or "none"))
    return worked and not loaded


shipped = run("shipped", program, [(["connecting", "120"], CONNECTING)], {})
scanners, port = os.path.join(folder, "scanners.txt"), os.path.join(folder, "port")
with open(scanners, "w") as f:
    f.write("USBSTOR\\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\\150314001234&0\n")
server = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), "../../demo/serve.py"), site, port,
                           os.path.join(folder, "server.log")])
try:
    while not (os.path.exists(port) and os.path.getsize(port)):
        time.sleep(0.1)
    with open(port) as f:
        env = {"ZOR70_SIM_SCANNERS": "Z:" + scanners.replace("/", "\\"), "ZOR70_CATALOGUE_HOST": "127.0.0.1:" + f.read().strip()}
    simulated = run("simulated", sim, [(["wait-ready", "120"], "rows "), (["open-folder", "60"], "explorer: Zor70_Modules"),
                                       (["close", "120", "no"], "")], env)
finally:
    server.kill()
sys.exit(0 if shipped and simulated else 1)
