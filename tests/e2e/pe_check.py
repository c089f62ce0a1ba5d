#!/usr/bin/env python3
"""Checks the Windows binaries of the cross build from their PE headers.

  pe_check.py exports --objdump OBJDUMP DLL --name Sonrik.dll --require A,B,C
      The export directory names the library exactly NAME; every exported
      name is one of the host's five at its fixed ordinal, undecorated; every
      name in --require is present.

  pe_check.py imports --objdump OBJDUMP FILE...
      Each file imports system DLLs only (no C/C++ runtime or thread DLLs of
      the compiler), so it runs on a bare Windows installation.

The headers are read with the MinGW objdump (`objdump -p`).
"""

import argparse
import re
import subprocess
import sys

# The host looks the exports up by these names; ordinals never change.
HOST_EXPORTS = {
    "IsPlayListSupport": 1,
    "RunModule_List": 2,
    "RunModule": 3,
    "GetExt": 4,
    "GetModuleName": 5,
}

# DLLs present on every Windows installation (compared case-insensitively).
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
    "advapi32.dll", "shell32.dll", "shlwapi.dll", "ole32.dll", "oleaut32.dll",
    "msvcrt.dll", "version.dll", "winmm.dll", "uxtheme.dll",
}


def objdump(tool, path):
    result = subprocess.run([tool, "-p", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{tool} -p {path} failed: {result.stderr.strip()}")
    return result.stdout


def parse_exports(dump):
    """Returns (library name, {export name: ordinal}) from objdump -p output."""
    name_match = re.search(r"^Name\s+[0-9a-fA-F]+\s+(\S+)\s*$", dump, re.M)
    base_match = re.search(r"^Ordinal Base\s+(\d+)\s*$", dump, re.M)
    if not name_match or not base_match:
        return None, {}
    base = int(base_match.group(1))
    table = dump.split("[Ordinal/Name Pointer] Table", 1)
    exports = {}
    if len(table) == 2:
        for line in table[1].splitlines()[1:]:
            entry = re.match(r"^\s*\[\s*(\d+)\]\s+(\S+)\s*$", line)
            if not entry:
                break
            # The bracketed number is the index into the address table.
            exports[entry.group(2)] = int(entry.group(1)) + base
    return name_match.group(1), exports


def check_exports(args):
    library, exports = parse_exports(objdump(args.objdump, args.dll))
    problems = []
    if library is None:
        problems.append("no export directory")
    elif library != args.name:
        problems.append(f"export directory names the library {library!r}, not {args.name!r}")
    for name, ordinal in sorted(exports.items(), key=lambda item: item[1]):
        if "@" in name or name.startswith("_"):
            problems.append(f"decorated name exported: {name} (ordinal {ordinal})")
        elif name not in HOST_EXPORTS:
            problems.append(f"unexpected export: {name} (ordinal {ordinal})")
        elif HOST_EXPORTS[name] != ordinal:
            problems.append(f"{name} has ordinal {ordinal}, expected {HOST_EXPORTS[name]}")
    for name in filter(None, args.require.split(",")):
        if name not in exports:
            problems.append(f"missing export: {name}")
    for name, ordinal in sorted(exports.items(), key=lambda item: item[1]):
        print(f"  @{ordinal} {name}")
    return report(f"exports of {args.dll}", problems)


def check_imports(args):
    problems = []
    for path in args.files:
        dlls = re.findall(r"^\s*DLL Name:\s*(\S+)\s*$", objdump(args.objdump, path), re.M)
        print(f"  {path}: {', '.join(dlls) or '(none)'}")
        for dll in dlls:
            lower = dll.lower()
            if lower not in SYSTEM_DLLS and not lower.startswith("api-ms-win-"):
                problems.append(f"{path} imports {dll}, which is not a system DLL")
    return report("imports", problems)


def report(what, problems):
    for problem in problems:
        print(f"FAIL: {problem}")
    print(f"{what}: {'ok' if not problems else f'{len(problems)} problem(s)'}")
    return 1 if problems else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    exports = sub.add_parser("exports")
    exports.add_argument("--objdump", required=True)
    exports.add_argument("--name", required=True)
    exports.add_argument("--require", default="")
    exports.add_argument("dll")
    imports = sub.add_parser("imports")
    imports.add_argument("--objdump", required=True)
    imports.add_argument("files", nargs="+")
    args = parser.parse_args()
    return check_exports(args) if args.command == "exports" else check_imports(args)


if __name__ == "__main__":
    sys.exit(main())
