#!/usr/bin/env python3
"""Reads one DXF file with an independent reader (Debian's python3-ezdxf, run as a program) and
prints, for each file named, what the writer's tests compare: the layer names, and the entities per kind of model
space, of paper space and of every block that is not anonymous.

Output, one item a line: "FILE path" before each file's items, then "LAYER name", "MODEL kind count", "PAPER kind count",
"BLOCK name kind count"; "ERROR text" when the file is not read.
Exit status 77 when ezdxf is not installed."""
import collections
import sys

try:
    import ezdxf
except ImportError:
    sys.exit(77)


def counts(entities):
    c = collections.Counter()
    for e in entities:
        c[e.dxftype()] += 1
    return c


def main(path):
    try:
        doc = ezdxf.readfile(path)
    except Exception as error:  # what the reader says is the test's message
        print("ERROR %s: %s" % (type(error).__name__, str(error).replace("\n", " ")))
        return
    for layer in doc.layers:
        print("LAYER %s" % layer.dxf.name)
    for kind, n in sorted(counts(doc.modelspace()).items()):
        print("MODEL %s %d" % (kind, n))
    paper = collections.Counter()
    for layout in doc.layouts:
        if not layout.is_modelspace:
            paper.update(counts(layout))
    for kind, n in sorted(paper.items()):
        print("PAPER %s %d" % (kind, n))
    for block in doc.blocks:
        if block.name.startswith("*"):
            continue
        for kind, n in sorted(counts(block).items()):
            print("BLOCK %s %s %d" % (block.name.upper(), kind, n))


if __name__ == "__main__":
    for name in sys.argv[1:]:
        print("FILE %s" % name)
        main(name)
        sys.stdout.flush()
