#!/usr/bin/python3
"""How long the packaged Windows program's two long commands take under Wine,
and how many cross-process calls they make, counted on the serving side.

    wine_timing.py --work W --package P --build B [--pipes N --others N --rows N]

In a new prefix with cadsim.exe and sheetsim.exe registered, as wine_e2e.py
sets it up, the program's menus are driven with xdotool as a user would:

  - "Получить размеры труб" on a drawing of N pipe solids and N other
    entities (half lines, half solids without pipe data), timed from the
    menu command to the rows stored in spec_base.mdb, and "Выделить" on one
    row, timed to the end of its search (the progress window gone): once with
    the walk inside the CAD (the walker cadsim.exe loads), once with the walk
    in the program (cadsim.exe --no-interface-objects; skipped with
    --no-fallback);
  - "Экспорт в Excel" of a pipe list of N rows into sheetsim.exe, timed from
    the menu command to the workbook written.

Each simulator counts the name lookups (GetIDsOfNames) and invocations its
objects served and writes them when it ends (--count-calls); the summary
gives them per entity and per cell. Measurements, not a test: nothing is
asserted beyond the commands having done their work. Runs under xvfb-run.
"""

import argparse
import shutil
import sqlite3
import sys
import time
from pathlib import Path

from wine_e2e import Failure, Probe, Program, Screen, Wine, log, read_product, read_rows, unpack, wait_for


# The progress window of a command shows once the command has run this long.
SHOW_AFTER_S = 0.5


def walk_drawing(pipes, others):
    """The drawing the Linux harvest benchmark walks, in the same shape."""
    out = ["0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n"]
    handle = 0x100
    for i in range(pipes):
        out.append(f"0\n3DSOLID\n5\n{handle:X}\n8\nPipes_{i % 7}\n1\nACIS\n1001\ntrb\n1070\n10\n"
                   f"1010\n{1000 + i}\n1020\n25.0\n1030\n20.0\n")
        handle += 1
    for i in range(others):
        out.append(f"0\nLINE\n5\n{handle:X}\n8\n0\n" if i % 2 else f"0\n3DSOLID\n5\n{handle:X}\n8\nEquipment\n")
        handle += 1
    out.append("0\nENDSEC\n0\nEOF\n")
    return "".join(out)


def read_counts(path):
    counts = {}
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        name, _, value = line.rpartition(" ")
        counts[name] = int(value)
    return counts


def replace_rows(database, count):
    """A pipe list of `count` rows, written past the program (which is not running)."""
    connection = sqlite3.connect(database)
    try:
        with connection:
            connection.execute("DELETE FROM TTruba")
            connection.executemany(
                "INSERT INTO TTruba (FObjectID, FLayer, FLength, FRmax, FRmin, FHandle) VALUES (?, ?, ?, ?, ?, ?)",
                [(0x1000 + 8 * i, f"Трубопровод_{i % 40}", 100.0 + (i * 37) % 9000 / 10.0, 57.0, 50.0,
                  f"{0x100 + i:X}") for i in range(count)])
    finally:
        connection.close()


