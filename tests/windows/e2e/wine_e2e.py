#!/usr/bin/python3
"""The packaged Windows program under Wine, driven through its real windows.

    wine_e2e.py package-starts  --source S --work W --package P --build B
    wine_e2e.py end-to-end      --source S --work W --package P --build B

package-starts: the zip a designer unpacks, in a new, empty Wine prefix: the
main window comes up, with its database.

end-to-end: in a new prefix with the CAD simulator (cadsim.exe) and the
spreadsheet stand-in (sheetsim.exe) registered, the program's menus are
driven with xdotool as a user would: the harvest without a running CAD, the
harvest of samples/pipes.dxf, "Выделить", both exports, the About box, and
the harvest once the CAD has closed. What the programs did is read back
from the database file, the workbooks and the simulator's own answers.

Runs on a display of its own (the harness starts it under xvfb-run); every
wait has a limit. Screenshots go to <work>/screenshots.
"""

import argparse
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import time
import zipfile
from pathlib import Path


class Failure(Exception):
    pass


def log(text):
    print(text, flush=True)


def wait_for(what, probe, limit, interval=0.25):
    """The first true answer of probe() within `limit` seconds."""
    deadline = time.monotonic() + limit
    while True:
        answer = probe()
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise Failure(f"{what}: not within {limit} s")
        time.sleep(interval)


def run(args, limit, **kwargs):
    return subprocess.run(args, timeout=limit, check=False, capture_output=True, text=True, **kwargs)


class Wine:
    """One Wine prefix, with the X11 driver on this display."""

    def __init__(self, prefix, logs):
        self.prefix = Path(prefix)
        self.logs = Path(logs)
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": str(self.prefix),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",  # no Mono or Gecko installer prompts
            "LANG": "C.UTF-8",
        })
        self.env.pop("WINEPATH", None)
        self.started = []
        self.mirrored = set()

    def make(self):
        # wineboot's status is no guide without Wine's 32-bit half; the
        # registry written out is.
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.prefix.mkdir(parents=True)
        try:
            run(["wineboot", "-i"], 300, env=self.env)
        except subprocess.TimeoutExpired:
            raise Failure("wineboot did not make the prefix within 300 s")
        self.settle()
        if not (self.prefix / "system.reg").is_file():
            raise Failure(f"no Wine prefix made in {self.prefix}")
        self.run(["reg", "delete", r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug",
                  "/v", "Debugger", "/f"])

    def mirror_user_classes(self):
        """Copies the user's classes (HKCU\\Software\\Classes) to the
        machine's, whose keys are all that Wine's HKEY_CLASSES_ROOT shows:
        Windows merges the user's classes into it for the user's programs,
        Wine does not. The programs register for the user alone; this stands
        in for Windows's merge. What an earlier call copied and the user no
        longer has goes again."""
        export = self.drive_c("user-classes.reg")
        export.unlink(missing_ok=True)
        self.run(["reg", "export", r"HKCU\Software\Classes", self.windows_path(export), "/y"])
        text = ""
        if export.is_file():
            data = export.read_bytes()
            text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("utf-8")
        user_root = "[HKEY_CURRENT_USER\\Software\\Classes\\"
        keys = {line[len(user_root):].rstrip("]") for line in text.splitlines() if line.startswith(user_root)}
        keys = {k for k in keys if k.upper() != "CLSID"}  # the machine's own list of classes stays
        # A class's own key and its ProgID's: the first part of the path, or
        # CLSID\\{...}.
        tops = {"\\".join(k.split("\\")[:2]) if k.upper().startswith("CLSID\\") else k.split("\\")[0] for k in keys}
        for top in sorted(self.mirrored - tops):
            self.run(["reg", "delete", "HKLM\\Software\\Classes\\" + top, "/f"])
        if tops:
            machine = self.drive_c("machine-classes.reg")
            machine.write_text(text.replace("[HKEY_CURRENT_USER\\Software\\Classes",
                                            "[HKEY_LOCAL_MACHINE\\Software\\Classes"), encoding="utf-16")
            if self.run(["reg", "import", self.windows_path(machine)]) != 0:
                raise Failure("the user's classes could not be copied to the machine's")
            machine.unlink()
        export.unlink(missing_ok=True)
        self.mirrored = tops

    def register(self, args, what):
        """A program's /regserver or /unregserver, for the user, with the
        user's classes copied to where Wine's COM looks."""
        if self.run(args) != 0:
            raise Failure(f"{what} failed")
        self.mirror_user_classes()

    def query_value(self, key, name=None):
        """A text value of the registry as reg.exe reads it; None when there is none."""
        try:
            done = run(["wine", "reg", "query", key, *(["/v", name] if name else ["/ve"])], 60, env=self.env)
        except subprocess.TimeoutExpired:
            raise Failure(f"reg query {key}: still running after 60 s")
        for line in done.stdout.splitlines():
            if "REG_SZ" in line:
                return line.split("REG_SZ", 1)[1].strip()
        return None

    def read_keys(self, key):
        """A key of the live registry and every key below it, as reg.exe
        exports them: full key name -> {value name ("@" for the default) ->
        text}. Text and numbers only; empty when there is no such key."""
        export = self.drive_c("keys.reg")
        export.unlink(missing_ok=True)
        try:
            run(["wine", "reg", "export", key, self.windows_path(export), "/y"], 120, env=self.env)
        except subprocess.TimeoutExpired:
            raise Failure(f"reg export {key}: still running after 120 s")
        if not export.is_file():
            return {}
        data = export.read_bytes()
        export.unlink()
        tree, current = {}, None
        for line in data.decode("utf-16" if data[:2] in (b"\xff\xfe", b"\xfe\xff") else "utf-8").splitlines():
            if line.startswith("[") and line.endswith("]"):
                current = tree.setdefault(line[1:-1], {})
            elif current is not None and "=" in line and line.startswith(("@", '"')):
                name, value = (("@", line[2:]) if line.startswith("@=") else
                               (line[1:line.index('"=')].replace('\\\\', '\\').replace('\\"', '"'),
                                line[line.index('"=') + 2:]))
                if value.startswith('"'):
                    value = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
                elif value.startswith("dword:"):
                    value = str(int(value[6:], 16))
                current[name] = value
        return tree

    def machine_keys(self):
        """HKEY_LOCAL_MACHINE whole, as read_keys gives it."""
        keys = self.read_keys("HKLM")
        if not keys:
            raise Failure("reg export HKLM gave nothing")
        return keys

    def use_liberation_for_arial(self):
        """Wine has no Arial, the forms' face; Liberation Sans has its metrics."""
        self.run(["reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", "Arial", "/d",
                  "Liberation Sans", "/f"])

    def drive_c(self, *parts):
        return self.prefix.joinpath("drive_c", *parts)

    def windows_path(self, path):
        """C:\\… for a path inside drive_c."""
        relative = Path(path).relative_to(self.drive_c())
        return "C:\\" + "\\".join(relative.parts)

    def run(self, args, limit=120):
        """A Windows program to its end; its exit code."""
        try:
            done = run(["wine", *args], limit, env=self.env)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(args)}: still running after {limit} s")
        if done.stdout.strip():
            log(done.stdout.strip())
        if done.stderr.strip():
            log(done.stderr.strip())
        return done.returncode

    def start(self, name, args):
        out = open(self.logs / f"{name}.log", "w")
        process = subprocess.Popen(["wine", *args], env=self.env, stdout=out, stderr=subprocess.STDOUT)
        self.started.append((name, process, out))
        return process

    def settle(self):
        try:
            run(["wineserver", "-w"], 60, env=self.env)
        except subprocess.TimeoutExpired:
            self.kill()

    def kill(self):
        run(["wineserver", "-k"], 60, env=self.env)
        for name, process, out in self.started:
            try:
                process.wait(15)
            except subprocess.TimeoutExpired:
                process.kill()
            out.close()
        self.started = []


