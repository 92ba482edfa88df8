#!/usr/bin/python3
"""Prints every record of a DBF table, memos included, as read by dbfread,
an independent reader: one line per record, fields separated by '|'."""
import sys
from dbfread import DBF

table = DBF(sys.argv[1], encoding="latin-1", ignore_missing_memofile=False, char_decode_errors="strict")
print("count", len(table.records) if hasattr(table, "records") else sum(1 for _ in table))
for name, records in (("live", table), ("deleted", table.deleted)):
    for rec in records:
        cells = []
        for key, value in rec.items():
            if value is None:
                value = ""
            elif hasattr(value, "strftime"):
                value = value.strftime("%Y%m%d")
            elif isinstance(value, float):
                value = "%.2f" % value
            elif isinstance(value, bool):
                value = "T" if value else "F"
            elif isinstance(value, str) and "\n" not in value and len(value) > 40:
                value = "len%d" % len(value)
            elif isinstance(value, str) and "\n" in value:
                value = value.replace("\r", "\\r").replace("\n", "\\n")
            cells.append(str(value))
        print(name + "|" + "|".join(cells))
