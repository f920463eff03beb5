#!/usr/bin/python3
"""The MSI as an office deploys it, under Wine, in a new, empty prefix.

    wine_installer.py --source S --work W --package P --build B --upgrade-package U --upgrade-build UB

A silent per-user install; the Start-menu shortcut's target; the program
started from it, with its database; the version resource of the installed
vedoris.exe and of its walker against the build's version, and its icon; a
harvest from cadsim.exe through the walker; "Экспорт в Excel" with no
spreadsheet application registered (the built-in writer); a silent upgrade
to the next version (the build UB, packaged in U) while the same cadsim.exe
still holds the old walker: cadsim.exe keeps running, the rows stay, and the
next harvest goes through the new walker in that same process; the old
walker's file removed once cadsim.exe has let it go; and an uninstall that
leaves spec_base.mdb with its rows. Neither the installer nor the program
writes under HKEY_LOCAL_MACHINE (compared before and after each of their
steps; Windows Installer's own records of what it installed aside).

Runs on a display of its own (the harness starts it under xvfb-run); every
wait has a limit. Screenshots go to <work>/screenshots.
"""

import argparse
import shutil
import sqlite3
import struct
import subprocess
import sys
import time
from pathlib import Path

from wine_e2e import (Failure, Probe, Program, Screen, Wine, call_counts, expected_rows, log, read_product,
                      read_rows, read_workbook, round_half_even, run, start_cadsim, wait_for)

PRODUCT = "Ведорис"


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