class Screen:
    """The X display: Wine's windows as xdotool sees them."""

    def __init__(self, shots):
        self.shots = Path(shots)
        self.shots.mkdir(parents=True, exist_ok=True)

    def windows(self, title):
        done = run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], 30)
        return [w for w in done.stdout.split()]

    def wait_window(self, title, limit=60, count=1):
        return wait_for(f'a window "{title}"', lambda: (lambda w: w if len(w) >= count else None)(
            self.windows(title)), limit)

    def wait_gone(self, title, limit=30, count=0):
        wait_for(f'"{title}" closed', lambda: len(self.windows(title)) <= count, limit)

    def geometry(self, window):
        done = run(["xdotool", "getwindowgeometry", "--shell", window], 30)
        values = dict(line.split("=", 1) for line in done.stdout.split() if "=" in line)
        return {k: int(v) for k, v in values.items() if k in ("X", "Y", "WIDTH", "HEIGHT")}

    def move(self, window, x, y):
        run(["xdotool", "windowmove", "--sync", window, str(x), str(y)], 30)

    def focus(self, window):
        run(["xdotool", "windowfocus", "--sync", window], 30)
        time.sleep(0.3)

    def click(self, window, x, y, button=1):
        run(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", str(button)], 30)
        time.sleep(0.3)

    def keys(self, *keys, pause=0.25):
        for key in keys:
            run(["xdotool", "key", "--clearmodifiers", key], 30)
            time.sleep(pause)

    def shot(self, name):
        path = self.shots / f"{name}.png"
        run(["import", "-window", "root", str(path)], 60)
        log(f"screenshot: {path}")
        return path


class Probe:
    """vedoris_wine_probe.exe in the prefix: what the running CAD has selected,
    and the text of the message box in front (its Ctrl+C puts it on the
    clipboard)."""

    def __init__(self, wine, screen, build):
        self.wine = wine
        self.screen = screen
        self.exe = wine.drive_c("probe", "vedoris_wine_probe.exe")
        self.exe.parent.mkdir()
        shutil.copy(Path(build) / "bin" / "vedoris_wine_probe.exe", self.exe)
        self.answers = wine.drive_c("answers")
        self.answers.mkdir()

    def ask(self, question, *extra):
        """The probe's answer, or None when it had none (no CAD running, say)."""
        answer = self.answers / f"{question}.txt"
        answer.unlink(missing_ok=True)
        code = self.wine.run([self.wine.windows_path(self.exe), question, self.wine.windows_path(answer), *extra], 60)
        return answer.read_text(encoding="utf-8") if code == 0 else None

    def message_text(self):
        self.screen.keys("ctrl+c")
        return self.ask("clipboard") or ""

    def modules(self, exe):
        """(process id, module path) of every module that each running
        process of that name has loaded."""
        answer = self.ask("modules", exe) or ""
        return [(int(pid), path) for pid, path in (line.split("\t", 1) for line in answer.splitlines())]

    def start_limited(self, name, args):
        """A program started as the user's ordinary programs are on Windows:
        not elevated (Wine starts every program elevated)."""
        return self.wine.start(name, [self.wine.windows_path(self.exe), "limited", *args])


class Program:
    """Ведорис's main window, driven through its menus by keyboard."""

    TITLE = "Ведорис"
    # The menu bar, left to right, and the items of each menu, top to bottom.
    MENUS = {
        "Файл": ["Выход"],
        "Данные": ["Получить размеры труб", "Получить размеры труб из чертежей…", "Суммарная длинна",
                   "Экспорт в Excel"],
        "Справка": ["О программе"],
    }

    def __init__(self, screen, window):
        self.screen = screen
        self.window = window

    def activate(self):
        """With no window manager, Wine makes a window the active one when it
        is clicked: a click on the bottom panel, right of the navigator."""
        geometry = self.screen.geometry(self.window)
        self.screen.click(self.window, geometry["WIDTH"] - 40, geometry["HEIGHT"] - 20)

    def menu(self, title, item):
        """Alt opens the menu bar on its first menu; arrows go to the item."""
        menus = list(self.MENUS)
        self.activate()
        keys = ["alt"] + ["Right"] * menus.index(title) + ["Down"]
        keys += ["Down"] * self.MENUS[title].index(item) + ["Return"]
        self.screen.keys(*keys)


def start_cadsim(wine, screen, ask, name, cadsim, support, drawing, options):
    """cadsim.exe with `options` on `drawing` (its settings in C:\\cadsim, its
    support folder `support`), once it serves and its window is moved out of
    the program's way."""
    process = wine.start(name, [cadsim, *options,
                                "--settings", wine.windows_path(wine.drive_c("cadsim", "cadsim.ini")),
                                "--support-path", wine.windows_path(support), wine.windows_path(drawing)])
    wait_for("cadsim.exe in the running object table", lambda: ask("selection") is not None, 90, 1.0)
    window = wait_for("cadsim.exe's window", lambda: screen.windows(f".*{re.escape(drawing.name)}.*"), 30)[0]
    screen.move(window, 660, 0)
    return process


def read_product(build):
    """The build's version, names and walker, as make-msi.sh reads them."""
    values = {}
    for line in (Path(build) / "installer" / "product.env").read_text(encoding="utf-8").splitlines():
        if "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            values[key] = value.strip("'")
    return values


def query(database, sql):
    """The rows `sql` selects, read past the program (the file is shared)."""
    connection = sqlite3.connect(f"file:{database}?mode=ro", uri=True, timeout=10)
    try:
        return connection.execute(sql).fetchall()
    finally:
        connection.close()


def read_rows(database):
    """TTruba in FKey order."""
    return query(database, "SELECT FLayer, FObjectID, FLength, FRmax, FRmin FROM TTruba ORDER BY FKey")


def read_handles(database):
    """(FLayer, FRmax, FLength) -> FHandle of every stored row."""
    return {(layer, rmax, length): handle
            for layer, rmax, length, handle in query(database, "SELECT FLayer, FRmax, FLength, FHandle FROM TTruba")}


def read_project_rows(database):
    """(FLayer, FLength, FRmax, FRmin, FPath, FKey) of every stored row, in FKey order."""
    return query(database, "SELECT FLayer, FLength, FRmax, FRmin, FPath, FKey FROM TTruba ORDER BY FKey")


def project_drawing(serial, pipes):
    """A small drawing of a project as DXF text (the simulator reads its .dwg
    files as DXF): `pipes` pipes on a layer of its own, with lengths and
    diameters no other drawing of the project has, a line beside them, and an
    identity of its own. Its rows as (FLayer, FLength, FRmax, FRmin)."""
    layer = f"Project_{serial}"
    out = ["0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n"
           f"9\n$FINGERPRINTGUID\n2\n{{5D1E0C2B-7A3F-4B6E-9C8D-{serial:012X}}}\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n"]
    rows = []
    for i in range(pipes):
        length, radius = 1000.0 * serial + i, 20.0 + 3 * serial + i
        out.append(f"0\n3DSOLID\n5\n{0x2A + i:X}\n8\n{layer}\n1\nACIS\n1001\ntrb\n1070\n10\n"
                   f"1010\n{length}\n1020\n{radius}\n1030\n10.0\n")
        rows.append((layer, length, 2 * radius, 20.0))
    out.append(f"0\nLINE\n5\n{0x2A + pipes:X}\n8\n0\n0\nENDSEC\n0\nEOF\n")
    return "".join(out), rows


def call_counts(path):
    """What a simulator wrote with --count-calls: name -> count."""
    return {name: int(count) for name, count in
            (line.rsplit(" ", 1) for line in Path(path).read_text().splitlines() if " " in line)}


def without_ids(rows):
    return [(r[0], r[2], r[3], r[4]) for r in rows]


def expected_rows(source):
    rows = []
    for line in (Path(source) / "tests/e2e/pipes-harvest.tsv").read_text(encoding="utf-8").splitlines():
        if not line or line.startswith("#"):
            continue
        layer, object_id, length, rmax, rmin = line.split("\t")
        rows.append((layer, int(object_id), float(length), float(rmax), float(rmin)))
    return rows


def round_half_even(value):
    return int(round(value))  # Python's round() goes to the even neighbour


def read_workbook(path):
    import openpyxl
    sheet = openpyxl.load_workbook(path).active
    return [[cell.value for cell in row] for row in sheet.iter_rows()]


def unpack(zip_path, into):
    shutil.rmtree(into, ignore_errors=True)
    into.mkdir(parents=True)
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(into)


def open_project_folder(screen, program, folder, case):
    """"Получить размеры труб из чертежей…" with the drawings of `folder` (a
    Windows path) added through the system's folder dialog, as a user adds
    them: the project's window is left open on its list, its default button
    ("Получить размеры труб") to be pressed."""
    program.menu("Данные", "Получить размеры труб из чертежей…")
    screen.wait_window("Чертежи проекта", 60)
    time.sleep(1)
    # The list has the focus; the second button after it adds a folder.
    # Wine's folder dialog shows no title to xdotool: it is the window that
    # comes up.
    shown = set(screen.windows(".*"))
    screen.keys("Tab", "Tab", "space")
    try:
        picker = wait_for("the folder dialog", lambda: [w for w in screen.windows(".*") if w not in shown], 60)
    except Failure:
        screen.shot(f"{case}-no-folder-dialog")
        raise
    time.sleep(2)

    def picker_open():
        return [w for w in picker if w in screen.windows(".*")]

    # The folder's path typed where the dialog takes a name, and Enter.
    run(["xdotool", "type", "--delay", "40", folder], 60)
    screen.keys("Return")
    time.sleep(1.5)
    if picker_open():
        screen.shot(f"{case}-folder-dialog")
        screen.keys("Return")  # a dialog that went into the folder takes it now
    wait_for("the folder dialog closed", lambda: not picker_open(), 30)
    time.sleep(1)
    screen.shot(f"{case}-drawings-chosen")


def package_starts(args):
    work = Path(args.work)
    wine = Wine(work / "prefix-fresh", work)
    screen = Screen(work / "screenshots")
    try:
        log("making a new, empty Wine prefix")
        wine.make()
        programs = wine.drive_c("Program Files")
        unpack(Path(args.package) / "vedoris-windows-x64.zip", programs / "Ведорис")
        exe = programs / "Ведорис" / "vedoris" / "vedoris.exe"
        process = wine.start("package-starts", [wine.windows_path(exe)])
        window = screen.wait_window(Program.TITLE, 90)[0]
        time.sleep(2)
        # One window of that title: the main window, with no message about
        # the database beside it.
        if len(screen.windows(Program.TITLE)) != 1:
            screen.shot("package-starts-failed")
            raise Failure("a second window titled Ведорис: the program reported a failure")
        geometry = screen.geometry(window)
        log(f"main window: {geometry}")
        if geometry["WIDTH"] < 300 or geometry["HEIGHT"] < 300:
            raise Failure(f"the main window is too small: {geometry}")
        screen.shot("package-starts")
        Program(screen, window).menu("Файл", "Выход")
        wait_for("vedoris.exe ends after Выход", lambda: process.poll() is not None, 60)
        if process.returncode != 0:
            raise Failure(f"vedoris.exe ended with {process.returncode}")
        log("the packaged program started in a new prefix and ended with 0")
        return 0
    finally:
        wine.kill()


def end_to_end(args):
    work = Path(args.work)
    source = Path(args.source)
    package = Path(args.package)
    wine = Wine(work / "prefix-e2e", work)
    screen = Screen(work / "screenshots")
    try:
        log("making a new Wine prefix")
        wine.make()
        wine.use_liberation_for_arial()
        # The designer's folder from the zip; the simulators and the probe beside it.
        unpack(package / "vedoris-windows-x64.zip", wine.drive_c("vedoris-package"))
        folder = wine.drive_c("vedoris-package", "vedoris")
        for name in ("cadsim", "sheetsim"):
            shutil.copytree(package / name, wine.drive_c(name))
        probe = Probe(wine, screen, args.build)
        ask, message_text = probe.ask, probe.message_text
        drawings = wine.drive_c("drawings")
        drawings.mkdir()
        shutil.copy(source / "samples" / "pipes.dxf", drawings / "pipes.dxf")
        sheets = wine.drive_c("sheets")
        sheets.mkdir()
        support = wine.drive_c("cad-support")
        support.mkdir()
        cadsim = wine.windows_path(wine.drive_c("cadsim", "cadsim.exe"))
        sheetsim = wine.windows_path(wine.drive_c("sheetsim", "sheetsim.exe"))
        log("registering the simulators")
        wine.register([cadsim, "/regserver"], "cadsim.exe /regserver")
        wine.register([sheetsim, "/regserver", "--folder", wine.windows_path(sheets)], "sheetsim.exe /regserver")

        database = folder / "spec_base.mdb"
        # As a designer starts it: not elevated.
        vedoris = probe.start_limited("vedoris", [wine.windows_path(folder / "vedoris.exe")])
        main = screen.wait_window(Program.TITLE, 90)[0]
        time.sleep(2)
        screen.move(main, 0, 0)
        program = Program(screen, main)
        expected = expected_rows(source)

        # --- no CAD running ------------------------------------------------------
        log("harvest with no CAD running")
        program.menu("Данные", "Получить размеры труб")
        box = screen.wait_window(Program.TITLE, 60, count=2)
        text = message_text()
        if "Cannot find AutoCAD that has been already started!!!" not in text:
            screen.shot("no-cad-failed")
            raise Failure(f"the message without a CAD reads: {text!r}")
        screen.shot("no-cad-message")
        screen.keys("Return")
        screen.wait_gone(Program.TITLE, 30, count=1)
        if read_rows(database):
            raise Failure("the failed attach wrote rows")

        # --- the harvest -----------------------------------------------------------
        log("starting cadsim.exe on pipes.dxf")
        first_calls = wine.drive_c("cadsim", "calls-first.txt")
        cad = start_cadsim(wine, screen, ask, "cadsim", cadsim, support, drawings / "pipes.dxf",
                           ["--id-seed", "1", "--count-calls", wine.windows_path(first_calls)])

        # A registration of this version's walker left by something else: it
        # names a DLL that is no walker. The program reads the file's version
        # resource before any CAD loads it, and registers its own instead.
        product = read_product(args.build)
        clsid = product["VEDORIS_WALKER_CLSID"]
        stale = wine.windows_path(folder / "zlib1.dll")
        for key, value in ((f"HKCU\\Software\\Classes\\{product['VEDORIS_WALKER_PROGID']}\\CLSID", clsid),
                           (f"HKCU\\Software\\Classes\\CLSID\\{clsid}\\InprocServer32", stale)):
            wine.run(["reg", "add", key, "/ve", "/d", value, "/f"])
        wine.mirror_user_classes()

        log("harvest")
        program.menu("Данные", "Получить размеры труб")
        rows = wait_for("the harvested rows", lambda: (lambda r: r if len(r) == len(expected) else None)(
            read_rows(database)), 120)
        time.sleep(1)
        rows = read_rows(database)
        if rows != expected:
            raise Failure(f"stored rows differ:\n{rows}\nexpected:\n{expected}")
        if not (support / "tr.fas").is_file():
            raise Failure("tr.fas was not placed in the CAD's support folder")
        if len(screen.windows(Program.TITLE)) != 1:
            screen.shot("harvest-failed")
            raise Failure("a message after the harvest")
        log(f"{len(rows)} rows stored, as on Linux")

        # The program registered its walker for the user, beside itself; COM
        # under Wine sees it once the test copies it to the machine's classes.
        registered = wine.query_value(f"HKCU\\Software\\Classes\\CLSID\\{clsid}\\InprocServer32")
        walker = wine.windows_path(folder / product["VEDORIS_WALKER_FILE"])
        if (registered or "").lower() != walker.lower() or \
                wine.query_value(f"HKCU\\Software\\Classes\\{product['VEDORIS_WALKER_PROGID']}\\CLSID") != clsid:
            raise Failure(f"the walker is registered for the user as {registered!r}, not as {walker!r}")
        if wine.query_value(f"HKLM\\Software\\Classes\\CLSID\\{clsid}\\InprocServer32") != stale:
            raise Failure("the program registered its walker for the machine")
        if any(path.lower() == stale.lower() for pid, path in probe.modules("cadsim.exe")):
            raise Failure("the CAD was asked to load a file that is no walker")
        wine.mirror_user_classes()

        # --- Выделить ---------------------------------------------------------------
        log("Выделить on the last row")
        program.activate()
        # The grid keeps the focus: Ctrl+End goes to its last row (and last
        # column; Home goes back to the first), the menu key opens its pop-up
        # menu on that row.
        screen.keys("ctrl+End", "Home", "Menu", "Down", "Return")
        # The grid's rows are sorted by layer, then outer diameter.
        last = sorted(expected, key=lambda r: (r[0], r[3]))[-1]
        selected = wait_for("the simulator's selection", lambda: (lambda a: a if a and a.strip() else None)(
            ask("selection")), 60, 1.0)
        entities = [line.split("\t") for line in selected.splitlines()]
        log(f"the simulator reports the selection (handle, ObjectID): {entities}")
        if len(entities) != 1 or int(entities[0][1]) != last[1]:
            raise Failure(f"selected {entities}, not the pipe of the last row ({last})")
        time.sleep(1)
        screen.shot("harvest-and-selection")

        # --- the exports --------------------------------------------------------------
        def new_workbook(before):
            found = wait_for("a new workbook", lambda: sorted(set(sheets.glob("*.xlsx")) - before), 90, 0.5)
            # Written when the last reference goes; give the writer a moment to finish.
            time.sleep(1)
            return found[0]

        log("Экспорт в Excel")
        before = set(sheets.glob("*.xlsx"))
        program.menu("Данные", "Экспорт в Excel")
        cells = read_workbook(new_workbook(before))
        ordered = sorted(expected, key=lambda r: (r[0], r[3]))
        want = [["Слой", "Длинна, мм", "D наружный, мм", "D внутренний, мм"]]
        want += [[r[0], round_half_even(r[2]), r[3], r[4]] for r in ordered]
        if cells != want:
            raise Failure(f"the pipe list's workbook holds {cells}, not {want}")

        log("Суммарная длинна, then its Экспорт в Excel")
        before = set(sheets.glob("*.xlsx"))
        program.menu("Данные", "Суммарная длинна")
        totals = screen.wait_window("Общее количество труб", 60)[0]
        time.sleep(1)
        screen.shot("totals")
        # Tab moves between the grid's columns, so the buttons are clicked:
        # "Экспорт в Excel" at the left of the bottom panel, "Ok" at its right
        # (the window's form places them 8 pixels in, 25 high, in a panel 41 high).
        geometry = screen.geometry(totals)
        screen.click(totals, 8 + 50, geometry["HEIGHT"] - 41 + 8 + 12)
        cells = read_workbook(new_workbook(before))
        sums = {}
        for r in expected:
            sums[(r[3], r[4])] = sums.get((r[3], r[4]), 0.0) + r[2]
        want = [["Длинна, мм", "D наружный, мм", "D внутренний, мм"]]
        want += [[round_half_even(sums[k]), k[0], k[1]] for k in sorted(sums)]
        if cells != want:
            raise Failure(f"the totals' workbook holds {cells}, not {want}")
        screen.click(totals, geometry["WIDTH"] - 14 - 37, geometry["HEIGHT"] - 41 + 8 + 12)
        screen.wait_gone("Общее количество труб", 30)

        # --- About ---------------------------------------------------------------------
        log("О программе")
        program.menu("Справка", "О программе")
        about = screen.wait_window("О программе", 60)[0]
        time.sleep(1)
        screen.shot("about")
        screen.focus(about)
        screen.keys("Return")  # its Ok button has the focus
        screen.wait_gone("О программе", 30)

        # --- the CAD closes --------------------------------------------------------------
        log("closing cadsim.exe")
        # As Windows asks a program to close: WM_CLOSE to its windows.
        wine.run(["taskkill", "/im", "cadsim.exe"])
        wait_for("cadsim.exe ends", lambda: cad.poll() is not None, 60)
        if cad.returncode != 0:
            raise Failure(f"cadsim.exe ended with {cad.returncode}")
        log("harvest once the CAD has closed")
        program.menu("Данные", "Получить размеры труб")
        screen.wait_window(Program.TITLE, 60, count=2)
        text = message_text()
        if "Cannot find AutoCAD that has been already started!!!" not in text:
            raise Failure(f"the message once the CAD has gone reads: {text!r}")
        screen.keys("Return")
        screen.wait_gone(Program.TITLE, 30, count=1)
        if read_rows(database) != expected:
            raise Failure("the failed attach touched the stored rows")
        # The harvest and Выделить walked the drawing inside the CAD: the walker
        # the program registered for the user beside itself.
        counts = call_counts(first_calls)
        log(f"calls served by cadsim.exe for the harvest and Выделить: {counts}")
        if counts.get("in-process invocations", 0) == 0:
            raise Failure("the drawing was not walked inside the CAD")

        # --- a CAD that behaves like a real one ----------------------------------------
        def start_cad(name, *options, settings="cadsim.ini", answers=True, drawing="pipes.dxf"):
            process = wine.start(name, [cadsim, *options, "--settings",
                                        wine.windows_path(wine.drive_c("cadsim", settings)),
                                        "--support-path", wine.windows_path(support),
                                        wine.windows_path(drawings / drawing)])
            if answers:  # a CAD busy for good answers nobody
                wait_for("cadsim.exe in the running object table", lambda: ask("selection") is not None, 90, 1.0)
            title = ".*" + drawing.replace(".", "\\.") + ".*"
            wait_for("cadsim.exe's window", lambda: screen.windows(title), 90)
            time.sleep(1)
            # Every simulator's window out of the program's way, a second one's too.
            for window in screen.windows(title):
                screen.move(window, 660, 0)
            return process

        def stop_cad(process):
            wine.run(["taskkill", "/im", "cadsim.exe"])
            wait_for("cadsim.exe ends", lambda: process.poll() is not None, 60)

        def harvest_again(case):
            """The harvest stores every pipe again, with the new session's ObjectIDs."""
            before = {r[1] for r in read_rows(database)}
            program.menu("Данные", "Получить размеры труб")
            try:
                rows = wait_for(f"{case}: the harvested rows", lambda: (lambda r: r if len(r) == len(expected)
                                and not ({x[1] for x in r} & before) else None)(read_rows(database)), 120)
            except Failure:
                screen.shot(f"{case}-harvest-failed")
                if len(screen.windows(Program.TITLE)) > 1:
                    log(f"{case}: the message in front reads {message_text()!r}")
                raise
            time.sleep(1)
            if without_ids(rows) != without_ids(expected):
                raise Failure(f"{case}: stored rows differ:\n{rows}\nexpected:\n{expected}")
            if len(screen.windows(Program.TITLE)) != 1:
                screen.shot(f"{case}-failed")
                raise Failure(f"{case}: a message after the harvest: {message_text()!r}")
            log(f"{case}: {len(rows)} rows stored")

        def documents():
            """The CAD's active document's path, then every open document's."""
            answer = ask("documents")
            if answer is None:
                raise Failure("the CAD did not say which documents it has open")
            return answer.splitlines()

        def select_in_closed_drawing(case, drawing, handle):
            """Выделить on the grid's current row, whose drawing the CAD does
            not have open; the question answered "Да"."""
            program.activate()
            screen.keys("Menu", "Down", "Return")
            screen.wait_window(Program.TITLE, 60, count=2)
            text = message_text()
            if f"Чертёж «{wine.windows_path(drawing)}» не открыт.".lower() not in text.lower():
                screen.shot(f"{case}-question-failed")
                raise Failure(f"{case}: Выделить in a closed drawing asks {text!r}")
            # "Нет" has the focus; "Да" is the button before it.
            screen.keys("shift+Tab", "space")
            selected = wait_for(f"{case}: the selection in the opened drawing", lambda: (
                lambda a: a if a and a.strip() else None)(ask("selection")), 90, 1.0)
            entities = [line.split("\t") for line in selected.splitlines()]
            if len(entities) != 1 or entities[0][0] != handle:
                screen.shot(f"{case}-selection-failed")
                raise Failure(f"{case}: selected {entities} in the opened drawing, not the pipe {handle}")
            open_now = documents()
            if open_now[0].lower() != wine.windows_path(drawing).lower():
                raise Failure(f"{case}: the active drawing is {open_now[0]!r}, not the row's")
            if len(screen.windows(Program.TITLE)) != 1:
                raise Failure(f"{case}: a message after Выделить: {message_text()!r}")
            log(f"{case}: the row's drawing opened and made active, its pipe {handle} selected")

        # The next sheet of the project, started from the same template: its
        # pipes carry the same handles, the drawing has an identity of its own.
        # The row's own drawing is not open there: the program asks whether
        # to open it, and with "Нет" leaves the CAD's drawing as it is.
        log("the CAD started on another drawing: Выделить asks to open the row's, and selects nothing without it")
        sheet = (drawings / "pipes.dxf").read_bytes().replace(
            b"{2F9C5E7A-3B41-4D8E-9A1C-6E0B7D52C4F3}", b"{0C1D2E3F-4A5B-4C6D-9E8F-7A6B5C4D3E2F}")
        (drawings / "sheet2.dxf").write_bytes(sheet)
        cad = start_cad("cadsim-other-drawing", "--id-seed", "7", drawing="sheet2.dxf")
        program.activate()
        screen.keys("ctrl+End", "Home", "Menu", "Down", "Return")
        screen.wait_window(Program.TITLE, 60, count=2)
        text = message_text()
        if f"Чертёж «{wine.windows_path(drawings / 'pipes.dxf')}» не открыт." not in text:
            screen.shot("other-drawing-question-failed")
            raise Failure(f"Выделить in another drawing asks {text!r}")
        screen.keys("Escape")  # "Нет"
        screen.wait_gone(Program.TITLE, 30, count=1)
        time.sleep(2)
        selected = ask("selection")
        if selected is None or selected.strip():
            screen.shot("other-drawing-failed")
            raise Failure(f"Выделить selected {selected!r} in another drawing")
        if len(screen.windows(Program.TITLE)) != 1:
            raise Failure(f"a message after Выделить in another drawing: {message_text()!r}")
        # Asked again and answered "Да": the row's drawing is opened in the
        # CAD, made the active one, and its pipe selected there.
        log("Выделить in another drawing, answered Да: the row's drawing opens and its pipe is selected")
        select_in_closed_drawing("other-drawing", drawings / "pipes.dxf", read_handles(database)[(last[0], last[3], last[2])])
        stop_cad(cad)

        log("the CAD started again: new ObjectIDs, Выделить by the stored handle")
        cad = start_cad("cadsim-restarted", "--id-seed", "2")
        program.activate()
        screen.keys("ctrl+End", "Home", "Menu", "Down", "Return")
        selected = wait_for("the simulator's selection", lambda: (lambda a: a if a and a.strip() else None)(
            ask("selection")), 60, 1.0)
        entities = [line.split("\t") for line in selected.splitlines()]
        handle = read_handles(database)[(last[0], last[3], last[2])]
        log(f"selected after the restart: {entities}; the row's handle: {handle}")
        if len(entities) != 1 or entities[0][0] != handle or int(entities[0][1]) == last[1]:
            raise Failure(f"selected {entities} after the restart, not the pipe with handle {handle}")
        stop_cad(cad)

        log("a CAD busy for 2 s after each command")
        cad = start_cad("cadsim-busy-after-command", "--busy-after-command", "2000", "--id-seed", "3")
        harvest_again("busy after each command")
        stop_cad(cad)

        log("the CAD's user at a prompt of a command of their own")
        cad = start_cad("cadsim-user-command", "--user-command-ms", "4000", "--id-seed", "4")
        harvest_again("the user's own command")
        stop_cad(cad)
        cad_log = (work / "cadsim-user-command.log").read_text(encoding="utf-8", errors="replace")
        if "input to the user's command" in cad_log or 'ran (load "tr.fas")' not in cad_log:
            raise Failure(f"the simulator's command log reads: {cad_log!r}")

        log("a locked TRUSTEDPATHS")
        cad = start_cad("cadsim-locked", "--locked-trustedpaths", "--id-seed", "5", settings="cadsim-locked.ini")
        harvest_again("locked TRUSTEDPATHS")
        stop_cad(cad)

        log("a CAD that loads no interface objects: the walk of old")
        cad = start_cad("cadsim-no-interface-objects", "--no-interface-objects", "--id-seed", "8")
        harvest_again("no interface objects")
        stop_cad(cad)

        log("Отмена stops a harvest that waits for a busy CAD")
        before = read_rows(database)
        cad = start_cad("cadsim-cancel", "--user-command", "--id-seed", "9")
        program.menu("Данные", "Получить размеры труб")
        progress = screen.wait_window("Получить размеры труб", 60)[0]
        time.sleep(1)
        screen.shot("harvest-waiting-for-a-busy-cad")
        # With no window manager, Wine makes a window the active one when it
        # is clicked: a click on the stage's text, then Esc, as a user stops it.
        screen.click(progress, 40, 20)
        screen.keys("Escape")
        screen.wait_gone("Получить размеры труб", 30)
        time.sleep(1)
        if read_rows(database) != before:
            raise Failure("a cancelled harvest changed the stored rows")
        if len(screen.windows(Program.TITLE)) != 1:
            raise Failure(f"a message after the cancelled harvest: {message_text()!r}")
        stop_cad(cad)
        cad_log = (work / "cadsim-cancel.log").read_text(encoding="utf-8", errors="replace")
        if "input to the user's command" in cad_log:
            raise Failure(f"the cancelled harvest sent text into the user's command: {cad_log!r}")

        # --- the CAD the designer has -----------------------------------------------------
        # Each of the other CADs, found by its own ProgID and asked whether it
        # is idle by its own name, gives every pipe of the sample; BricsCAD
        # too, whose LISP cannot load tr.fas. "Выделить" selects row 3's pipe.
        ordered = sorted(expected, key=lambda r: (r[0], r[3]))
        for seed, (as_cad, progid) in enumerate((("nanocad", "nanoCAD.Application"), ("zwcad", "ZWCAD.Application"),
                                                 ("bricscad", "BricscadApp.AcadApplication"),
                                                 ("gstarcad", "Gcad.Application")), start=21):
            log(f"cadsim.exe --as {as_cad}")
            wine.register([cadsim, "/regserver", "--as", as_cad], f"cadsim.exe /regserver --as {as_cad}")
            # A seed of its own: the harvest is seen to store this CAD's ObjectIDs.
            process = wine.start(f"cadsim-{as_cad}", [cadsim, "--as", as_cad, "--id-seed", str(seed), "--settings",
                                                      wine.windows_path(wine.drive_c("cadsim", "cadsim.ini")),
                                                      "--support-path", wine.windows_path(support),
                                                      wine.windows_path(drawings / "pipes.dxf")])
            wait_for(f"{as_cad} in the running object table", lambda: ask("selection", progid) is not None, 90, 1.0)
            window = wait_for(f"{as_cad}'s window", lambda: screen.windows(".*pipes\\.dxf.*"), 90)[0]
            screen.move(window, 660, 0)
            harvest_again(as_cad)
            program.activate()
            screen.keys("ctrl+Home", "Home", "Down", "Down", "Menu", "Down", "Return")
            third = ordered[2]
            handle = read_handles(database)[(third[0], third[3], third[2])]
            selected = wait_for(f"{as_cad}'s selection", lambda: (lambda a: a if a and a.strip() else None)(
                ask("selection", progid)), 60, 1.0)
            entities = [line.split("\t") for line in selected.splitlines()]
            if len(entities) != 1 or entities[0][0] != handle:
                screen.shot(f"{as_cad}-selection-failed")
                raise Failure(f"{as_cad}: selected {entities}, not row 3's pipe ({handle})")
            wine.run(["taskkill", "/im", "cadsim.exe"])
            wait_for("cadsim.exe ends", lambda: process.poll() is not None, 60)
            cad_log = (work / f"cadsim-{as_cad}.log").read_text(encoding="utf-8", errors="replace")
            if ("LOAD failed" in cad_log) != (as_cad == "bricscad"):
                raise Failure(f"{as_cad}: the simulator's command log reads {cad_log!r}")
            log(f"{as_cad}: every pipe stored, row 3's pipe selected")

        log("two CADs at once: ZWCAD comes before BricsCAD")
        zwcad = start_cad("cadsim-two-zwcad", "--as", "zwcad", "--id-seed", "10", answers=False)
        bricscad = start_cad("cadsim-two-bricscad", "--as", "bricscad", "--id-seed", "11", answers=False)
        wait_for("both in the running object table", lambda: ask("selection", "ZWCAD.Application") is not None
                 and ask("selection", "BricscadApp.AcadApplication") is not None, 90, 1.0)
        # The second window may come up after the first was moved: both out of the program's way.
        for window in screen.windows(".*pipes\\.dxf.*"):
            screen.move(window, 660, 0)
        harvest_again("two CADs at once")
        wine.run(["taskkill", "/im", "cadsim.exe"])
        wait_for("both end", lambda: zwcad.poll() is not None and bricscad.poll() is not None, 60)
        if 'ran (load "tr.fas")' not in (work / "cadsim-two-zwcad.log").read_text(errors="replace") or \
                "ran (" in (work / "cadsim-two-bricscad.log").read_text(errors="replace"):
            raise Failure("with ZWCAD and BricsCAD running, the harvest did not go to ZWCAD")
        for as_cad in ("nanocad", "zwcad", "bricscad", "gstarcad"):
            wine.register([cadsim, "/unregserver", "--as", as_cad], f"cadsim.exe /unregserver --as {as_cad}")

        log("a CAD busy for good")
        before = read_rows(database)
        cad = start_cad("cadsim-busy", "--busy", "--id-seed", "6", answers=False)
        program.menu("Данные", "Получить размеры труб")
        screen.wait_window(Program.TITLE, 120, count=2)
        text = message_text()
        if "AutoCAD is not ready to work with the program." not in text:
            screen.shot("busy-for-good-failed")
            raise Failure(f"the message of a CAD busy for good reads: {text!r}")
        screen.keys("Return")
        screen.wait_gone(Program.TITLE, 30, count=1)
        if read_rows(database) != before:
            raise Failure("a CAD busy for good changed the stored rows")
        stop_cad(cad)

        # --- a project of several drawings -----------------------------------------------
        # "Получить размеры труб из чертежей…": the drawings of a folder, chosen
        # through the system's folder dialog, read without the editor by the
        # CAD's reader (or, where the CAD has none, opened read only in its
        # editor and closed again), and every pipe of each stored with the
        # file it came from.
        project = wine.drive_c("project")
        project.mkdir()
        project_rows = []
        for serial in (1, 2, 3):
            text, rows = project_drawing(serial, 3)
            path = project / f"Секция {serial}.dwg"
            path.write_text(text, encoding="ascii")
            project_rows += [(*row, wine.windows_path(path)) for row in rows]

        def choose_project_folder(case):
            """The project command, its folder added and the drawings' window confirmed."""
            open_project_folder(screen, program, wine.windows_path(project), case)
            screen.keys("Return")  # "Получить размеры труб", the window's default button

        def without_project_ids(rows):
            return sorted((r[0], r[1], r[2], r[3], (r[4] or "").lower()) for r in rows)

        def harvest_project(case):
            before_rows = read_project_rows(database)
            choose_project_folder(case)
            screen.wait_gone("Чертежи проекта", 30)
            rows = wait_for(f"{case}: the project's rows", lambda: (lambda r: r if r != before_rows and len(r) ==
                            len(project_rows) else None)(read_project_rows(database)), 120)
            time.sleep(1)
            if without_project_ids(rows) != without_project_ids(project_rows):
                screen.shot(f"{case}-project-failed")
                raise Failure(f"{case}: the project's stored rows differ:\n{rows}\nexpected:\n{project_rows}")
            if len(screen.windows(Program.TITLE)) != 1:
                raise Failure(f"{case}: a message after the project's harvest: {message_text()!r}")
            log(f"{case}: {len(rows)} rows of {len(set(r[4] for r in rows))} drawings stored, each with its file")

        log("a project of three drawings, read by the CAD's reader")
        cad = start_cad("cadsim-project", "--id-seed", "13")
        harvest_project("project")

        log("a project with a file that is no drawing: the others are stored, the report says why")
        (project / "Секция 4.dwg").write_bytes(b"\x00\x01 not a drawing at all \xff")
        choose_project_folder("project-unreadable")
        report = screen.wait_window("Получить размеры труб из чертежей", 120)[0]
        time.sleep(1)
        screen.shot("project-unreadable-report")
        # The grid has the focus: the fourth drawing's name, then its reason,
        # copied as a user copies a cell.
        screen.keys("ctrl+Home", "Down", "Down", "Down", "ctrl+c")
        name = probe.ask("clipboard") or ""
        screen.keys("Right", "ctrl+c")
        reason = probe.ask("clipboard") or ""
        log(f"the report lists {name!r}: {reason!r}")
        if name != "Секция 4.dwg" or not reason.strip() or reason.startswith("труб:"):
            raise Failure(f"the report lists {name!r} with {reason!r}, not the file that is no drawing and why")
        screen.keys("ctrl+Home", "Right", "ctrl+c")
        if (probe.ask("clipboard") or "") != "труб: 3":
            raise Failure("the report does not give the first drawing's pipes")
        before_rows = read_project_rows(database)
        screen.keys("Return")  # "Записать трубы прочитанных чертежей", the default button
        screen.wait_gone("Получить размеры труб из чертежей", 30)
        rows = wait_for("the pipes of the drawings read", lambda: (lambda r: r if r != before_rows else None)(
            read_project_rows(database)), 60)
        time.sleep(1)
        rows = read_project_rows(database)
        if without_project_ids(rows) != without_project_ids(project_rows):
            raise Failure(f"with a file that is no drawing the stored rows are {rows}")
        (project / "Секция 4.dwg").unlink()
        stop_cad(cad)

        log("a project through the editor: a CAD without a reader of drawings")
        cad = start_cad("cadsim-project-editor", "--no-drawing-reader", "--id-seed", "14")
        own = wine.windows_path(drawings / "pipes.dxf")
        harvest_project("project-editor")
        open_now = documents()
        if [d.lower() for d in open_now] != [own.lower(), own.lower()]:
            raise Failure(f"after the project's harvest the CAD has {open_now} open, not the user's drawing alone")
        if not screen.windows(".*pipes\\.dxf.*") or screen.windows(".*Секция.*"):
            raise Failure("the CAD's window no longer shows the user's drawing")
        log("the user's drawing stayed the active one, and no other document is left open")

        # The grid's first row (by layer, then diameter) is a pipe of the first drawing.
        program.activate()
        screen.keys("ctrl+Home", "Home")
        first = sorted(project_rows, key=lambda r: (r[0], r[2]))[0]
        handle = read_handles(database)[(first[0], first[2], first[1])]
        select_in_closed_drawing("project-select", project / "Секция 1.dwg", handle)
        stop_cad(cad)

        log("Экспорт в Excel while the spreadsheet refuses calls now and then")
        wine.register([sheetsim, "/regserver", "--folder", wine.windows_path(sheets), "--busy-after-cells", "7", "700"],
                      "sheetsim.exe /regserver --busy-after-cells")
        before = set(sheets.glob("*.xlsx"))
        program.menu("Данные", "Экспорт в Excel")
        cells = read_workbook(new_workbook(before))
        # The project's rows come from three drawings: each row says which.
        stored = sorted(read_project_rows(database), key=lambda r: (r[0], r[2]))
        several = len({r[4] for r in stored}) > 1
        want = [["Слой", "Длинна, мм", "D наружный, мм", "D внутренний, мм"] + (["Чертёж"] if several else [])]
        want += [[r[0], round_half_even(r[1]), r[2], r[3]] + ([r[4].rsplit("\\", 1)[-1]] if several else [])
                 for r in stored]
        if cells != want:
            raise Failure(f"the workbook written while the spreadsheet refused calls holds {cells}, not {want}")
        if len(screen.windows(Program.TITLE)) != 1:
            raise Failure(f"a message after the export: {message_text()!r}")

        log("Выход")
        program.menu("Файл", "Выход")
        wait_for("vedoris.exe ends", lambda: vedoris.poll() is not None, 60)
        if vedoris.returncode != 0:
            raise Failure(f"vedoris.exe ended with {vedoris.returncode}")

        # Run as administrator, the program asks the CAD for no walker that
        # the user's unelevated programs could have replaced: the zip's folder
        # is the user's, so the harvest walks the drawing call by call.
        log("an elevated Ведорис walks the drawing itself")
        vedoris = wine.start("vedoris-elevated", [wine.windows_path(folder / "vedoris.exe")])
        wait_for("the elevated program's window", lambda: screen.windows(Program.TITLE), 90)
        time.sleep(2)
        main = screen.windows(Program.TITLE)[0]
        screen.move(main, 0, 0)
        program = Program(screen, main)
        elevated_calls = wine.drive_c("cadsim", "calls-elevated.txt")
        cad = start_cad("cadsim-elevated", "--id-seed", "12", "--count-calls", wine.windows_path(elevated_calls))
        harvest_again("elevated")
        stop_cad(cad)
        counts = call_counts(elevated_calls)
        log(f"calls served by cadsim.exe for the elevated harvest: {counts}")
        if counts.get("in-process invocations", 0) != 0 or counts.get("invocations", 0) == 0:
            raise Failure("the elevated program had the CAD load the walker from the user's folder")
        program.menu("Файл", "Выход")
        wait_for("the elevated vedoris.exe ends", lambda: vedoris.poll() is not None, 60)

        for program_path in (cadsim, sheetsim):
            wine.register([program_path, "/unregserver"], f"{program_path} /unregserver")
        log("end to end under Wine: passed")
        return 0
    finally:
        wine.kill()


def cad_names(args):
    """Every ProgID of the program's table of CADs, one at a time: the
    simulator plays that CAD, its class is registered under that name alone,
    and the program's attach (vedoris_wine_attach.exe, the program's own
    CadApplications) finds it as that CAD and reads its idle state by that
    CAD's name for the question. The registration under each name is written
    as a per-user registration is seen by COM (the user's and, for Wine, the
    machine's classes); the simulator runs once per CAD, since its running
    object is found by its class."""
    work = Path(args.work)
    wine = Wine(work / "prefix-cad-names", work)
    screen = Screen(work / "screenshots")
    try:
        log("making a new Wine prefix")
        wine.make()
        unpack(Path(args.package) / "vedoris-windows-x64.zip", wine.drive_c("vedoris-package"))
        folder = wine.drive_c("vedoris-package", "vedoris")
        shutil.copytree(Path(args.package) / "cadsim", wine.drive_c("cadsim"))
        # Beside the program's DLLs, which it loads too.
        attach = folder / "vedoris_wine_attach.exe"
        shutil.copy(Path(args.build) / "bin" / "vedoris_wine_attach.exe", attach)
        answer = wine.drive_c("attach.txt")
        drawing = wine.drive_c("names.dxf")
        drawing.write_text("0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n2B\n8\n0\n0\nENDSEC\n0\nEOF\n", encoding="ascii")
        cadsim = wine.windows_path(wine.drive_c("cadsim", "cadsim.exe"))

        def ask_attach(*extra, limit=120):
            answer.unlink(missing_ok=True)
            started = time.monotonic()
            code = wine.run([wine.windows_path(attach), *extra, wine.windows_path(answer)], limit)
            if time.monotonic() - started > 5:
                log(f"vedoris_wine_attach.exe {' '.join(extra)} took {time.monotonic() - started:.1f} s")
            return answer.read_text(encoding="utf-8") if code == 0 else None
            return answer.read_text(encoding="utf-8") if code == 0 else None

        # The first program of a new prefix waits for Wine to finish setting it up.
        table = [line.split("\t") for line in (ask_attach("--list", limit=240) or "").splitlines()]
        if len(table) < 50:
            raise Failure(f"the program's table lists {len(table)} names")
        cads = list(dict.fromkeys(cad for cad, _ in table))
        registrations = wine.drive_c("names.reg")

        def register_only(progid, clsid, previous):
            """`progid` registered for `clsid`, `previous` no longer."""
            lines = ["Windows Registry Editor Version 5.00", ""]
            for root in ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"):
                if previous:
                    lines += [f"[-{root}\\Software\\Classes\\{previous}]", ""]
                if progid:
                    lines += [f"[{root}\\Software\\Classes\\{progid}\\CLSID]", f'@="{clsid}"', ""]
            registrations.write_text("\r\n".join(lines), encoding="utf-16")
            if wine.run(["reg", "import", wine.windows_path(registrations)]) != 0:
                raise Failure(f"the registration of {progid or previous} could not be written")

        found = 0
        for cad in cads:
            names = [progid for name, progid in table if name == cad]
            key = cad.lower()
            # The class the simulator registers for this CAD, read back from its own registration.
            if wine.run([cadsim, "/regserver", "--as", key]) != 0:
                raise Failure(f"cadsim.exe /regserver --as {key} failed")
            clsid = wine.query_value(f"HKCU\\Software\\Classes\\{names[0]}\\CLSID")
            wine.run([cadsim, "/unregserver", "--as", key])
            if not clsid:
                raise Failure(f"cadsim.exe registered no class for {cad} under {names[0]}")
            register_only(names[0], clsid, None)
            process = wine.start(f"cadsim-names-{key}", [cadsim, "--as", key, "--progid", names[0],
                                                          wine.windows_path(drawing)])
            # Found in the running object table before it serves calls: a
            # call made then waits until its window is up and it serves.
            wait_for(f"{cad}'s window", lambda: screen.windows(".*names\\.dxf.*"), 180)
            time.sleep(1)
            previous = None
            for progid in names:
                if previous:
                    register_only(progid, clsid, previous)
                answered = wait_for(f"{progid}: the attach", lambda: ask_attach(), 90 if previous is None else 20,
                                    0.5)
                if answered != f"{cad}\t1":
                    raise Failure(f"under {progid} alone the attach found {answered!r}, not an idle {cad}")
                previous = progid
                found += 1
            wine.run(["taskkill", "/im", "cadsim.exe"])
            wait_for("cadsim.exe ends", lambda: process.poll() is not None, 60)
            register_only(None, None, previous)
            log(f"{cad}: found under each of its {len(names)} names, and idle by its own question")
        log(f"every name of every CAD under Wine: {found} names found")
        return 0
    finally:
        wine.kill()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=["package-starts", "end-to-end", "cad-names"])
    for option in ("--source", "--work", "--package", "--build"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    Path(args.work).mkdir(parents=True, exist_ok=True)
    try:
        if args.test == "package-starts":
            return package_starts(args)
        if args.test == "cad-names":
            return cad_names(args)
        return end_to_end(args)
    except Failure as failure:
        log(f"FAILED: {failure}")
        try:
            Screen(Path(args.work) / "screenshots").shot(f"{args.test}-at-failure")
        except Exception:  # a failure report must not hide the failure
            pass
        return 1


if __name__ == "__main__":
    sys.exit(main())
