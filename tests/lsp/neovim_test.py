#!/usr/bin/env python3
"""scenario-tool lsp in headless Neovim (neovim_test.lua) on a copy of a
scenario folder whose first signal's keyword is misspelt. Skipped (77) when
nvim is not installed, unless PACKAGER_REQUIRE_NEOVIM is set.

usage: neovim_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def main():
    tool, scenario = str(pathlib.Path(sys.argv[1]).resolve()), pathlib.Path(sys.argv[2])
    nvim = shutil.which("nvim")
    if nvim is None:
        if os.environ.get("PACKAGER_REQUIRE_NEOVIM"):
            print("nvim is not installed, and PACKAGER_REQUIRE_NEOVIM asks for it")
            return 1
        print("nvim is not installed: skipped")
        return SKIP
    script = pathlib.Path(__file__).with_name("neovim_test.lua")
    with tempfile.TemporaryDirectory() as folder:
        for text in scenario.iterdir():
            shutil.copy(text, folder)
        train = pathlib.Path(folder, "Vardessa_Lontrino_5608-.txt")
        train.write_text(train.read_text(encoding="utf-8").replace(
            "segnale,    1750", "segnlae,    1750"), encoding="utf-8")
        environment = dict(os.environ, SCENARIO_TOOL=tool, SCENARIO_COPY=folder,
                           XDG_CONFIG_HOME=folder, XDG_DATA_HOME=folder, XDG_STATE_HOME=folder,
                           XDG_CACHE_HOME=folder)
        done = subprocess.run([nvim, "--headless", "--clean", "-n", "-c", f"luafile {script}"],
                              env=environment, stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, timeout=240, cwd=folder)
        sys.stdout.write(done.stdout)
        sys.stderr.write(done.stderr)
        if done.returncode != 0:
            print(f"nvim ended with {done.returncode}")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
