#!/usr/bin/env python3
"""Writes the Designer forms one element per line, indented by one blank per
level, as Designer itself saves them, so a diff of a form reads like a diff
of code. With --check it changes nothing and lists the forms that differ.

    python3 scripts/format-ui.py [--check] [FORM.ui ...]   (default: every form under src/)
"""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def formatted(path):
    tree = ET.parse(path)
    ET.indent(tree, space=" ")
    body = ET.tostring(tree.getroot(), encoding="unicode")
    return '<?xml version="1.0" encoding="UTF-8"?>\n' + body + "\n"


def main(argv):
    check = "--check" in argv
    forms = [a for a in argv if a != "--check"]
    if not forms:
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
        forms = sorted(glob.glob(os.path.join(root, "**", "*.ui"), recursive=True))
    differing = []
    for form in forms:
        with open(form, encoding="utf-8") as f:
            current = f.read()
        wanted = formatted(form)
        if current != wanted:
            differing.append(form)
            if not check:
                with open(form, "w", encoding="utf-8") as f:
                    f.write(wanted)
    if check and differing:
        for form in differing:
            print("not formatted:", os.path.relpath(form))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
