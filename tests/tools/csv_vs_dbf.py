#!/usr/bin/python3
"""Compares a CSV export with a DBF table as read by dbfread, an independent
reader: csv_vs_dbf.py TABLE.dbf FILE.csv N...  where N are the 1-based
positions of the live records the export should hold, in its order. Dates
are compared in the dd/mm/yy style, numbers by value, logicals as T/F.
Prints "same N" or the first difference."""
import csv
import sys
from dbfread import DBF

table = DBF(sys.argv[1], encoding="latin-1", ignore_missing_memofile=False)
records = list(table)
wanted = [records[int(n) - 1] for n in sys.argv[3:]]
with open(sys.argv[2], newline="", encoding="utf-8") as f:
    rows = list(csv.reader(f))
names = [fd.name for fd in table.fields]
if rows[0] != names:
    sys.exit(print("header", rows[0], "is not", names))
if len(rows) - 1 != len(wanted):
    sys.exit(print(len(rows) - 1, "rows, not", len(wanted)))
for k, (row, rec) in enumerate(zip(rows[1:], wanted), 1):
    for fd, cell in zip(table.fields, row):
        value = rec[fd.name]
        if fd.type in "NF":
            same = (cell == "" and value is None) or (cell != "" and value is not None and float(cell) == float(value))
        elif fd.type == "D":
            same = cell == ("" if value is None else value.strftime("%d/%m/%y"))
        elif fd.type == "L":
            same = cell == ("T" if value else "F")
        else:
            same = cell == (value or "")
        if not same:
            sys.exit(print("row", k, fd.name, repr(cell), "is not", repr(value)))
print("same", len(wanted))
