#!/usr/bin/python3
"""How long the packaged Windows program's two long commands take under Wine,
and how many cross-process calls they make, counted on the serving side.

    wine_timing.py --work W --package P --build B [--pipes N --others N --rows N]
                   [--layers N] [--no-fallback] [--no-export]
    wine_timing.py --work W --package P --build B --project [--project-drawings N --project-pipes N]

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

With --layers N the drawing carries a layer table: its own four layers (the
pipes on two of them) and N more that no entity is on, as a designer's
drawing with the layers of its template and its references.

--project times "Получить размеры труб из чертежей…" instead: a project of
20 drawings of 1,000 pipes among 2,000 entities each, written with ezdxf by
bench/harvest/write_project.py (as for the Linux benchmark), its folder typed
into the folder dialog, timed from the project window's button to the rows
stored: through the CAD's reader of drawings, walked inside the CAD, and
through its editor (cadsim.exe --no-drawing-reader: each drawing opened read
only and closed); then as many harvests of one of its drawings, open in the
CAD, summed: what the designer would otherwise wait for.

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

from wine_e2e import (Failure, Probe, Program, Screen, Wine, log, open_project_folder, read_product, read_rows, run,
                      unpack, wait_for)

# The writer of the Linux benchmark's project, with ezdxf.
WRITE_PROJECT = Path(__file__).resolve().parents[3] / "bench" / "harvest" / "write_project.py"


# The progress window of a command shows once the command has run this long.
SHOW_AFTER_S = 0.5


def layer_table(names):
    """A drawing's LAYER table: each layer on, thawed, unlocked, colour 7."""
    out = [f"0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n{len(names)}\n"]
    out += [f"0\nLAYER\n2\n{name}\n70\n0\n62\n7\n6\nCONTINUOUS\n" for name in names]
    out.append("0\nENDTAB\n0\nENDSEC\n")
    return "".join(out)


# A drawing's own layers where its layer table is written (--layers): the
# pipes on two of them.
OWN_LAYERS = ["0", "Pipes_0", "Pipes_1", "Equipment"]


