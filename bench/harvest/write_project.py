#!/usr/bin/python3
"""Writes the drawings of a piping project with ezdxf, as another CAD program
would write them: each drawing PIPES pipe solids marked by the pipe program
(extended data of application "trb": 1070 = 10, 1010 = length, outer radius,
inner radius) among OTHERS other entities (alternately a plain solid and a
line), on Cyrillic layers, saved with an identity of its own.

    write_project.py FOLDER DRAWINGS PIPES OTHERS
"""
import os
import sys
import uuid

import ezdxf


def write_drawing(path, pipes, others, serial):
    doc = ezdxf.new("R2010")
    doc.appids.new("trb")
    doc.header["$FINGERPRINTGUID"] = "{%s}" % str(uuid.UUID(int=serial)).upper()
    for name in ("Трубы_ХВС", "Трубы_ГВС", "Оборудование"):
        doc.layers.add(name)
    msp = doc.modelspace()
    for i in range(pipes):
        solid = msp.new_entity("3DSOLID", {"layer": "Трубы_ХВС" if i % 2 else "Трубы_ГВС"})
        solid.set_xdata("trb", [(1070, 10), (1010, (1000.0 + i, 25.0 + i % 5, 20.0))])
    for i in range(others):
        if i % 2:
            msp.add_line((0, 0), (i, 1), dxfattribs={"layer": "0"})
        else:
            msp.new_entity("3DSOLID", {"layer": "Оборудование"})
    doc.saveas(path)


def main():
    folder, drawings, pipes, others = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    os.makedirs(folder, exist_ok=True)
    for serial in range(1, drawings + 1):
        write_drawing(os.path.join(folder, "Секция %02d.dwg" % serial), pipes, others, serial)


if __name__ == "__main__":
    main()
