#!/usr/bin/python3
"""What a workshop downloads: scripts/release's packages, checked as a user
and a support person would meet them.

- the release: the files, their checksums, the zips' contents, the user
  guide's encoding, the programs' imports, two builds byte for byte the same;
- signing with a throwaway certificate, and the refusals (missing or
  unreadable certificate, wrong password, uncommitted changes, a makensis
  older than 3.08);
- the installers under Wine: install, upgrade over an older version, the
  installed program starting, uninstall leaving only the module cache.

Needs the win64 and win32 build trees (their Wine prefixes and the demo's
window driver) and DISPLAY. Ends with "release: N passed, N failed, N skipped".
"""
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build")
WORK = os.path.join(BUILD, "release-test")
DIST = os.path.join(WORK, "dist")
TITLE = "Управление сканером ЗОР"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# Wine's 32-bit loader is a 32-bit Linux program; some kernels run none.
RUNS_32_BIT = subprocess.run([os.path.join(ROOT, "scripts", "wine"), "--version"], env=dict(os.environ, WINEARCH="win32"),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
sys.path.insert(0, os.path.join(ROOT, "release"))
import check_imports  # noqa: E402

release_output = ""


def run(args, env=None, check=True, **kw):
    result = subprocess.run(args, cwd=ROOT, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, **kw)
    if check and result.returncode != 0:
        raise AssertionError("%s exited %d:\n%s" % (" ".join(args), result.returncode, result.stdout))
    return result


def setUpModule():
    global release_output
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    release_output = run(["scripts/release", "--allow-dirty", "--check-reproducible", "--out", DIST]).stdout


def version():
    return next(n for n in os.listdir(DIST) if n.endswith("-win64.zip"))[len("zormanager-"):-len("-win64.zip")]


def names(arch):
    return "zormanager-%s-%s.zip" % (version(), arch), "zormanager-%s-%s-setup.exe" % (version(), arch)


def zipped(arch, name):
    with zipfile.ZipFile(os.path.join(DIST, names(arch)[0])) as archive:
        return archive.read(name)


class Release(unittest.TestCase):
    def test_files_and_checksums(self):
        expected = sorted(names("win64") + names("win32") + ("SHA256SUMS",))
        self.assertEqual(sorted(os.listdir(DIST)), expected)
        with open(os.path.join(DIST, "SHA256SUMS")) as f:
            lines = f.read().splitlines()
        self.assertEqual(len(lines), 4)
        for line in lines:
            digest, name = line.split("  ")
            with open(os.path.join(DIST, name), "rb") as f:
                self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest, name)
        self.assertRegex(version(), r"^\d+\.\d+\.\d+$")
        with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
            self.assertIn("project(zor70 VERSION %s " % version(), f.read())
        self.assertIn("NOT signed", release_output)

    def test_each_release_carries_the_host_it_announces(self):
        # Two releases in the same build trees: the one made without a host
        # must not keep the host of the one before.
        with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
            placeholder = re.search(r'set\(ZOR_CATALOGUE_HOST "([^"]+)"', f.read()).group(1)
        env = {k: v for k, v in os.environ.items() if k != "ZOR_CATALOGUE_HOST"}
        for host, out in (("catalogue-a.maker.example", "dist-host"), (None, "dist-placeholder")):
            out = os.path.join(WORK, out)
            extra = ["--catalogue-host", host] if host else []
            output = run(["scripts/release", "--allow-dirty", "--out", out] + extra, env=env).stdout
            self.assertIn("catalogue server: %s\n" % (host or placeholder), output)
            for arch in ("win64", "win32"):
                zip_name = next(n for n in os.listdir(out) if n.endswith("-%s.zip" % arch))
                with zipfile.ZipFile(os.path.join(out, zip_name)) as archive:
                    program = archive.read("zormanager.exe")
                self.assertIn((host or placeholder).encode(), program, arch)
                if not host:
                    self.assertNotIn(b"catalogue-a.maker.example", program, arch)

    def test_two_builds_are_byte_identical(self):
        for name in sorted(os.listdir(DIST)):
            self.assertIn("reproducible: %s\n" % name, release_output)
        self.assertIn("two builds gave byte-identical files", release_output)

    def test_zips_hold_the_program_and_a_guide_notepad_reads(self):
        for arch, machine in (("win64", "amd64"), ("win32", "i386")):
            with zipfile.ZipFile(os.path.join(DIST, names(arch)[0])) as archive:
                self.assertEqual(archive.namelist(), ["zormanager.exe", "README.txt"])
            guide = zipped(arch, "README.txt")
            self.assertTrue(guide.startswith(b"\xef\xbb\xbf"), arch)
            self.assertEqual(guide.count(b"\n"), guide.count(b"\r\n"), arch)
            text = guide.decode("utf-8")
            for needed in (version(), r"%APPDATA%\Zor70_Modules", r"%LOCALAPPDATA%\Programs\ZorManager",
                           r"%APPDATA%\Zor70_Modules\zormanager.log",
                           "Windows 7", "Ошибка подключения к интернету.", "Удалить"):
                self.assertIn(needed, text, arch)
            self.assertNotIn("@", text)
            exe = os.path.join(WORK, "%s.exe" % arch)
            with open(exe, "wb") as f:
                f.write(zipped(arch, "zormanager.exe"))
            dlls, problems = check_imports.problems(exe, machine)
            self.assertEqual(problems, [], arch)
            self.assertIn("user32.dll", [d.lower() for d in dlls])


