#!/usr/bin/env python3
"""`scenario-tool profile` on a scenario folder: the picture must be
well-formed XML, an SVG that needs no other file (no link, image, script or
style sheet) and whose every mark has its kilometre and a tooltip.

usage: profile_svg_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import pathlib
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SVG = "{http://www.w3.org/2000/svg}"
OUTSIDE_TAGS = {"image", "script", "style", "foreignObject", "use", "a"}


def faults_of(root):
    faults = [] if root.tag == f"{SVG}svg" else [f"the root is {root.tag}, not svg"]
    marks = 0
    for element in root.iter():
        tag = element.tag.removeprefix(SVG)
        if tag in OUTSIDE_TAGS:
            faults.append(f"<{tag}>: the picture must stand alone")
        faults += [f"<{tag} {name}=\"{value}\">: the picture must stand alone"
                   for name, value in element.attrib.items()
                   if name.endswith("href") or "url(" in value or "@import" in value]
        if element.get("class", "").split()[:1] == ["mark"]:
            marks += 1
            if element.get("data-km") is None or element.find(f"{SVG}title") is None:
                faults.append(f"{element.get('class')!r} without data-km or title")
    return faults + ([] if marks else ["no mark at all"])


def main(tool, scenario):
    with tempfile.TemporaryDirectory() as temp:
        picture = pathlib.Path(temp, "profile.svg")
        subprocess.run([tool, "profile", scenario, "-o", str(picture)], check=True,
                       stdout=subprocess.DEVNULL)
        try:
            faults = faults_of(ElementTree.parse(picture).getroot())
        except ElementTree.ParseError as error:
            faults = [f"not well-formed XML: {error}"]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