def timing(args):
    work = Path(args.work)
    package = Path(args.package)
    wine = Wine(work / "prefix-timing", work)
    screen = Screen(work / "screenshots")
    figures = {}
    try:
        log("making a new Wine prefix")
        wine.make()
        wine.run(["reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", "Arial", "/d",
                  "Liberation Sans", "/f"])
        # Xvfb has no window manager, and Wine's X11 driver waits up to 2 s
        # for one to withdraw each managed window that is hidden: every
        # progress window would add 2 s that neither a desktop nor Windows
        # has. Unmanaged windows are hidden at once.
        wine.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"])
        unpack(package / "vedoris-windows-x64.zip", wine.drive_c("vedoris-package"))
        folder = wine.drive_c("vedoris-package", "vedoris")
        for name in ("cadsim", "sheetsim"):
            shutil.copytree(package / name, wine.drive_c(name))
        for name in ("drawings", "sheets", "cad-support", "counts"):
            wine.drive_c(name).mkdir()
        drawing = wine.drive_c("drawings", "walk.dxf")
        drawing.write_text(walk_drawing(args.pipes, args.others), encoding="ascii")
        cad_counts = wine.drive_c("counts", "cadsim.txt")
        sheet_counts = wine.drive_c("counts", "sheetsim.txt")
        sheets = wine.drive_c("sheets")

        cadsim = wine.windows_path(wine.drive_c("cadsim", "cadsim.exe"))
        sheetsim = wine.windows_path(wine.drive_c("sheetsim", "sheetsim.exe"))
        probe = Probe(wine, screen, args.build)
        # The walker registered for the user as its installer does, from the
        # zip's folder, before the first harvest; the simulators too.
        walker = folder / read_product(args.build)["VEDORIS_WALKER_FILE"]
        wine.register(["regsvr32", "/s", wine.windows_path(walker)], "regsvr32 " + walker.name)
        wine.register([cadsim, "/regserver"], "cadsim.exe /regserver")
        wine.register([sheetsim, "/regserver", "--folder", wine.windows_path(sheets),
                       "--count-calls", wine.windows_path(sheet_counts)], "sheetsim.exe /regserver")

        def start_program():
            # As a designer starts it: not elevated.
            process = probe.start_limited("vedoris", [wine.windows_path(folder / "vedoris.exe")])
            window = screen.wait_window(Program.TITLE, 90)[0]
            time.sleep(2)
            screen.move(window, 0, 0)
            return process, Program(screen, window)

        def quit_program(process, program):
            program.menu("Файл", "Выход")
            wait_for("vedoris.exe ends", lambda: process.poll() is not None, 60)

        database = folder / "spec_base.mdb"
        entities = args.pipes + args.others
        paths = [("in the CAD", "walker", [])]
        if not args.no_fallback:
            paths.append(("in the program", "fallback", ["--no-interface-objects"]))

        for label, key, options in paths:
            counts = wine.drive_c("counts", f"cadsim-{key}.txt")
            log(f"starting cadsim.exe on {args.pipes} pipes among {entities} entities, the walk {label}")
            cad_log = work / f"cadsim-timing-{key}.log"
            cad = wine.start(f"cadsim-timing-{key}",
                             [cadsim, *options, "--settings", wine.windows_path(wine.drive_c("cadsim", "cadsim.ini")),
                              "--support-path", wine.windows_path(wine.drive_c("cad-support")),
                              "--count-calls", wine.windows_path(counts), wine.windows_path(drawing)])
            wait_for("cadsim.exe's window", lambda: screen.windows(".*walk\\.dxf.*"), 180)
            time.sleep(3)  # in the running object table by the time its window is up
            vedoris, program = start_program()

            # "Получить размеры труб", from the menu command to the rows stored.
            before = {r[1] for r in read_rows(database)}
            log(f"harvest, the walk {label}")
            program.menu("Данные", "Получить размеры труб")
            started = time.monotonic()
            shot_taken = False

            def harvested():
                nonlocal shot_taken
                if not shot_taken and time.monotonic() - started > 2 and screen.windows("Получить размеры труб"):
                    screen.shot(f"timing-harvest-progress-{key}")  # the bar as Wine's style draws it
                    shot_taken = True
                rows = read_rows(database)
                return len(rows) == args.pipes and not ({r[1] for r in rows} & before)

            wait_for("the harvested rows", harvested, 3600, 0.1)
            figures[f"harvest_{key}_s"] = time.monotonic() - started
            if len(screen.windows(Program.TITLE)) != 1:
                screen.shot(f"timing-harvest-failed-{key}")
                raise Failure("a message after the harvest")

            # "Выделить" on the grid's current row (its first), from the menu
            # command to the selection sent and the progress window gone.
            time.sleep(2)
            program.activate()
            log(f"Выделить, the walk {label}")
            screen.keys("ctrl+Home", "Menu", "Down")
            sent_before = cad_log.read_text(errors="replace").count("ran (sssetfirst")
            screen.keys("Return", pause=0)
            started = time.monotonic()
            wait_for("the selection sent", lambda: cad_log.read_text(errors="replace").count("ran (sssetfirst")
                     > sent_before, 3600, 0.05)
            # The selection goes as soon as the pipe is found, and the search
            # walks on to the end of model space. The command is over when its
            # progress window has come and gone; a command that ends before
            # the window is due (SHOW_AFTER_S) never shows it.
            progress = {"seen": False}

            def select_done():
                if screen.windows("Выделить"):
                    progress["seen"] = True
                    return False
                return progress["seen"] or time.monotonic() - started > SHOW_AFTER_S + 0.5

            wait_for("Выделить done", select_done, 3600, 0.05)
            figures[f"select_{key}_s"] = time.monotonic() - started
            if not progress["seen"]:
                figures[f"select_{key}_s"] = min(figures[f"select_{key}_s"], SHOW_AFTER_S)
            if len(screen.windows(Program.TITLE)) != 1:
                raise Failure("a message after Выделить")

            quit_program(vedoris, program)
            wine.run(["taskkill", "/im", "cadsim.exe"])
            wait_for("cadsim.exe ends", lambda: cad.poll() is not None, 60)
            figures[f"calls_{key}"] = wait_for("cadsim.exe's call counts",
                                               lambda: counts.is_file() and read_counts(counts), 30)
            log(f"the walk {label}: harvest {figures[f'harvest_{key}_s']:.1f} s, Выделить "
                f"{figures[f'select_{key}_s']:.1f} s; cadsim.exe served {figures[f'calls_{key}']}")

        # --- the export -------------------------------------------------------------
        replace_rows(database, args.rows)
        vedoris, program = start_program()
        log(f"Экспорт в Excel of {args.rows} rows")
        before = set(sheets.glob("*.xlsx"))
        program.menu("Данные", "Экспорт в Excel")
        started = time.monotonic()
        wait_for("the workbook written", lambda: sorted(set(sheets.glob("*.xlsx")) - before), 3600, 0.1)
        figures["export_s"] = time.monotonic() - started
        sheet_calls = wait_for("sheetsim.exe's call counts",
                               lambda: sheet_counts.is_file() and read_counts(sheet_counts), 90)
        if len(screen.windows(Program.TITLE)) != 1:
            screen.shot("timing-export-failed")
            raise Failure("a message after the export")
        quit_program(vedoris, program)
        log(f"the export took {figures['export_s']:.1f} s; sheetsim.exe served {sheet_calls}")
    finally:
        wine.kill()

    cells = 4 * (args.rows + 1)
    sheet_total = sheet_calls["name lookups"] + sheet_calls["invocations"]
    lines = [f"\nSummary (under Wine; wall clock from the menu command)"]
    for label, key in (("inside the CAD (the walker)", "walker"), ("in the program, call by call", "fallback")):
        if f"harvest_{key}_s" not in figures:
            continue
        calls = figures[f"calls_{key}"]
        crossing = calls["name lookups"] + calls["invocations"]
        lines += [f"  the walk {label}:",
                  f"    harvest of {args.pipes} pipes among {entities} entities, to the rows stored: "
                  f"{figures[f'harvest_{key}_s']:8.1f} s",
                  f"    Выделить on one row, to the search's end (the progress window gone):      "
                  f"{figures[f'select_{key}_s']:8.1f} s",
                  f"    served by cadsim.exe for both: {calls['invocations']} invocations and {calls['name lookups']} "
                  f"name lookups from Ведорис's process ({crossing / (2 * entities):.4f} per entity walked), "
                  f"{calls.get('in-process invocations', 0)} inside its own process"]
    lines += [f"  pipe-list export of {args.rows} rows ({cells} cells), to the workbook written: "
              f"{figures['export_s']:8.1f} s",
              f"      served by sheetsim.exe: {sheet_calls['invocations']} invocations, "
              f"{sheet_calls['name lookups']} name lookups",
              f"      = {sheet_total / cells:.2f} calls per cell, {1e3 * figures['export_s'] / sheet_total:.2f} ms per call"]
    print("\n".join(lines), flush=True)
    return 0


def main():
    parser = argparse.ArgumentParser()
    for option in ("--work", "--package", "--build"):
        parser.add_argument(option, required=True)
    parser.add_argument("--pipes", type=int, default=10000)
    parser.add_argument("--others", type=int, default=10000)
    parser.add_argument("--rows", type=int, default=5000)
    parser.add_argument("--no-fallback", action="store_true", help="time only the walk inside the CAD")
    args = parser.parse_args()
    Path(args.work).mkdir(parents=True, exist_ok=True)
    try:
        return timing(args)
    except Failure as failure:
        log(f"FAILED: {failure}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