def make_certificate(directory, password):
    key, cert, p12 = (os.path.join(directory, n) for n in ("key.pem", "cert.pem", "signer.p12"))
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
         "/CN=ZOR release test", "-keyout", key, "-out", cert])
    run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", p12, "-passout", "pass:" + password])
    return p12


def signature_problem(path):
    """None when the file carries a signature by the test's signer whose
    digest matches the file; else what is wrong. osslsigncode exits non-zero
    for any self-signed chain, so its report is read instead."""
    report = run(["osslsigncode", "verify", "-in", path], check=False).stdout
    current = [l.split(":", 1)[1].strip() for l in report.splitlines() if l.startswith("Current message digest")]
    computed = [l.split(":", 1)[1].strip() for l in report.splitlines() if l.startswith("Calculated message digest")]
    if not current or not computed:
        return "no signature"
    if current != computed:
        return "digest mismatch"
    if "Subject: /CN=ZOR release test" not in report:
        return "another signer"
    return None


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(dir=WORK)
        cls.p12 = make_certificate(cls.dir, "Пароль 1")
        cls.env = dict(os.environ, ZOR_SIGN_PASSWORD="Пароль 1")
        cls.out = os.path.join(cls.dir, "signed")
        cls.output = run(["scripts/release", "--allow-dirty", "--pkcs12", cls.p12, "--out", cls.out],
                         env=cls.env).stdout

    def test_every_exe_and_installer_is_signed(self):
        self.assertIn("signed with", self.output)
        for arch in ("win64", "win32"):
            zip_name, setup = names(arch)
            exe = os.path.join(self.dir, "zormanager-%s.exe" % arch)
            with zipfile.ZipFile(os.path.join(self.out, zip_name)) as archive:
                with open(exe, "wb") as f:
                    f.write(archive.read("zormanager.exe"))
            self.assertIsNone(signature_problem(exe), arch)
            self.assertIsNone(signature_problem(os.path.join(self.out, setup)), arch)
            # The uninstaller the installer writes is signed at build time too.
            unpacked = os.path.join(self.dir, "unpacked-" + arch)
            run(["7z", "x", "-y", "-o" + unpacked, os.path.join(self.out, setup), "uninstall.exe"])
            self.assertIsNone(signature_problem(os.path.join(unpacked, "uninstall.exe")), arch)
        # The checksums are those of the signed files.
        with open(os.path.join(self.out, "SHA256SUMS")) as f:
            digest, name = f.readline().split("  ")
        with open(os.path.join(self.out, name.strip()), "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest)

    def test_missing_or_broken_signature_fails_the_check(self):
        unsigned = os.path.join(self.dir, "unsigned.exe")
        with open(unsigned, "wb") as f:
            f.write(zipped("win64", "zormanager.exe"))
        self.assertEqual(signature_problem(unsigned), "no signature")
        tampered = os.path.join(self.dir, "tampered.exe")
        with open(os.path.join(self.out, names("win32")[1]), "rb") as f:
            data = bytearray(f.read())
        data[len(data) // 3] ^= 0xFF
        with open(tampered, "wb") as f:
            f.write(data)
        self.assertEqual(signature_problem(tampered), "digest mismatch")

    def refused(self, args, env, message):
        out = os.path.join(self.dir, "refused")
        result = run(["scripts/release", "--allow-dirty", "--out", out] + args, env=env, check=False)
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertIn(message, result.stdout)
        self.assertFalse(os.path.exists(out))
        self.assertEqual([n for n in os.listdir(self.dir) if n.startswith(".release-")], [])

    def test_bad_certificates_are_refused_before_anything_is_written(self):
        self.refused(["--pkcs12", os.path.join(self.dir, "none.p12")], self.env, "does not exist")
        self.refused(["--pkcs12", self.p12], dict(self.env, ZOR_SIGN_PASSWORD="wrong"), "ZOR_SIGN_PASSWORD is wrong")
        garbage = os.path.join(self.dir, "garbage.p12")
        with open(garbage, "wb") as f:
            f.write(b"not a certificate")
        self.refused(["--pkcs12", garbage], self.env, "not a PKCS#12 file")

    def test_an_output_folder_with_other_files_is_left_alone(self):
        out = os.path.join(self.dir, "documents")
        os.makedirs(out)
        with open(os.path.join(out, "notes.txt"), "w") as f:
            f.write("the user's\n")
        result = run(["scripts/release", "--allow-dirty", "--out", out], check=False)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("holds notes.txt, which no release makes", result.stdout)
        self.assertEqual(os.listdir(out), ["notes.txt"])

    def test_a_makensis_older_than_3_08_is_refused(self):
        with open(os.path.join(self.dir, "makensis"), "w") as f:
            f.write("#!/bin/sh\necho v3.06.1\n")
        os.chmod(os.path.join(self.dir, "makensis"), 0o755)
        self.refused([], dict(os.environ, PATH=self.dir + os.pathsep + os.environ["PATH"]), "makensis v3.06.1 is older")

    def test_uncommitted_changes_are_refused(self):
        clone = os.path.join(self.dir, "clone")
        run(["git", "clone", "-q", ROOT, clone])
        with open(os.path.join(clone, "scratch.txt"), "w") as f:
            f.write("not committed\n")
        result = subprocess.run([os.path.join(clone, "scripts", "release"), "--out", os.path.join(clone, "d")],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("uncommitted changes", result.stdout)
        self.assertFalse(os.path.exists(os.path.join(clone, "d")))


class Wine:
    """One build tree's Wine prefix."""

    def __init__(self, preset):
        self.tree = os.path.join(BUILD, preset)
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.tree, "wineprefix"), WINEDEBUG="-all")

    def run(self, *args, check=True, timeout=300):
        return run([os.path.join(self.tree, "wine-run")] + list(args), env=self.env, check=check, timeout=timeout)

    def settle(self):
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=300)

    def unix(self, windows_path):
        return self.run("winepath", "-u", windows_path).stdout.strip().splitlines()[-1]

    def folder(self, variable):
        return self.unix(self.run("cmd", "/c", "echo %" + variable + "%").stdout.strip().splitlines()[-1])

    def entries(self):
        """DisplayName -> DisplayVersion of the user's installed programs named as ours."""
        exported = os.path.join(WORK, "uninstall.reg")
        if os.path.exists(exported):
            os.remove(exported)
        self.run("reg", "export", UNINSTALL_KEY, self.run("winepath", "-w", exported).stdout.strip().splitlines()[-1],
                 check=False)
        if not os.path.exists(exported):
            return []
        with open(exported, "rb") as f:
            text = f.read().decode("utf-16")
        found, name, key, version_of = [], None, None, None
        for line in text.splitlines() + ["["]:
            if line.startswith("["):
                if key and name == TITLE:
                    found.append((key, version_of))
                key, name, version_of = line, None, None
            elif line.startswith('"DisplayName"='):
                name = line.split("=", 1)[1].strip('"')
            elif line.startswith('"DisplayVersion"='):
                version_of = line.split("=", 1)[1].strip('"')
        return found


