#!/usr/bin/env python3
"""scenario-tool package on Linux: the packager it makes is, byte for byte,
the one the build makes of that scenario, and writes the same files; the
same folder gives the same file, whose head is the prebuilt program unchanged, and texts saved with CR
LF the same file as with LF; a packager whose carried
scenario was changed or cut writes nothing and says so; a scenario with an
error is refused; a missing prebuilt program is named with the build that
makes it. A packager edited to carry a name that leads out of its folder,
its checksum computed again, writes nothing anywhere. The output is written
to a regular file only: through a link, keeping its mode, never over a FIFO,
a device, the tool itself or a prebuilt packager.

usage: package_test.py SCENARIO_TOOL REFERENCE_PACKAGER SCENARIO_DIR OTHER_SCENARIO_DIR
"""
import os
import pathlib
import shutil
import stat
import struct
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


def fnv1a64(data):
    value = 0xcbf29ce484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return value


def with_name(packaged, name):
    """The packager with another carried scenario name and a checksum that
    matches it, as anyone editing the file could make it."""
    trailer = packaged[-32:]
    marker, version, reserved, size, _ = struct.unpack("<8sIIQQ", trailer)
    scenario = packaged[-32 - size:-32]
    old_size = struct.unpack("<I", scenario[:4])[0]
    scenario = struct.pack("<I", len(name)) + name + scenario[4 + old_size:]
    return (packaged[:-32 - size] + scenario +
            struct.pack("<8sIIQQ", marker, version, reserved, len(scenario), fnv1a64(scenario)))


def check_outputs(tool, scenario, work, prebuilt):
    """-o writes a regular file or refuses, leaving what has the name as it was."""
    fifo = work / "fifo"
    os.mkfifo(fifo)
    kept_mode = work / "kept-mode"
    kept_mode.write_bytes(b"old")
    kept_mode.chmod(0o700)
    real = work / "real"
    real.write_bytes(b"old")
    link = work / "link"
    link.symlink_to(real.name)
    prebuilt_bytes = prebuilt.read_bytes()
    tool_bytes = tool.read_bytes()
    prebuilt_link = work / "prebuilt-link"
    prebuilt_link.symlink_to(prebuilt)
    # A device of its own where the test may make one: a fault here must not
    # cost the machine its /dev/null.
    device = pathlib.Path("/dev/null")
    if os.geteuid() == 0:
        device = work / "device"
        os.mknod(device, 0o666 | stat.S_IFCHR, os.makedev(1, 3))
    refused = {
        fifo: "FIFO",
        device: "device",
        work: "folder",
        prebuilt_link: "prebuilt packager",
        prebuilt.parent / ".." / prebuilt.parent.name / prebuilt.name: "prebuilt packager",
        tool: "scenario-tool itself",
    }
    for output, reason in refused.items():
        result = package(tool, scenario, output)
        assert result.returncode == 3 and reason in result.stderr, (output, result.stderr)
    assert stat.S_ISFIFO(fifo.lstat().st_mode) and stat.S_ISCHR(device.lstat().st_mode)
    assert prebuilt.read_bytes() == prebuilt_bytes and tool.read_bytes() == tool_bytes

    assert package(tool, scenario, kept_mode).returncode == 0
    assert stat.S_IMODE(kept_mode.stat().st_mode) == 0o700, oct(kept_mode.stat().st_mode)
    assert package(tool, scenario, link).returncode == 0
    assert link.is_symlink() and real.read_bytes() == kept_mode.read_bytes()


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
        # The build makes its packagers the same way: the same file.
        assert made.read_bytes() == reference.read_bytes(), "the build's packager differs"

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

        # An edit that recomputes the checksum: the carried name must still be
        # a plain name, or the packager refuses it and writes nothing at all.
        deep = work / "a" / "b"
        for name in [b"../../Escaped", b"..", b"", b"Na\x00me", b"sub/Name"]:
            shutil.rmtree(work / "a", ignore_errors=True)
            deep.mkdir(parents=True)
            program = deep / "packager"
            program.write_bytes(with_name(made.read_bytes(), name))
            program.chmod(0o755)
            result = run([program])
            assert result.returncode == 3 and "nothing was written" in result.stderr, \
                (name, result.returncode, result.stderr)
            written = sorted(str(p.relative_to(work / "a")) for p in (work / "a").rglob("*"))
            assert written == ["b", "b/packager"], (name, written)
        assert not list(work.glob("Escaped*")) and not list(pathlib.Path(temp).parent.glob("Escaped*"))

        check_outputs(tool, scenario, work, prebuilt)

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
