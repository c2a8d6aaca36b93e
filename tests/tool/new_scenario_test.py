#!/usr/bin/env python3
"""scenario-tool new as an author starts with it, into an empty or a missing
folder: the folder it writes checks with 0 errors and 0 warnings, compiles, draws its plan and profile,
and packages into a packager that runs with no fault and writes the three
binary files beside the crew documents; a second new into the same folder
is refused and changes nothing.

usage: new_scenario_test.py SCENARIO_TOOL
"""
import pathlib
import subprocess
import sys
import tempfile


def run(args, cwd=None):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, cwd=cwd)


def expect(result, status, what):
    if result.returncode != status:
        sys.exit(f"{what}: status {result.returncode}, not {status}\n"
                 f"stdout: {result.stdout}\nstderr: {result.stderr}")


def main():
    tool = pathlib.Path(sys.argv[1]).resolve()
    with tempfile.TemporaryDirectory() as work_dir:
        work = pathlib.Path(work_dir)
        # An empty folder is written into; a missing one is made, with its parents.
        (work / "empty").mkdir()
        expect(run([tool, "new", work / "empty", "--name", "E", "--train", "1"]), 0, "new, empty")
        folder = work / "lines" / "Monte_Nuovo_812"
        expect(run([tool, "new", folder, "--name", "Monte_Nuovo", "--train", "812"]), 0, "new")
        written = sorted(p.name for p in folder.iterdir())
        before = {name: (folder / name).read_bytes() for name in written}

        checked = run([tool, "check", folder])
        expect(checked, 0, "check")
        if "0 errors, 0 warnings" not in checked.stderr:
            sys.exit(f"check is not clean:\n{checked.stderr}")

        out = work / "out"
        out.mkdir()
        compiled = run([tool, "compile", folder, "-o", out])
        expect(compiled, 0, "compile")
        if compiled.stderr:
            sys.exit(f"compile said:\n{compiled.stderr}")
        if sorted(p.name for p in out.iterdir()) != [
                "Monte_Nuovo_812.dat", "Monte_Nuovo_812.sim", "Monte_Nuovo_linea.dat"]:
            sys.exit(f"compile wrote {sorted(p.name for p in out.iterdir())}")

        for command in ("plan", "profile"):
            picture = work / f"{command}.svg"
            drawn = run([tool, command, folder, "-o", picture])
            expect(drawn, 0, command)
            if "6 stations, 4 signals, 1 slowdown" not in drawn.stdout or drawn.stderr:
                sys.exit(f"{command}: {drawn.stdout}{drawn.stderr}")
            if not picture.read_text(encoding="utf-8").startswith("<"):
                sys.exit(f"{command} wrote no picture")

        packager = work / "run" / "packager"
        packager.parent.mkdir()
        packaged = run([tool, "package", folder, "--target", "linux-x86_64", "-o", packager])
        if packaged.returncode == 3 and "prebuilt" in packaged.stderr.lower():
            sys.exit(f"no prebuilt packager beside {tool}: {packaged.stderr}")
        expect(packaged, 0, "package")
        ran = run([packager], cwd=packager.parent)
        expect(ran, 0, "the packager")
        if ran.stdout or ran.stderr:
            sys.exit(f"the packager said: {ran.stdout}{ran.stderr}")
        for name in ("Monte_Nuovo_812.dat", "Monte_Nuovo_812.sim", "Monte_Nuovo_linea.dat",
                     "Monte_Nuovo_812_note.txt"):
            if not (packager.parent / name).is_file():
                sys.exit(f"the packager wrote no {name}")
        # The binary files of the packager are those of compile.
        for name in ("Monte_Nuovo_812.dat", "Monte_Nuovo_812.sim", "Monte_Nuovo_linea.dat"):
            if (packager.parent / name).read_bytes() != (out / name).read_bytes():
                sys.exit(f"{name} of the packager is not that of compile")

        again = run([tool, "new", folder, "--name", "Other", "--train", "1"])
        expect(again, 64, "new into the written folder")
        if "is not empty" not in again.stderr:
            sys.exit(f"new into the written folder said: {again.stderr}")
        after = {p.name: p.read_bytes() for p in folder.iterdir()}
        if after != before:
            sys.exit("new into the written folder changed it")
    print("ok")


if __name__ == "__main__":
    main()