class Installer(unittest.TestCase):
    def install_cycle(self, preset, arch):
        wine = Wine(preset)
        setup = os.path.join(DIST, names(arch)[1])
        program_dir = os.path.join(wine.folder("LOCALAPPDATA"), "Programs", "ZorManager")
        shortcut = os.path.join(wine.folder("APPDATA"), "Microsoft", "Windows", "Start Menu", "Programs",
                                TITLE + ".lnk")
        cache = os.path.join(wine.folder("APPDATA"), "Zor70_Modules")
        os.makedirs(cache, exist_ok=True)
        with open(os.path.join(cache, "release-test-module.zip"), "wb") as f:
            f.write(b"kept")
        new_exe = zipped(arch, "zormanager.exe")

        # An older version first, with a program file of its own.
        stage = tempfile.mkdtemp(dir=WORK)
        with open(os.path.join(stage, "zormanager.exe"), "wb") as f:
            f.write(new_exe + b"older build")
        with open(os.path.join(stage, "README.txt"), "wb") as f:
            f.write(zipped(arch, "README.txt"))
        old_setup = os.path.join(stage, "old-setup.exe")
        run(["makensis", "-V2", "-INPUTCHARSET", "UTF8", "-DVERSION=0.9.0", "-DARCH=" + arch, "-DSTAGE=" + stage,
             "-DOUTFILE=" + old_setup, "release/installer.nsi"])
        wine.run(old_setup, "/S")
        wine.settle()
        self.assertEqual([v for _, v in wine.entries()], ["0.9.0"])

        wine.run(setup, "/S")
        wine.settle()
        self.assertEqual([v for _, v in wine.entries()], [version()])
        with open(os.path.join(program_dir, "zormanager.exe"), "rb") as f:
            self.assertEqual(f.read(), new_exe)
        self.assertTrue(os.path.exists(os.path.join(program_dir, "uninstall.exe")))
        self.assertTrue(os.path.exists(shortcut))

        # The installed program starts: with no scanner it waits in its
        # connection dialog, and its Cancel ends it.
        program = subprocess.Popen([os.path.join(wine.tree, "wine-run"), os.path.join(program_dir, "zormanager.exe")],
                                   env=wine.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            driver = wine.run(os.path.join(wine.tree, "demo", "zordemo_driver.exe"), "connecting", "120",
                              check=False)
            self.assertEqual(driver.returncode, 0, driver.stdout)
            self.assertIn("connecting: Управление сканером ЗОР [v1.4]: Подключение к ЗОР-70 через порт USB...",
                          driver.stdout)
            self.assertEqual(program.wait(timeout=120), 0)
        finally:
            if program.poll() is None:
                program.kill()

        wine.run(os.path.join(program_dir, "uninstall.exe"), "/S")
        wine.settle()
        self.assertFalse(os.path.exists(program_dir))
        self.assertFalse(os.path.exists(shortcut))
        self.assertEqual(wine.entries(), [])
        with open(os.path.join(cache, "release-test-module.zip"), "rb") as f:
            self.assertEqual(f.read(), b"kept")

    def test_win64_installer(self):
        self.install_cycle("win64", "win64")

    @unittest.skipUnless(RUNS_32_BIT, "this machine's kernel runs no 32-bit programs, so Wine runs no 32-bit installer")
    def test_win32_installer(self):
        self.install_cycle("win32", "win32")


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2).result
    failed = len(result.failures) + len(result.errors)
    skipped = len(result.skipped)
    if result.testsRun == 0:
        failed = max(failed, 1)
    print("release: %d passed, %d failed, %d skipped" % (result.testsRun - failed - skipped, failed, skipped))
    sys.exit(1 if failed or not result.wasSuccessful() else 0)
