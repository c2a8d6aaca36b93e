#!/usr/bin/env python3
"""scenario-tool package on Linux: the packager it makes writes the same files
as the packager built with that scenario; the same folder gives the same
file, whose head is the prebuilt program unchanged, and texts saved with CR
LF the same file as with LF; a packager whose carried
scenario was changed or cut writes nothing and says so; a scenario with an
error is refused; a missing prebuilt program is named with the build that
makes it.

usage: package_test.py SCENARIO_TOOL REFERENCE_PACKAGER SCENARIO_DIR OTHER_SCENARIO_DIR
"""
import pathlib
import shutil
import subprocess
import sys
import tempfile

TARGET = "linux-x86_64"


def run(args, cwd=None):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, cwd=cwd)


def package(tool, scenario, output):
    return run([tool, "package", scenario, "--target", TARGET, "-o", output])


def files_of(folder, but):
    return {p.name: p.read_bytes() for p in sorted(folder.iterdir()) if p.name != but}


def run_in_own_folder(program, folder):
    folder.mkdir()
    copy = folder / program.name
    shutil.copy2(program, copy)
    result = run([copy])
    return result, files_of(folder, copy.name)


def main():
    tool, reference, scenario, other = map(pathlib.Path, sys.argv[1:5])
    prebuilt = tool.parent / f"packager-{TARGET}"
    with tempfile.TemporaryDirectory() as temp:
        work = pathlib.Path(temp)

        made = work / "made"
        result = package(tool, scenario, made)
        assert result.returncode == 0, result.stderr
        again = work / "again"
        assert package(tool, scenario, again).returncode == 0
        assert made.read_bytes() == again.read_bytes(), "two packages of a folder differ"
        assert made.read_bytes().startswith(prebuilt.read_bytes()), "the program's bytes changed"

        ran, written = run_in_own_folder(made, work / "packaged")
        assert ran.returncode == 0, ran.stderr
        built, expected = run_in_own_folder(reference, work / "built")
        assert built.returncode == 0, built.stderr
        assert len(written) == 6 and written == expected, sorted(written)

        other_made = work / "other"
        assert package(tool, other, other_made).returncode == 0
        ran, written = run_in_own_folder(other_made, work / "other-run")
        assert ran.returncode == 0 and len(written) == 6, (ran.stderr, sorted(written))

        # Texts saved with CR LF, as editors on Windows save them, carry the
        # same lines: the same packager.
        windows_saved = work / "crlf"
        shutil.copytree(other, windows_saved)
        for text in windows_saved.glob("*.txt"):
            text.write_bytes(text.read_bytes().replace(b"\n", b"\r\n"))
        assert package(tool, windows_saved, work / "crlf-made").returncode == 0
        assert (work / "crlf-made").read_bytes() == other_made.read_bytes()

        damaged = {"a byte changed": bytearray(made.read_bytes()),
                   "the tail cut": bytearray(made.read_bytes()[:-10])}
        damaged["a byte changed"][-200] ^= 0x01
        for what, data in damaged.items():
            folder = work / what.replace(" ", "-")
            folder.mkdir()
            program = folder / "packager"
            program.write_bytes(bytes(data))
            program.chmod(0o755)
            result = run([program])
            assert result.returncode == 3, (what, result.returncode)
            assert str(program) in result.stderr and "nothing was written" in result.stderr, \
                (what, result.stderr)
            assert [p.name for p in folder.iterdir()] == ["packager"], (what, list(folder.iterdir()))

        broken = work / "broken"
        shutil.copytree(other, broken)
        train = next(broken.glob("*-.txt"))
        train.write_text(train.read_text(encoding="utf-8") + "segnale, 12x\n", encoding="utf-8")
        result = package(tool, broken, work / "refused")
        assert result.returncode == 1 and "[E25]" in result.stderr, result.stderr
        assert not (work / "refused").exists()

        alone = work / "alone"
        alone.mkdir()
        shutil.copy2(tool, alone / tool.name)
        result = package(alone / tool.name, scenario, work / "none")
        assert result.returncode == 3, result.returncode
        assert f"packager-{TARGET}" in result.stderr and "make build" in result.stderr, result.stderr
    print("package: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
