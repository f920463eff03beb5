#!/usr/bin/python3
"""The MSI as an office deploys it, under Wine, in a new, empty prefix.

    wine_installer.py --source S --work W --package P --build B --upgrade-version V

A silent per-user install; the Start-menu shortcut's target; the program
started from it, with its database; the version resource of the installed
vedoris.exe against the build's version, and its icon; a harvest from
cadsim.exe; "Экспорт в Excel" with no spreadsheet application registered
(the built-in writer); an upgrade to version V that keeps the rows; and an
uninstall that leaves spec_base.mdb with them.

Runs on a display of its own (the harness starts it under xvfb-run); every
wait has a limit. Screenshots go to <work>/screenshots.
"""

import argparse
import shutil
import struct
import subprocess
import sys
import time
from pathlib import Path

from wine_e2e import (Failure, Probe, Program, Screen, Wine, expected_rows, log, read_rows, read_workbook,
                      round_half_even, run, wait_for)

PRODUCT = "Ведорис"


def read_product(build):
    """The build's version and names, as make-msi.sh reads them."""
    values = {}
    for line in (Path(build) / "installer" / "product.env").read_text(encoding="utf-8").splitlines():
        if "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            values[key] = value.strip("'")
    return values


def version_strings(exe):
    """The StringFileInfo of a program's VS_VERSIONINFO, read with wrestool."""
    done = subprocess.run(["wrestool", "--extract", "--raw", "--type=16", str(exe)],
                          capture_output=True, timeout=60, check=False)
    data = done.stdout
    if done.returncode != 0 or not data:
        raise Failure(f"{exe.name} has no version resource")

    def node(offset):
        """(length, value length, type, key, offset of the value, end) of one block."""
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        return length, value_length, kind, key, value, offset + length

    strings = {}

    def walk(offset, end, depth):
        while offset < end:
            length, value_length, kind, key, value, block_end = node(offset)
            if length == 0:
                break
            if depth == 2 and kind == 1:  # a String: its value is text of value_length characters
                text = data[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
                strings[key] = text
            elif key == "VS_VERSION_INFO":
                walk((value + value_length + 3) & ~3, block_end, 0)
            elif key == "StringFileInfo" or depth == 1:
                walk(value, block_end, depth + 1)
            offset = (block_end + 3) & ~3

    walk(0, len(data), -1)
    return strings


def has_icon(exe):
    done = run(["wrestool", "--list", "--type=14", str(exe)], 60)
    return done.returncode == 0 and "type=group_icon" in done.stdout


def registry_text(value):
    """A value of Wine's .reg files as text: \\xNNNN escapes for what is not ASCII."""
    out, i = [], 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value):
            if value[i + 1] == "x":
                j = i + 2
                while j < len(value) and j < i + 6 and value[j] in "0123456789abcdefABCDEF":
                    j += 1
                out.append(chr(int(value[i + 2:j], 16)))
                i = j
                continue
            out.append(value[i + 1])
            i += 2
            continue
        out.append(value[i])
        i += 1
    return "".join(out)


def installed_entry(wine, name):
    """The values of the entry under installed programs whose DisplayName is
    `name`, read from the prefix's registry files, which wineserver writes out
    when the installer's programs end (reg.exe would hand the text through the
    console's code page)."""
    for hive in ("user.reg", "system.reg"):
        values, inside = {}, False
        lines = (wine.prefix / hive).read_text(encoding="ascii", errors="replace").splitlines()
        for line in lines + ["[end]"]:
            if line.startswith("["):
                if inside and values.get("DisplayName") == name:
                    return values
                inside = "\\\\CurrentVersion\\\\Uninstall\\\\{" in line
                values = {}
            elif inside and line.startswith('"') and '"="' in line:
                key, value = line[1:].split('"="', 1)
                values[registry_text(key)] = registry_text(value.rstrip('"'))
    return None


def user_key(wine, key):
    """The values of a key of HKEY_CURRENT_USER (its default value as "@"),
    read from the prefix's user.reg; None when there is no such key."""
    wanted = "[" + key.replace("\\", "\\\\") + "]"
    values, inside = None, False
    for line in (wine.prefix / "user.reg").read_text(encoding="ascii", errors="replace").splitlines():
        if line.startswith("["):
            if inside:
                return values
            inside = line.split(" ")[0].lower() == wanted.lower()
            values = {} if inside else None
        elif inside and "=" in line and line.startswith(("@", '"')):
            name, value = line.split("=", 1)
            values["@" if name == "@" else registry_text(name.strip('"'))] = registry_text(value.strip('"'))
    return values if inside else None


