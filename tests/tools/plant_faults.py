#!/usr/bin/python3
"""Plants one fault of each kind the data check across tables finds into a
demo data set, written with python3-dbf, an independent writer.

usage: plant_faults.py DIR tables   (before the indexes are rebuilt)
       plant_faults.py DIR keys     (after: an index key that does not compile)

Prints one line per planted fault, "FAULT ALIAS RECNO FIELD", and one per
record that is near a fault but sound, "SOUND ALIAS RECNO"."""
import os
import sys

import dbf

folder, phase = sys.argv[1], sys.argv[2]


def table(name):
    t = dbf.Table(os.path.join(folder, name + ".dbf"))
    t.open(mode=dbf.READ_WRITE)
    return t


def append(t, alias, values, field=None):
    t.append(values)
    recno = len(t)
    if field:
        print("FAULT", alias, recno, field)
    else:
        print("SOUND", alias, recno)
    return recno


def change(t, alias, recno, field, **values):
    rec = t[recno - 1]
    with rec:
        for name, value in values.items():
            setattr(rec, name, value)
    if field:
        print("FAULT", alias, recno, field)
    else:
        print("SOUND", alias, recno)


def poke(name, recno, field, text):
    """Writes `text` into a character field byte for byte, blanks included
    (python3-dbf trims leading blanks): straight into the file, by its header."""
    with open(os.path.join(folder, name + ".dbf"), "r+b") as f:
        head = f.read(32)
        header_length = int.from_bytes(head[8:10], "little")
        record_length = int.from_bytes(head[10:12], "little")
        offset = 1
        while True:
            desc = f.read(32)
            if desc[0] == 0x0D:
                raise SystemExit("no field " + field)
            width = desc[16]
            if desc[:11].rstrip(b"\0").decode("ascii") == field:
                break
            offset += width
        f.seek(header_length + (recno - 1) * record_length + offset)
        f.write(text.ljust(width).encode("ascii"))


def first(t, **wanted):
    for i, rec in enumerate(t):
        if all(str(getattr(rec, k)).strip() == v for k, v in wanted.items()):
            return i + 1
    raise SystemExit("no record with %r" % wanted)


