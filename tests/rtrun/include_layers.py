#!/usr/bin/env python3
"""rtrun's folders include each other one way only:
cli -> supervise -> merge -> run -> history -> reports -> reports/junit -> system,
and nothing of the framework library includes rtrun. Prints each include
that goes the wrong way; exits 1 when there is one."""
import pathlib
import re
import sys

LAYERS = ["system", "reports/junit", "reports", "history", "run", "merge", "supervise", "cli"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"rtrun/(.+)/[^/]+\.h"', re.M)


def layer_of(folder):
    return LAYERS.index(folder) if folder in LAYERS else None


def main(root):
    root = pathlib.Path(root)
    wrong = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or "build" in path.relative_to(root).parts[0]:
            continue
        relative = path.relative_to(root)
        parts = relative.parts
        for folder in INCLUDE.findall(path.read_text(errors="replace")):
            if parts[0] != "rtrun":
                if parts[0] not in ("tests", "bench", "fuzz"):
                    wrong.append(f"{relative}: the framework includes rtrun/{folder}")
                continue
            own = layer_of("/".join(parts[1:-1]))
            used = layer_of(folder)
            if own is None or used is None:
                if relative.name != "main.cpp":
                    wrong.append(f"{relative}: rtrun/{folder} is no folder of rtrun's layers")
            elif used > own:
                wrong.append(f"{relative}: {LAYERS[own]} includes rtrun/{folder}, which is above it")
    for line in wrong:
        print(line)
    print(f"{len(wrong)} include(s) against rtrun's layers")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
