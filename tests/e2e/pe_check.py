#!/usr/bin/env python3
"""Checks the Windows binaries of the cross build from their PE headers.

  pe_check.py exports --objdump OBJDUMP DLL --name Sonrik.dll --require A,B,C
      The export directory names the library exactly NAME; every exported
      name is one of the host's five at its fixed ordinal, undecorated; every
      name in --require is present.

  pe_check.py imports --objdump OBJDUMP [--allowed LIST] FILE...
      Each file imports system DLLs only (no C/C++ runtime or thread DLLs of
      the compiler), so it runs on a bare Windows installation. With
      --allowed, every imported function must be in LIST ("[dll]" sections of
      function names, '#' comments): the oldest system supported has them.

  pe_check.py version --windres WINDRES --version X.Y.Z --description TEXT FILE
      The version resource, decompiled by windres, gives X.Y.Z as file and
      product version, the product name, TEXT and the file's own name.

The headers are read with the MinGW objdump (`objdump -p`).
"""

import argparse
import os
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


def parse_imports(dump):
    """{dll (lower case): [function]} from objdump -p output; a function
    imported by ordinal shows as "<none>"."""
    imports = {}
    functions = None
    for line in dump.splitlines():
        dll = re.match(r"^\s*DLL Name:\s*(\S+)\s*$", line)
        entry = re.match(r"^\s+[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$", line)
        if dll:
            functions = imports.setdefault(dll.group(1).lower(), [])
        elif line[:1].strip():
            functions = None  # the next section of the dump
        elif entry and functions is not None:
            functions.append(entry.group(1))
    return imports


def read_allowed(path):
    allowed, dll = set(), None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line.startswith("[") and line.endswith("]"):
                dll = line[1:-1].lower()
            elif line:
                allowed.add((dll, line))
    return allowed


def check_imports(args):
    problems = []
    allowed = read_allowed(args.allowed) if args.allowed else None
    for path in args.files:
        imports = parse_imports(objdump(args.objdump, path))
        print(f"  {path}: {', '.join(imports) or '(none)'}")
        for dll, functions in imports.items():
            if dll not in SYSTEM_DLLS and not dll.startswith("api-ms-win-"):
                problems.append(f"{path} imports {dll}, which is not a system DLL")
            if allowed is None:
                continue
            if not functions:
                problems.append(f"{path}: no functions read from the imports of {dll}")
            for function in functions:
                if (dll, function) not in allowed:
                    problems.append(f"{path} imports {dll} {function}, which is not listed in {args.allowed}")
    return report("imports", problems)


def check_version(args):
    result = subprocess.run([args.windres, "-i", args.file, "-O", "rc"], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{args.windres} -i {args.file} failed: {result.stderr.strip()}")
    rc = result.stdout
    numbers = ", ".join(args.version.split(".") + ["0"])
    expected = [
        f"FILEVERSION {numbers}", f"PRODUCTVERSION {numbers}",
        f'VALUE "FileVersion", "{args.version}"', f'VALUE "ProductVersion", "{args.version}"',
        'VALUE "ProductName", "Sonrik editor"', f'VALUE "FileDescription", "{args.description}"',
        f'VALUE "OriginalFilename", "{os.path.basename(args.file)}"',
    ]
    problems = [f"{args.file}: no {line}" for line in expected if not re.search(rf"^\s*{re.escape(line)}\s*$", rc, re.M)]
    return report(f"version resource of {args.file}", problems)


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
    imports.add_argument("--allowed")
    imports.add_argument("files", nargs="+")
    version = sub.add_parser("version")
    version.add_argument("--windres", required=True)
    version.add_argument("--version", required=True)
    version.add_argument("--description", required=True)
    version.add_argument("file")
    args = parser.parse_args()
    return {"exports": check_exports, "imports": check_imports, "version": check_version}[args.command](args)


if __name__ == "__main__":
    sys.exit(main())
