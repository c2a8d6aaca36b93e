#!/usr/bin/env python3
"""The content of the extension's .vsix.

    vsix_test.py EXTENSION_DIR FILE.vsix   checks a packed .vsix
    vsix_test.py EXTENSION_DIR             packs one with vsce into a scratch
                                           folder first (skipped, status 77,
                                           without node or the npm modules
                                           unless PACKAGER_REQUIRE_NODE is set)

The .vsix must hold every file the manifest names (the client, each grammar,
each language configuration) and the client's runtime modules, and nothing
of the development modules, the lock file or an earlier .vsix.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile


def problems_of(vsix, extension_dir):
    with zipfile.ZipFile(vsix) as archive:
        names = set(archive.namelist())
        manifest = json.loads(archive.read("extension/package.json"))
    with open(os.path.join(extension_dir, "package.json"), encoding="utf-8") as file:
        source = json.load(file)
    problems = []
    if manifest != source:
        problems.append("extension/package.json is not editors/vscode/package.json")

    def need(path, why):
        name = "extension/" + os.path.normpath(path)
        if name not in names:
            problems.append(f"{name} ({why}) is missing")

    need(manifest["main"], "the client")
    need("README.md" if "extension/README.md" in names else "readme.md", "the README")
    contributes = manifest["contributes"]
    for grammar in contributes["grammars"]:
        need(grammar["path"], f"the grammar of {grammar['language']}")
    for language in contributes["languages"]:
        need(language["configuration"], f"the configuration of {language['id']}")
    for module in manifest["dependencies"]:
        need(f"node_modules/{module}/package.json", "a runtime module")
    need("node_modules/vscode-languageclient/lib/node/main.js", "the client's library")
    for name in names:
        parts = name.split("/")
        if any(name.startswith(f"extension/node_modules/{dev}/")
               for dev in manifest.get("devDependencies", {})):
            problems.append(f"{name}: a development module")
        if ".bin" in parts or name.endswith((".vsix", "package-lock.json")):
            problems.append(f"{name} does not belong in the .vsix")
    return problems


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    extension_dir = os.path.abspath(sys.argv[1])
    if len(sys.argv) == 3:
        vsix = sys.argv[2]
        scratch = None
    else:
        vsce = os.path.join(extension_dir, "node_modules", "@vscode", "vsce", "vsce")
        if shutil.which("node") is None or not os.path.exists(vsce):
            if os.environ.get("PACKAGER_REQUIRE_NODE"):
                print("node or the npm modules are missing, and PACKAGER_REQUIRE_NODE asks for them")
                return 1
            print("skipped: node or the npm modules are missing (cd editors/vscode && npm ci)")
            return 77
        scratch = tempfile.mkdtemp()
        vsix = os.path.join(scratch, "scenario-texts.vsix")
        packing = subprocess.run(["node", vsce, "package", "--skip-license",
                                  "--allow-missing-repository", "-o", vsix],
                                 cwd=extension_dir, capture_output=True, text=True)
        if packing.returncode != 0:
            print(f"vsce package ended with {packing.returncode}:\n{packing.stdout}{packing.stderr}")
            shutil.rmtree(scratch)
            return 1
    try:
        problems = problems_of(vsix, extension_dir)
    finally:
        if scratch:
            shutil.rmtree(scratch)
    for problem in problems:
        print(f"{vsix}: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