def main():
    parser = argparse.ArgumentParser()
    for option in ("--source", "--work", "--package", "--build", "--upgrade-version"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    work = Path(args.work)
    work.mkdir(parents=True, exist_ok=True)
    source = Path(args.source)
    package = Path(args.package)
    product = read_product(args.build)
    version = product["VEDORIS_VERSION"]
    wine = Wine(work / "prefix-installer", work)
    screen = Screen(work / "screenshots")
    try:
        log("making a new, empty Wine prefix")
        wine.make()
        wine.use_liberation_for_arial()
        # With no window manager on the display, Wine draws the windows'
        # frames itself: the caption shows the program's icon.
        wine.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f"])
        installers = wine.drive_c("installers")
        installers.mkdir()
        for name in ("vedoris-windows-x64.msi", "vedoris-upgrade-test.msi"):
            shutil.copy(package / name, installers / name)
        probe = Probe(wine, screen, args.build)
        ask, message_text = probe.ask, probe.message_text
        shutil.copytree(package / "cadsim", wine.drive_c("cadsim"))
        drawings = wine.drive_c("drawings")
        drawings.mkdir()
        shutil.copy(source / "samples" / "pipes.dxf", drawings / "pipes.dxf")
        support = wine.drive_c("cad-support")
        support.mkdir()
        def msiexec(*arguments):
            code = wine.run(["msiexec", *arguments], 300)
            wine.settle()
            return code

        # --- the silent install -------------------------------------------------------
        log("msiexec /i … /qn")
        if msiexec("/i", wine.windows_path(installers / "vedoris-windows-x64.msi"), "/qn") != 0:
            raise Failure("the silent install failed")
        folders = list(wine.drive_c("users").glob("*/AppData/Local/Programs/Vedoris"))
        if len(folders) != 1:
            raise Failure(f"not installed under %LOCALAPPDATA%\\Programs\\Vedoris: {folders}")
        folder = folders[0]
        exe = folder / "vedoris.exe"
        database = folder / "spec_base.mdb"
        for needed in (exe, database, folder / "tr.fas", folder / "platforms" / "qwindows.dll"):
            if not needed.is_file():
                raise Failure(f"{needed.name} was not installed")
        shortcuts = list(wine.drive_c("users").glob(f"*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/{PRODUCT}.lnk"))
        if len(shortcuts) != 1:
            raise Failure(f"no Start-menu shortcut \"{PRODUCT}\": {shortcuts}")
        link = shortcuts[0].read_bytes()
        target = wine.windows_path(exe)
        if target.encode("utf-16-le") not in link and target.encode("ascii", "replace") not in link:
            raise Failure(f"the shortcut does not point at {target}")
        entry = installed_entry(wine, PRODUCT)
        log(f"the entry under installed programs: {entry}")
        if not entry or entry.get("DisplayVersion") != version or entry.get("Publisher") != product["VEDORIS_PUBLISHER"]:
            raise Failure(f"the entry under installed programs reads {entry}")
        # Where the program lies and how large it is, as IT reads them. Wine's
        # msi.dll writes ARPSIZE as "Size" and EstimatedSize as 0 whatever the
        # package says; Windows Installer computes EstimatedSize itself.
        location = entry.get("InstallLocation", "").rstrip("\\")
        if location.lower() != wine.windows_path(folder).lower():
            raise Failure(f"InstallLocation reads {entry.get('InstallLocation')!r}, not {wine.windows_path(folder)!r}")
        installed_kb = sum(f.stat().st_size for f in folder.rglob("*") if f.is_file()) // 1024
        if not entry.get("Size", "").isdigit() or not installed_kb // 2 <= int(entry["Size"]) <= installed_kb * 2:
            raise Failure(f"the entry's size reads {entry.get('Size')!r} KB; the folder holds {installed_kb} KB")

        # --- the walker, registered for the user -----------------------------------------
        clsid = product["VEDORIS_WALKER_CLSID"]
        server = user_key(wine, f"Software\\Classes\\CLSID\\{clsid}\\InprocServer32")
        walker_dll = wine.windows_path(folder / "vedoris_walker.dll")
        log(f"the walker's registration: {server}")
        if not (folder / "vedoris_walker.dll").is_file():
            raise Failure("vedoris_walker.dll was not installed")
        if not server or server.get("@", "").lower() != walker_dll.lower() or server.get("ThreadingModel") != "Apartment":
            raise Failure(f"the walker is registered as {server}, not as {walker_dll}, apartment threaded")
        progid = user_key(wine, "Software\\Classes\\Vedoris.Walker\\CLSID")
        if not progid or progid.get("@") != clsid:
            raise Failure(f"the walker's ProgID names {progid}, not {clsid}")

        # --- what the executable says of itself -----------------------------------------
        strings = version_strings(exe)
        log(f"vedoris.exe's version resource: {strings}")
        for key, want in (("ProductName", PRODUCT), ("FileVersion", version), ("ProductVersion", version),
                          ("FileDescription", PRODUCT)):
            if strings.get(key) != want:
                raise Failure(f"vedoris.exe's {key} is {strings.get(key)!r}, not {want!r}")
        if not strings.get("LegalCopyright"):
            raise Failure("vedoris.exe has no LegalCopyright")
        if not has_icon(exe):
            raise Failure("vedoris.exe has no icon")
        cadsim_strings = version_strings(wine.drive_c("cadsim", "cadsim.exe"))
        if cadsim_strings.get("FileVersion") != version:
            raise Failure(f"cadsim.exe's version resource reads {cadsim_strings}")

        # --- started from the Start menu ----------------------------------------------------
        log("starting the program from its shortcut")
        vedoris = wine.start("vedoris-installed", ["start", "/wait", "/unix", str(shortcuts[0])])
        main_window = screen.wait_window(Program.TITLE, 90)[0]
        time.sleep(2)
        if len(screen.windows(Program.TITLE)) != 1:
            screen.shot("installed-start-failed")
            raise Failure(f"a message at start: {message_text()!r}")
        screen.move(main_window, 0, 0)
        program = Program(screen, main_window)
        screen.shot("installed-program")

        # --- a harvest into the installed database ---------------------------------------
        cadsim = wine.windows_path(wine.drive_c("cadsim", "cadsim.exe"))
        if wine.run([cadsim, "/regserver"]) != 0:
            raise Failure("cadsim.exe /regserver failed")
        cad_calls = wine.drive_c("cadsim", "calls.txt")
        cad = wine.start("cadsim-installer", [cadsim, "--id-seed", "1", "--count-calls", wine.windows_path(cad_calls),
                                              "--settings", wine.windows_path(wine.drive_c("cadsim", "cadsim.ini")),
                                              "--support-path", wine.windows_path(support),
                                              wine.windows_path(drawings / "pipes.dxf")])
        wait_for("cadsim.exe in the running object table", lambda: ask("selection") is not None, 90, 1.0)
        cad_window = wait_for("cadsim.exe's window", lambda: screen.windows(".*pipes\\.dxf.*"), 30)[0]
        screen.move(cad_window, 660, 0)
        expected = expected_rows(source)
        log("harvest")
        program.menu("Данные", "Получить размеры труб")
        wait_for("the harvested rows", lambda: len(read_rows(database)) == len(expected), 120)
        time.sleep(1)
        rows = read_rows(database)
        if rows != expected:
            raise Failure(f"stored rows differ:\n{rows}\nexpected:\n{expected}")
        log(f"{len(rows)} rows stored in {wine.windows_path(database)}")

        # --- both exports with no spreadsheet application ------------------------------
        temp_folders = list(wine.drive_c("users").glob("*/AppData/Local/Temp")) + \
            list(wine.drive_c("users").glob("*/Temp"))

        def workbooks():
            return {p for folder_ in temp_folders for p in folder_.glob("*.xlsx")}

        def written_workbook(before, shot, windows_before):
            """The new workbook, once the message that names it is answered."""
            workbook = wait_for("a workbook in the user's temp folder",
                                lambda: sorted(workbooks() - before) or None, 90, 0.5)[0]
            time.sleep(1)
            # Wine associates no program with .xlsx: the user is told where the
            # workbook lies, with its full path.
            screen.wait_window(Program.TITLE, 30, count=windows_before + 1)
            screen.shot(shot)
            text = message_text()
            log(f"the message: {text!r}")
            if wine.windows_path(workbook) not in text or "Не удается запустить Excel!!!" in text:
                raise Failure(f"the message after the export reads {text!r}, not the workbook's path")
            screen.keys("Return")
            screen.wait_gone(Program.TITLE, 30, count=windows_before)
            return workbook

        log("Экспорт в Excel with no spreadsheet application registered")
        before = workbooks()
        program.menu("Данные", "Экспорт в Excel")
        workbook = written_workbook(before, "export-without-spreadsheet", 1)
        cells = read_workbook(workbook)
        want = [["Слой", "Длинна, мм", "D наружный, мм", "D внутренний, мм"]]
        want += [[r[0], round_half_even(r[2]), r[3], r[4]] for r in sorted(expected, key=lambda r: (r[0], r[3]))]
        if cells != want:
            raise Failure(f"the built-in writer's pipe list holds {cells}, not {want}")
        log(f"the built-in writer wrote {wine.windows_path(workbook)}, read back cell by cell")

        log("Суммарная длинна, then its Экспорт в Excel")
        program.menu("Данные", "Суммарная длинна")
        totals = screen.wait_window("Общее количество труб", 60)[0]
        time.sleep(1)
        before = workbooks()
        # The window's form places "Экспорт в Excel" 8 pixels in from the left
        # of its bottom panel (41 high), 25 high; "Ok" at the right.
        geometry = screen.geometry(totals)
        screen.click(totals, 8 + 50, geometry["HEIGHT"] - 41 + 8 + 12)
        workbook = written_workbook(before, "totals-without-spreadsheet", 1)
        sums = {}
        for r in expected:
            sums[(r[3], r[4])] = sums.get((r[3], r[4]), 0.0) + r[2]
        want = [["Длинна, мм", "D наружный, мм", "D внутренний, мм"]]
        want += [[round_half_even(sums[k]), k[0], k[1]] for k in sorted(sums)]
        if read_workbook(workbook) != want:
            raise Failure(f"the built-in writer's totals hold {read_workbook(workbook)}, not {want}")
        log(f"the built-in writer wrote the totals to {wine.windows_path(workbook)}")
        screen.click(totals, geometry["WIDTH"] - 14 - 37, geometry["HEIGHT"] - 41 + 8 + 12)
        screen.wait_gone("Общее количество труб", 30)

        program.menu("Файл", "Выход")
        wait_for("vedoris.exe ends after Выход", lambda: vedoris.poll() is not None, 60)
        wine.run(["taskkill", "/im", "cadsim.exe"])
        wait_for("cadsim.exe ends", lambda: cad.poll() is not None, 60)
        # The harvest walked the drawing inside the CAD, by the installed walker.
        counts = dict(line.rsplit(" ", 1) for line in cad_calls.read_text().splitlines() if " " in line)
        log(f"calls served by cadsim.exe: {counts}")
        if int(counts.get("in-process invocations", "0")) == 0:
            raise Failure("the harvest did not walk the drawing inside the CAD")

        # --- an upgrade keeps the rows ------------------------------------------------------
        log(f"upgrading to {args.upgrade_version}")
        if msiexec("/i", wine.windows_path(installers / "vedoris-upgrade-test.msi"), "/qn") != 0:
            raise Failure("the upgrade failed")
        entry = installed_entry(wine, PRODUCT)
        if not entry or entry.get("DisplayVersion") != args.upgrade_version:
            raise Failure(f"after the upgrade the entry under installed programs reads {entry}")
        if not exe.is_file():
            raise Failure("the upgrade left no vedoris.exe")
        if read_rows(database) != expected:
            raise Failure(f"the upgrade lost the rows: {read_rows(database)}")
        log("the upgrade kept every row")

        # --- an uninstall leaves the database ---------------------------------------------
        log("msiexec /x")
        if msiexec("/x", wine.windows_path(installers / "vedoris-upgrade-test.msi"), "/qn") != 0:
            raise Failure("the uninstall failed")
        if exe.exists() or shortcuts[0].exists():
            raise Failure("the uninstall left the program or its shortcut")
        if installed_entry(wine, PRODUCT):
            raise Failure("the uninstall left the entry under installed programs")
        if user_key(wine, f"Software\\Classes\\CLSID\\{clsid}\\InprocServer32") or \
                user_key(wine, "Software\\Classes\\Vedoris.Walker\\CLSID"):
            raise Failure("the uninstall left the walker's registration")
        if read_rows(database) != expected:
            raise Failure("the uninstall did not leave spec_base.mdb with its rows")
        log("installed, upgraded and uninstalled under Wine: passed")
        return 0
    except Failure as failure:
        log(f"FAILED: {failure}")
        try:
            screen.shot("installer-at-failure")
        except Exception:  # a failure report must not hide the failure
            pass
        return 1
    finally:
        wine.kill()


if __name__ == "__main__":
    sys.exit(main())