if phase == "tables":
    t = table("libcat")
    append(t, "LIBCAT", {"code": "RES", "desc": "SECOND RES"}, "CODE")
    t.close()

    # 24 demo entries; the planted ones make 31 records, so SERIAL up to 31 can be named.
    t = table("lib")
    append(t, "LIB", {"code": "PLANTCAT", "category": "NOSUCH", "serial": 25, "group": 7, "number": 1}, "CATEGORY")
    append(t, "LIB", {"code": "PLANTSER", "category": "RES", "serial": 3, "group": 7, "number": 2}, "SERIAL")
    append(t, "LIB", {"code": "PLANTPOS", "category": "RES", "serial": 27, "group": 1, "number": 4}, "GROUP")
    append(t, "LIB", {"code": "PLANTZERO", "category": "RES", "serial": 0, "group": 7, "number": 4}, "SERIAL")
    append(t, "LIB", {"code": "PLANTHIGH", "category": "RES", "serial": 99, "group": 7, "number": 8}, "SERIAL")
    append(t, "LIB", {"code": "RS400", "category": "RES", "serial": 28, "group": 8, "number": 1}, "CODE")
    # Deleted: hidden everywhere, so neither its code nor its numbers count.
    gone = append(t, "LIB", {"code": "RS450", "category": "GONE", "serial": 2, "group": 1, "number": 2})
    dbf.delete(t[gone - 1])
    t.close()

    t = table("stockcat")
    append(t, "STOCKCAT", {"code": "FRM", "desc": "SECOND FRM"}, "CODE")
    t.close()

    t = table("stock")
    append(t, "STOCK", {"code": "PLANT-STK", "desc": "NO CATEGORY", "category": "NOSUCH"}, "CATEGORY")
    append(t, "STOCK", {"code": "RS400-HD", "desc": "SECOND HEAD", "category": "FRM"}, "CODE")
    t.close()

    t = table("assemcat")
    append(t, "ASSEMCAT", {"code": "FIXED", "desc": "SECOND FIXED"}, "CODE")
    t.close()

    t = table("assembly")
    append(t, "ASSEMBLY", {"code": "PLANT-LIB", "assemcat": "FIXED", "lib": "NOSUCH"}, "LIB")
    append(t, "ASSEMBLY", {"code": "PLANT-CAT", "assemcat": "NOSUCH", "lib": "RS400"}, "ASSEMCAT")
    append(t, "ASSEMBLY", {"code": "RS400-FX2", "assemcat": "FIXED", "lib": "RS400"}, "CODE")
    t.close()

    # RS500-AW1 uses RS500, whose limit is 3 mm.
    t = table("assline")
    line = {"asscode": "RS500-AW1", "stkcode": "RS500-HD", "type": "L", "labour": False}
    append(t, "ASSLINE", dict(line, asscode="GONE-CFG"), "ASSCODE")
    append(t, "ASSLINE", dict(line, stkcode="NO-SUCH-ITEM"), "STKCODE")
    append(t, "ASSLINE", dict(line, stkcode="NO-SUCH-LABOUR", type="X", labour=True), "STKCODE")
    append(t, "ASSLINE", dict(line, type="Z"), "TYPE")
    append(t, "ASSLINE", dict(line, adjust=4), "ADJUST")
    append(t, "ASSLINE", dict(line, adjust2=-4), "ADJUST2")
    append(t, "ASSLINE", dict(line, adjust=3, adjust2=-3))         # at the limit
    append(t, "ASSLINE", dict(line, type="X", labour=True))       # labour lines take any type
    t.close()

    t = table("asspanel")
    append(t, "ASSPANEL", {"asscode": "GONE-CFG", "panelcode": "P1"}, "ASSCODE")
    t.close()

    t = table("punchole")
    append(t, "PUNCHOLE", {"asscode": "GONE-CFG", "desc": "SLOT", "dimension": "W/2"}, "ASSCODE")
    append(t, "PUNCHOLE", {"asscode": "RS500-AW1", "desc": "SLOT", "dimension": "W/2", "adjust": -5}, "ADJUST")
    t.close()

    # Each in a configuration of its own: a drawing stops at its first failure.
    t = table("assdraw")
    element = {"type": "LINE", "fromrow": "0", "fromcol": "0", "torow": "H", "tocol": "W"}
    append(t, "ASSDRAW", dict(element, asscode="GONE-CFG"), "ASSCODE")
    append(t, "ASSDRAW", dict(element, asscode="RS400-FX2", fromrow="H+"), "FROMROW")
    append(t, "ASSDRAW", dict(element, asscode="RS450-SW2", fromcol="ASSCODE"), "FROMCOL")  # text, not a number
    append(t, "ASSDRAW", dict(element, asscode="RS500-AW1", type="CIRCLE"), "TYPE")
    append(t, "ASSDRAW", dict(element, asscode="RS525-DH1", condition="LOUVRE .AND."), "CONDITION")
    append(t, "ASSDRAW", dict(element, asscode="RS600-SD2", type="FUNCTION", fn="SPIRAL(3)"), "FN")
    append(t, "ASSDRAW", dict(element, asscode="RS650-ST3", torow=""), "TOROW")
    append(t, "ASSDRAW", dict(element, asscode="RS700-BF3", condition="NOSUCHFIELD"), "CONDITION")
    append(t, "ASSDRAW", dict(element, asscode="RS750-LV2", type="FUNCTION", fn="BLADES(PITCH)"), "FN")
    append(t, "ASSDRAW", dict(element, asscode="RS750-LV1", type="FUNCTION", fn="blades( 100 )", condition="LOUVRE"))
    t.close()

    t = table("mitrex")
    change(t, "MITREX", first(t, custno="1"), "LIBCODE1", libcode1="F5G0-10")
    blank = first(t, custno="2")
    change(t, "MITREX", first(t, custno="3"), "LIBCODE1", libcode1="0000-0000-1")  # digit 9: no entry
    change(t, "MITREX", first(t, custno="4"), None, libcode1="f500-10")  # lower case reads as upper
    t.close()
    poke("mitrex", blank, "LIBCODE1", " 0B00-18")
    print("FAULT MITREX %d LIBCODE1" % blank)

elif phase == "keys":
    t = table("indexdef")
    change(t, "INDEXDEF", first(t, in_name="libcatg"), "IN_STR", in_str="CATEGORY+")
    t.close()
