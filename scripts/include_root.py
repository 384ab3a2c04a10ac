#!/usr/bin/env python3
"""Rewrites project includes so that each names its layer from src/ ("core/app/Prompts.h",
"gui/ui/NotesDlg.h", "cli/Command.h"). Safe to run again: includes already rooted stay."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")
INCLUDE = re.compile(r'^(\s*#\s*include\s+")([^"]+)(")', re.M)


def rooted(path_in_include, including_file):
    if path_in_include.startswith(("core/", "gui/", "cli/")):
        return None
    if path_in_include.startswith("ui_") or path_in_include.endswith(".moc"):
        return None
    candidates = []
    for layer in ("core", "gui"):
        if os.path.exists(os.path.join(SRC, layer, path_in_include)):
            candidates.append(f"{layer}/{path_in_include}")
    if os.path.exists(os.path.join(SRC, "cli", path_in_include)):
        candidates.append(f"cli/{path_in_include}")
    if not candidates:
        return None
    if len(candidates) > 1:
        # The same relative name in two layers: prefer the including file's own layer.
        own = os.path.relpath(including_file, SRC).split(os.sep)[0]
        candidates = [c for c in candidates if c.startswith(own + "/")] or candidates
    return candidates[0]


def main():
    changed = 0
    for top in ("src", "tests", "bench", "fuzz"):
        for dirpath, _, files in os.walk(os.path.join(ROOT, top)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                # A header next to the including file wins for plain names (test helpers).
                def repl(m):
                    inc = m.group(2)
                    if os.path.exists(os.path.join(dirpath, inc)) and not path.startswith(SRC):
                        return m.group(0)
                    new = rooted(inc, path)
                    return m.group(1) + new + m.group(3) if new else m.group(0)
                new_text = INCLUDE.sub(repl, text)
                if new_text != text:
                    with open(path, "w", encoding="utf-8") as f:
                        f.write(new_text)
                    changed += 1
    print(f"{changed} files rewritten", file=sys.stderr)


if __name__ == "__main__":
    main()