def walk_drawing(pipes, others, layers=None):
    """The drawing the Linux harvest benchmark walks, in the same shape. With
    `layers` (a number), the drawing has a layer table: its own four layers
    and that many more, which no entity is on, and the pipes lie on two."""
    out = ["0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n0\nENDSEC\n"]
    if layers is not None:
        out.append(layer_table(OWN_LAYERS + [f"Extra_{i:04d}" for i in range(layers)]))
    out.append("0\nSECTION\n2\nENTITIES\n")
    pipe_layers = 7 if layers is None else 2
    handle = 0x100
    for i in range(pipes):
        out.append(f"0\n3DSOLID\n5\n{handle:X}\n8\nPipes_{i % pipe_layers}\n1\nACIS\n1001\ntrb\n1070\n10\n"
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
        drawing.write_text(walk_drawing(args.pipes, args.others, args.layers), encoding="ascii")
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
            # A command still drawing its last progress may swallow the first
            # Alt: asked again, as a user would.
            for attempt in range(3):
                program.menu("Файл", "Выход")
                try:
                    wait_for("vedoris.exe ends", lambda: process.poll() is not None, 20)
                    return
                except Failure:
                    screen.shot(f"timing-quit-{attempt}")
            raise Failure("vedoris.exe did not end after Выход")

        database = folder / "spec_base.mdb"
        if args.project:
            project_figures = time_project(args, wine, screen, cadsim, start_program, quit_program, database)
        entities = args.pipes + args.others
        paths = [("in the CAD", "walker", [])]
        if not args.no_fallback:
            paths.append(("in the program", "fallback", ["--no-interface-objects"]))

        if args.project:
            paths = []
        for label, key, options in paths:
            counts = wine.drive_c("counts", f"cadsim-{key}.txt")
            log(f"starting cadsim.exe on {args.pipes} pipes among {entities} entities, the walk {label}")
            cad_log = work / f"cadsim-timing-{key}.log"
            cad = wine.start(f"cadsim-timing-{key}",
                             [cadsim, *options, "--settings", wine.windows_path(wine.drive_c("cadsim", "cadsim.ini")),
                              "--support-path", wine.windows_path(wine.drive_c("cad-support")),
                              "--count-calls", wine.windows_path(counts), wine.windows_path(drawing)])
            cad_window = wait_for("cadsim.exe's window", lambda: screen.windows(".*walk\\.dxf.*"), 180)[0]
            time.sleep(3)  # in the running object table by the time its window is up
            # Out of the program's way: Выделить brings it to the front.
            screen.move(cad_window, 660, 0)
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

            log(f"the walk {label}: harvest {figures[f'harvest_{key}_s']:.2f} s, Выделить "
                f"{figures[f'select_{key}_s']:.2f} s")
            quit_program(vedoris, program)
            wine.run(["taskkill", "/im", "cadsim.exe"])
            wait_for("cadsim.exe ends", lambda: cad.poll() is not None, 60)
            figures[f"calls_{key}"] = wait_for("cadsim.exe's call counts",
                                               lambda: counts.is_file() and read_counts(counts), 30)
            log(f"the walk {label}: cadsim.exe served {figures[f'calls_{key}']}")

        # --- the export -------------------------------------------------------------
        if args.project or args.no_export:
            return summary(args, figures, None, project_figures if args.project else None)
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
        figures["sheet_calls"] = sheet_calls
    finally:
        wine.kill()
    return summary(args, figures, figures["export_s"], None)


def summary(args, figures, export_s, project):
    """Prints the figures measured; 0."""
    entities = args.pipes + args.others
    lines = [f"\nSummary (under Wine; wall clock from the menu command)"]
    if project:
        lines += project_summary(args, project)
    if args.layers is not None:
        lines.append(f"  the drawing's layer table: its own {len(OWN_LAYERS)} layers and {args.layers} more")
    for label, key in (("inside the CAD (the walker)", "walker"), ("in the program, call by call", "fallback")):
        if f"harvest_{key}_s" not in figures:
            continue
        calls = figures[f"calls_{key}"]
        crossing = calls["name lookups"] + calls["invocations"]
        lines += [f"  the walk {label}:",
                  f"    harvest of {args.pipes} pipes among {entities} entities, to the rows stored: "
                  f"{figures[f'harvest_{key}_s']:8.2f} s",
                  f"    Выделить on one row, to the search's end (the progress window gone):      "
                  f"{figures[f'select_{key}_s']:8.2f} s",
                  f"    served by cadsim.exe for both: {calls['invocations']} invocations and {calls['name lookups']} "
                  f"name lookups from Ведорис's process ({crossing / (2 * entities):.4f} per entity walked), "
                  f"{calls.get('in-process invocations', 0)} inside its own process"]
    if export_s is None:
        print("\n".join(lines), flush=True)
        return 0
    cells = 4 * (args.rows + 1)
    sheet_calls = figures["sheet_calls"]
    sheet_total = sheet_calls["name lookups"] + sheet_calls["invocations"]
    lines += [f"  pipe-list export of {args.rows} rows ({cells} cells), to the workbook written: "
              f"{figures['export_s']:8.1f} s",
              f"      served by sheetsim.exe: {sheet_calls['invocations']} invocations, "
              f"{sheet_calls['name lookups']} name lookups",
              f"      = {sheet_total / cells:.2f} calls per cell, {1e3 * figures['export_s'] / sheet_total:.2f} ms per call"]
    print("\n".join(lines), flush=True)
    return 0


def stored_rows(database):
    """How many rows the table holds, and its highest key: a harvest that
    stored its rows has changed the second, whatever the first."""
    connection = sqlite3.connect(f"file:{database}?mode=ro", uri=True, timeout=10)
    try:
        return connection.execute("SELECT COUNT(*), MAX(FKey) FROM TTruba").fetchone()
    finally:
        connection.close()


def time_project(args, wine, screen, cadsim, start_program, quit_program, database):
    """The project's harvest ("Получить размеры труб из чертежей…", the
    drawings of one folder) through the CAD's reader, walked inside the CAD,
    and through its editor (cadsim.exe --no-drawing-reader: each drawing
    opened read only and closed), from the project window's button to the
    rows stored; and single harvests ("Получить размеры труб") of the first
    drawing, open in the CAD, for the sum of as many as the project has."""
    project = wine.drive_c("project")
    log(f"writing {args.project_drawings} drawings of {args.project_pipes} pipes among "
        f"{2 * args.project_pipes} entities with ezdxf")
    written = run(["/usr/bin/python3", str(WRITE_PROJECT), str(project), str(args.project_drawings),
                   str(args.project_pipes), str(args.project_pipes)], 900)
    if written.returncode != 0:
        raise Failure(f"write_project.py failed (is python3-ezdxf installed?): {written.stderr}")
    own = wine.drive_c("drawings", "own.dxf")
    own.write_text("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", encoding="ascii")
    expected = args.project_drawings * args.project_pipes
    figures = {}

    def start_cad(key, options, drawing, title):
        counts = wine.drive_c("counts", f"cadsim-project-{key}.txt")
        cad = wine.start(f"cadsim-project-{key}",
                         [cadsim, *options, "--settings", wine.windows_path(wine.drive_c("cadsim", "cadsim.ini")),
                          "--support-path", wine.windows_path(wine.drive_c("cad-support")),
                          "--count-calls", wine.windows_path(counts), wine.windows_path(drawing)])
        screen.move(wait_for("cadsim.exe's window", lambda: screen.windows(title), 180)[0], 660, 0)
        time.sleep(3)  # in the running object table by the time its window is up
        return cad, counts

    def stop_cad(cad, counts):
        wine.run(["taskkill", "/im", "cadsim.exe"])
        wait_for("cadsim.exe ends", lambda: cad.poll() is not None, 60)
        return wait_for("cadsim.exe's call counts", lambda: counts.is_file() and read_counts(counts), 30)

    def wait_stored(what, count, before):
        wait_for(what, lambda: (lambda n: n[0] == count and n[1] != before[1])(stored_rows(database)), 3600, 0.1)

    for key, label, options in (("reader", "through the CAD's reader", []),
                                ("editor", "through the CAD's editor", ["--no-drawing-reader"])):
        log(f"the project {label}")
        cad, counts = start_cad(key, options, own, ".*own\\.dxf.*")
        vedoris, program = start_program()
        open_project_folder(screen, program, wine.windows_path(project), f"timing-project-{key}")
        before = stored_rows(database)
        screen.keys("Return", pause=0)  # "Получить размеры труб", the project window's default button
        started = time.monotonic()
        wait_stored(f"the project's rows, {label}", expected, before)
        figures[f"project_{key}_s"] = time.monotonic() - started
        if len(screen.windows(Program.TITLE)) != 1:
            screen.shot(f"timing-project-failed-{key}")
            raise Failure(f"a message after the project's harvest {label}")
        quit_program(vedoris, program)
        figures[f"calls_{key}"] = stop_cad(cad, counts)
        log(f"the project {label}: {figures[f'project_{key}_s']:.1f} s; cadsim.exe served {figures[f'calls_{key}']}")

    # cadsim.exe reads its command line in the ANSI code page, which has no
    # Cyrillic here: the drawing it opens is a copy under a plain name.
    first = wine.drive_c("drawings", "single.dwg")
    shutil.copy(sorted(project.glob("*.dwg"))[0], first)
    log(f"{args.project_drawings} harvests of one drawing of the project, open in the CAD")
    cad, counts = start_cad("single", [], first, ".*single\\.dwg.*")
    vedoris, program = start_program()
    single = []
    for _ in range(args.project_drawings):
        before = stored_rows(database)
        program.activate()
        screen.keys("alt", "Right", "Down")  # Данные, its first item: "Получить размеры труб"
        screen.keys("Return", pause=0)
        started = time.monotonic()
        wait_stored("the drawing's rows", args.project_pipes, before)
        single.append(time.monotonic() - started)
        if len(screen.windows(Program.TITLE)) != 1:
            screen.shot("timing-single-failed")
            raise Failure("a message after a harvest of one drawing")
        time.sleep(1)
    figures["single_s"] = single
    quit_program(vedoris, program)
    figures["calls_single"] = stop_cad(cad, counts)
    return figures


def project_summary(args, figures):
    single = figures["single_s"]
    total = sum(single)
    editor_ratio = figures["project_editor_s"] / total
    return [f"  a project of {args.project_drawings} drawings of {args.project_pipes} pipes among "
            f"{2 * args.project_pipes} entities each (write_project.py), from the project window's button "
            f"to the rows stored:",
            f"    through the CAD's reader, walked inside the CAD: {figures['project_reader_s']:8.1f} s"
            f"   (target: at most 10 s)",
            f"    through the CAD's editor (--no-drawing-reader): {figures['project_editor_s']:8.1f} s",
            f"    {len(single)} harvests of one drawing, summed:       {total:8.1f} s"
            f"   (each {min(single):.2f} to {max(single):.2f} s)",
            f"    the editor's project / the summed harvests:   {editor_ratio:8.2f}   (target: at most 3)",
            f"    served by cadsim.exe: through the reader {figures['calls_reader']}; through the editor "
            f"{figures['calls_editor']}; the single harvests {figures['calls_single']}"]


def main():
    parser = argparse.ArgumentParser()
    for option in ("--work", "--package", "--build"):
        parser.add_argument(option, required=True)
    parser.add_argument("--pipes", type=int, default=10000)
    parser.add_argument("--others", type=int, default=10000)
    parser.add_argument("--rows", type=int, default=5000)
    parser.add_argument("--no-fallback", action="store_true", help="time only the walk inside the CAD")
    parser.add_argument("--no-export", action="store_true", help="time no export")
    parser.add_argument("--layers", type=int, default=None,
                        help="write the drawing's layer table: its own 4 layers and this many more")
    parser.add_argument("--project", action="store_true",
                        help="time the project's harvest instead (through the reader, through the editor) "
                             "and as many harvests of one drawing")
    parser.add_argument("--project-drawings", type=int, default=20)
    parser.add_argument("--project-pipes", type=int, default=1000,
                        help="pipes per drawing of the project, among twice as many entities")
    args = parser.parse_args()
    Path(args.work).mkdir(parents=True, exist_ok=True)
    try:
        return timing(args)
    except Failure as failure:
        log(f"FAILED: {failure}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