def installed_entry(wine, name):
    """The values of the entry under installed programs whose DisplayName is
    `name`, for the user or for the machine, read from the live registry
    (reg.exe's export keeps the text that its console output would lose)."""
    for root in ("HKCU", "HKLM"):
        tree = wine.read_keys(root + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall")
        for values in tree.values():
            if values.get("DisplayName") == name:
                return values
    return None


def user_key(wine, key):
    """The values of a key of HKEY_CURRENT_USER (its default value as "@");
    None when there is no such key."""
    wanted = ("HKEY_CURRENT_USER\\" + key).lower()
    return next((values for name, values in wine.read_keys("HKCU\\" + key).items() if name.lower() == wanted), None)


# Keys of HKEY_LOCAL_MACHINE that change without the package or the program
# writing them: Windows Installer's own records of the products it installed
# (Wine's msi.dll keeps a per-user product's entry under installed programs
# there too), and the display's keys, which Wine's graphics driver writes
# whenever a program starts.
MACHINE_BOOKKEEPING = (
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{",
    "HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\",
)


def machine_changes(before, after):
    """Keys of HKEY_LOCAL_MACHINE added, removed or changed, but for the
    bookkeeping above."""
    changed = {k for k in set(before) | set(after) if before.get(k) != after.get(k)}
    return sorted(k for k in changed if not k.lower().startswith(tuple(r.lower() for r in MACHINE_BOOKKEEPING)))


def package_registry_roots(msi):
    """The roots of every key the package's Registry table writes
    (msidbRegistryRoot: 0 classes, 1 user, 2 machine, 3 users, -1 per scope)."""
    done = run(["msiinfo", "export", str(msi), "Registry"], 60)
    if done.returncode != 0:
        raise Failure(f"msiinfo could not read {msi.name}'s Registry table: {done.stderr}")
    rows = [line.split("\t") for line in done.stdout.splitlines()[3:] if line.strip()]
    return {(row[1], row[2]) for row in rows}


def main():
    parser = argparse.ArgumentParser()
    for option in ("--source", "--work", "--package", "--build", "--upgrade-package", "--upgrade-build"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    work = Path(args.work)
    work.mkdir(parents=True, exist_ok=True)
    source = Path(args.source)
    package = Path(args.package)
    product = read_product(args.build)
    upgrade = read_product(args.upgrade_build)
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
        shutil.copy(package / "vedoris-windows-x64.msi", installers / "vedoris-windows-x64.msi")
        shutil.copy(Path(args.upgrade_package) / "vedoris-windows-x64.msi", installers / "vedoris-next.msi")
        probe = Probe(wine, screen, args.build)
        ask, message_text = probe.ask, probe.message_text
        shutil.copytree(package / "cadsim", wine.drive_c("cadsim"))
        drawings = wine.drive_c("drawings")
        drawings.mkdir()
        shutil.copy(source / "samples" / "pipes.dxf", drawings / "pipes.dxf")
        support = wine.drive_c("cad-support")
        support.mkdir()
        cadsim = wine.windows_path(wine.drive_c("cadsim", "cadsim.exe"))
        wine.register([cadsim, "/regserver"], "cadsim.exe /regserver")

        def without_machine_writes(what, step):
            """Runs a step of the installer's or the program's, and fails when
            it wrote under HKEY_LOCAL_MACHINE."""
            before = wine.machine_keys()
            result = step()
            changes = machine_changes(before, wine.machine_keys())
            if changes:
                raise Failure(f"{what} wrote under HKEY_LOCAL_MACHINE: {changes[:20]}")
            return result

        def msiexec(what, *arguments):
            # Not settled after: cadsim.exe may be running, and the registry
            # is read live.
            code = without_machine_writes(what, lambda: wine.run(["msiexec", *arguments], 300))
            # 3010 would be a restart the installer wants: none may be left pending.
            if code != 0:
                raise Failure(f"{what} ended with {code}")

        def walker_modules():
            """The walkers that the running cadsim.exe has loaded."""
            return sorted(path.lower() for pid, path in probe.modules("cadsim.exe") if "vedoris_walker" in path.lower())

        def start_cad(name, counts):
            return start_cadsim(wine, screen, ask, name, cadsim, support, drawings / "pipes.dxf",
                                ["--id-seed", "1", "--count-calls", wine.windows_path(counts)])

        def end_both(vedoris, program, cad):
            """Ведорис quit from its menu, then cadsim.exe ended."""
            quit_program(vedoris, program)
            wine.run(["taskkill", "/im", "cadsim.exe"])
            wait_for("cadsim.exe ends", lambda: cad.poll() is not None, 60)

        def start_program(shortcut):
            """The program from the Start menu, as the designer starts it: not elevated."""
            process = probe.start_limited("vedoris-installed", ["start", "/wait", "/unix", str(shortcut)])
            window = screen.wait_window(Program.TITLE, 90)[0]
            time.sleep(2)
            if len(screen.windows(Program.TITLE)) != 1:
                screen.shot("installed-start-failed")
                raise Failure(f"a message at start: {message_text()!r}")
            screen.move(window, 0, 0)
            return process, Program(screen, window)

        def quit_program(process, program):
            program.menu("Файл", "Выход")
            wait_for("vedoris.exe ends after Выход", lambda: process.poll() is not None, 60)

        expected = expected_rows(source)

        def clear_rows(database):
            """No rows, written past the program, which is not running: the
            next harvest is seen to store them."""
            connection = sqlite3.connect(database)
            try:
                with connection:
                    connection.execute("DELETE FROM TTruba")
            finally:
                connection.close()

        def harvest(program, database, label):
            log(f"harvest: {label}")
            program.menu("Данные", "Получить размеры труб")
            try:
                wait_for("the harvested rows", lambda: len(read_rows(database)) == len(expected), 120)
            except Failure:
                screen.shot("installer-harvest-failed")
                raise
            time.sleep(1)
            if read_rows(database) != expected:
                raise Failure(f"stored rows differ:\n{read_rows(database)}\nexpected:\n{expected}")
            if len(screen.windows(Program.TITLE)) != 1:
                screen.shot("installer-harvest-message")
                raise Failure(f"a message after the harvest: {message_text()!r}")

        # Whatever the installer service records for itself, the package
        # writes the user's keys alone.
        for msi in ("vedoris-windows-x64.msi", "vedoris-next.msi"):
            others = {(root, key) for root, key in package_registry_roots(installers / msi) if root != "1"}
            if others:
                raise Failure(f"{msi} writes keys outside HKEY_CURRENT_USER: {sorted(others)}")

        # --- the silent install -------------------------------------------------------
        log("msiexec /i … /qn")
        msiexec("the silent install", "/i", wine.windows_path(installers / "vedoris-windows-x64.msi"), "/qn")
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
        def check_walker(of, present=True):
            clsid, progid = of["VEDORIS_WALKER_CLSID"], of["VEDORIS_WALKER_PROGID"]
            dll = folder / of["VEDORIS_WALKER_FILE"]
            server = user_key(wine, f"Software\\Classes\\CLSID\\{clsid}\\InprocServer32")
            names = user_key(wine, f"Software\\Classes\\{progid}\\CLSID")
            if not present:
                if server or names:
                    raise Failure(f"the registration of {progid} is left: {server}, {names}")
                return dll
            log(f"the walker's registration: {progid} -> {names}, {server}")
            if not dll.is_file():
                raise Failure(f"{dll.name} was not installed")
            want = wine.windows_path(dll)
            if not server or server.get("@", "").lower() != want.lower() or server.get("ThreadingModel") != "Apartment":
                raise Failure(f"the walker is registered as {server}, not as {want}, apartment threaded")
            if not names or names.get("@") != clsid:
                raise Failure(f"the walker's ProgID names {names}, not {clsid}")
            strings = version_strings(dll)
            if strings.get("WalkerVersion", "").split("/")[0] != of["VEDORIS_VERSION"] or \
                    strings.get("WalkerClass") != clsid or strings.get("WalkerProgID") != progid:
                raise Failure(f"{dll.name}'s version resource reads {strings}")
            return dll

        old_walker = check_walker(product)

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

        # --- started from the Start menu, a harvest through the walker ------------------
        # Wine's COM sees the machine's classes alone: the user's are copied
        # there, as Windows would merge them.
        wine.mirror_user_classes()
        log("starting the program from its shortcut")
        vedoris, program = start_program(shortcuts[0])
        screen.shot("installed-program")
        cad_calls = wine.drive_c("cadsim", "calls.txt")
        cad = start_cad("cadsim-installer", cad_calls)
        without_machine_writes("the first harvest", lambda: harvest(program, database, "the installed program"))
        loaded = walker_modules()
        log(f"walkers loaded by cadsim.exe: {loaded}")
        if loaded != [wine.windows_path(old_walker).lower()]:
            raise Failure(f"cadsim.exe loaded {loaded}, not the installed walker")
        holder = {pid for pid, path in probe.modules("cadsim.exe")}

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
        quit_program(vedoris, program)

        # --- a silent upgrade while the CAD holds the old walker -------------------------
        log(f"upgrading to {upgrade['VEDORIS_VERSION']} while cadsim.exe holds {old_walker.name}")
        msiexec("the silent upgrade", "/i", wine.windows_path(installers / "vedoris-next.msi"), "/qn")
        if cad.poll() is not None:
            raise Failure(f"the upgrade ended cadsim.exe ({cad.returncode})")
        entry = installed_entry(wine, PRODUCT)
        if not entry or entry.get("DisplayVersion") != upgrade["VEDORIS_VERSION"]:
            raise Failure(f"after the upgrade the entry under installed programs reads {entry}")
        if not exe.is_file() or version_strings(exe).get("FileVersion") != upgrade["VEDORIS_VERSION"]:
            raise Failure("the upgrade did not install the new vedoris.exe")
        if read_rows(database) != expected:
            raise Failure(f"the upgrade lost the rows: {read_rows(database)}")
        if not old_walker.is_file():
            raise Failure(f"the upgrade removed {old_walker.name}, which cadsim.exe holds")
        check_walker(product, present=False)
        new_walker = check_walker(upgrade)
        log("the upgrade kept every row and left the old walker where cadsim.exe holds it")

        wine.mirror_user_classes()
        clear_rows(database)
        vedoris, program = start_program(shortcuts[0])
        without_machine_writes("the harvest after the upgrade",
                               lambda: harvest(program, database, "the new version, the same cadsim.exe"))
        loaded = walker_modules()
        log(f"walkers loaded by cadsim.exe: {loaded}")
        if wine.windows_path(new_walker).lower() not in loaded or \
                {pid for pid, path in probe.modules("cadsim.exe")} != holder:
            raise Failure(f"the same cadsim.exe did not load the new walker: {loaded}")
        if not old_walker.is_file():
            raise Failure(f"{old_walker.name} was removed while cadsim.exe holds it")
        end_both(vedoris, program, cad)
        counts = call_counts(cad_calls)
        log(f"calls served by cadsim.exe over both harvests: {counts}")
        if counts.get("in-process invocations", 0) == 0:
            raise Failure("the harvests did not walk the drawing inside the CAD")

        # --- the old walker goes once nothing holds it ---------------------------------
        log("a harvest once cadsim.exe has let the old walker go")
        clear_rows(database)
        vedoris, program = start_program(shortcuts[0])
        cad = start_cad("cadsim-after-upgrade", wine.drive_c("cadsim", "calls-after.txt"))
        harvest(program, database, "after the CAD let the old walker go")
        if old_walker.exists():
            raise Failure(f"{old_walker.name} is left although no process holds it")
        if not new_walker.is_file():
            raise Failure(f"{new_walker.name} was removed")
        end_both(vedoris, program, cad)

        # --- an uninstall leaves the database ---------------------------------------------
        log("msiexec /x")
        msiexec("the uninstall", "/x", wine.windows_path(installers / "vedoris-next.msi"), "/qn")
        if exe.exists() or shortcuts[0].exists():
            raise Failure("the uninstall left the program or its shortcut")
        if installed_entry(wine, PRODUCT):
            raise Failure("the uninstall left the entry under installed programs")
        check_walker(upgrade, present=False)
        if read_rows(database) != expected:
            raise Failure("the uninstall did not leave spec_base.mdb with its rows")
        log("installed, upgraded beside a running CAD and uninstalled under Wine: passed")
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
