"""Prints a dBASE table as dbfread reads it: one line per record, values
separated by tabs, numbers as repr() gives them, nothing for null."""
import sys

import dbfread

for record in dbfread.DBF(sys.argv[1], load=False):
    print("\t".join("" if value is None else repr(value) if not isinstance(value, str) else value
                    for value in record.values()))
