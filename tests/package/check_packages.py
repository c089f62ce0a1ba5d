#!/usr/bin/env python3
"""Checks what scripts/package.sh wrote, as a user receives it.

The zip: exactly its five files, the checksums hold, each binary's version
resource reads the version, every binary imports system DLLs (and the XP SP3
list) only, and sonrik-tag.exe --version prints the version under Wine where
the machine runs 32-bit programs. The .deb: exactly /usr/bin/sonrik-tag and
its manual page, the unpacked program prints the version, and the page
renders without a warning.

  check_packages.py --dist DIR --version V [--wine-run SCRIPT]
(without --wine-run, where no 32-bit program runs, the Wine check is skipped)
Prints "ok ..." or "FAILED ..." per check; exit status 1 when one failed.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
PE_CHECK = os.path.join(HERE, "..", "e2e", "pe_check.py")
XP_IMPORTS = os.path.join(HERE, "..", "e2e", "xp_sp3_imports.txt")
ZIP_FILES = ["README.txt", "SHA256SUMS", "Sonrik.dll", "sonrik-tag.exe", "sonrik.exe"]
DESCRIPTIONS = {
    "Sonrik.dll": "Sonrik editor tag-editor plug-in",
    "sonrik.exe": "Sonrik editor launcher",
    "sonrik-tag.exe": "Sonrik editor command-line tag tool",
}
DEB_FILES = ["./usr/bin/sonrik-tag", "./usr/share/man/man1/sonrik-tag.1"]

failures = []


def check(ok, what, detail=""):
    print(("ok     " if ok else "FAILED ") + what + ("" if ok or not detail else f": {detail}"))
    if not ok:
        failures.append(what)


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def check_zip(path, version, wine_run, folder):
    with zipfile.ZipFile(path) as z:
        names = sorted(z.namelist())
        check(names == ZIP_FILES, "the zip holds exactly its five files", names)
        z.extractall(folder)
    sums = {}
    with open(os.path.join(folder, "SHA256SUMS")) as f:
        for line in f:
            digest, name = line.split(maxsplit=1)
            sums[name.strip().lstrip("*")] = digest
    check(sorted(sums) == sorted(set(ZIP_FILES) - {"SHA256SUMS"}), "SHA256SUMS names the other four files", sorted(sums))
    for name, digest in sums.items():
        with open(os.path.join(folder, name), "rb") as f:
            check(hashlib.sha256(f.read()).hexdigest() == digest, f"the checksum of {name} holds")
    with open(os.path.join(folder, "README.txt"), "rb") as f:
        readme = f.read()
    check(f"Sonrik editor {version}".encode() in readme and b"\r\n" in readme, "README.txt names the version, CR LF")
    binaries = [os.path.join(folder, n) for n in DESCRIPTIONS]
    for name, description in DESCRIPTIONS.items():
        r = run([sys.executable, PE_CHECK, "version", "--windres", "i686-w64-mingw32-windres", "--version", version,
                 "--description", description, os.path.join(folder, name)])
        check(r.returncode == 0, f"the version resource of {name} reads {version}", r.stdout + r.stderr)
    r = run([sys.executable, PE_CHECK, "imports", "--objdump", "i686-w64-mingw32-objdump", "--allowed", XP_IMPORTS]
            + binaries)
    check(r.returncode == 0, "the binaries import only system functions that Windows XP SP3 has", r.stdout + r.stderr)
    if not wine_run:
        print("skip   sonrik-tag.exe --version under Wine: this machine runs no 32-bit programs")
        return
    r = run([wine_run, "--arch", "win32", "--prefix", os.path.join(folder, "wineprefix"),
             os.path.join(folder, "sonrik-tag.exe"), "--version"])
    check(r.stdout.strip() == f"sonrik-tag {version}", f"sonrik-tag.exe --version prints {version} under Wine",
          r.stdout + r.stderr)
    run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=os.path.join(folder, "wineprefix")))


def check_deb(path, version, folder):
    r = run(["dpkg-deb", "-c", path])
    files = sorted(line.split()[-1] for line in r.stdout.splitlines() if not line.startswith("d"))
    check(r.returncode == 0 and files == DEB_FILES, "the .deb holds exactly the program and its manual page", files)
    r = run(["dpkg-deb", "-x", path, folder])
    check(r.returncode == 0, "the .deb unpacks", r.stderr)
    r = run([os.path.join(folder, "usr/bin/sonrik-tag"), "--version"])
    check(r.stdout.strip() == f"sonrik-tag {version}", f"the unpacked sonrik-tag --version prints {version}",
          r.stdout + r.stderr)
    page = os.path.join(folder, "usr/share/man/man1/sonrik-tag.1")
    r = run(["groff", "-man", "-ww", "-z", "-Tutf8", page])
    check(r.returncode == 0 and not r.stderr.strip(), "the manual page renders without a warning", r.stderr)
    r = run(["man", "-l", page], env=dict(os.environ, MANWIDTH="80"))
    check(r.returncode == 0 and "EXIT STATUS" in r.stdout and "THE JOURNAL" in r.stdout,
          "man shows the page with its sections", r.stderr)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dist", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--wine-run")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(os.path.join(work, "zip"))
        os.makedirs(os.path.join(work, "deb"))
        check_zip(os.path.join(args.dist, f"sonrik-{args.version}-win32.zip"), args.version, args.wine_run,
                  os.path.join(work, "zip"))
        check_deb(os.path.join(args.dist, f"sonrik-tag_{args.version}_amd64.deb"), args.version,
                  os.path.join(work, "deb"))
    print(f"{len(failures)} check(s) failed" if failures else "every package check passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
