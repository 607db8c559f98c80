#!/usr/bin/env python3
"""Prints a dBASE table as an independent reader sees it, for the engine's tests.

    read_table.py dbfread|gdal TABLE.dbf

First line: "fields", then name:type for each field (dbfread: the file's type
letter; GDAL: its field type). Then one line per record, fields separated by
tabs: a string as the reader returns it (dbfread: the stored characters,
trailing blanks kept), a number as the shortest text of the double the reader
read, "<null>" for an empty field.
"""
import contextlib
import os
import sqlite3
import subprocess
import sys
import tempfile


def number(value):
    # repr() is the shortest text that reads back as the same double.
    return repr(float(value))


def dbfread_lines(path):
    import dbfread
    raw_table = dbfread.DBF(path, raw=True)
    parsed_table = dbfread.DBF(path)
    yield "\t".join(["fields"] + ["%s:%s" % (f.name, f.type) for f in raw_table.fields])
    for raw, parsed in zip(raw_table, parsed_table):
        values = []
        for field in raw_table.fields:
            value = parsed[field.name]
            if value is None:
                values.append("<null>")
            elif field.type == "C":
                values.append(raw[field.name].decode(raw_table.encoding))
            else:
                values.append(number(value))
        yield "\t".join(values)


def gdal_lines(path):
    summary = subprocess.run(["ogrinfo", "-ro", "-so", "-al", path], check=True,
                             capture_output=True, text=True).stdout
    fields = []
    in_fields = False
    for line in summary.splitlines():
        if line.startswith("Layer SRS WKT") or line.startswith("Geometry:"):
            in_fields = True
            continue
        if in_fields and ": " in line and "(" in line:
            name, kind = line.split(": ", 1)
            fields.append((name.strip(), kind.split(" ")[0]))
    yield "\t".join(["fields"] + ["%s:%s" % field for field in fields])
    # GDAL's text outputs (ogrinfo, CSV, GeoJSON) round doubles; a GeoPackage
    # keeps the binary double that GDAL read.
    with tempfile.TemporaryDirectory() as directory:
        package = os.path.join(directory, "read.gpkg")
        subprocess.run(["ogr2ogr", "-f", "GPKG", package, path, "-nln", "records"], check=True)
        with contextlib.closing(sqlite3.connect(package)) as connection:
            rows = connection.execute("SELECT * FROM records ORDER BY fid").fetchall()
    negative_zeros = None
    for index, row in enumerate(rows):
        values = []
        for (name, kind), value in zip(fields, row[1:]):
            if value is None:
                values.append("<null>")
            elif kind == "String":
                values.append(value)
            else:
                if value == 0:
                    # SQLite stores a whole REAL as an integer, dropping the
                    # sign of -0.0; ogrinfo's text still shows it.
                    if negative_zeros is None:
                        negative_zeros = gdal_negative_zeros(path)
                    value = -0.0 if (index, name) in negative_zeros else 0.0
                values.append(number(value))
        yield "\t".join(values)


def gdal_negative_zeros(path):
    """(feature index, field name) of every zero that ogrinfo prints with a minus."""
    text = subprocess.run(["ogrinfo", "-ro", "-q", "-al", path], check=True,
                          capture_output=True, text=True).stdout
    found = set()
    feature = -1
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("OGRFeature("):
            feature += 1
        elif " (Real) = " in line:
            name, value = line.split(" (Real) = ", 1)
            if value.startswith("-") and float(value) == 0:
                found.add((feature, name))
    return found


def main():
    reader, path = sys.argv[1], sys.argv[2]
    lines = dbfread_lines(path) if reader == "dbfread" else gdal_lines(path)
    for line in lines:
        print(line)


if __name__ == "__main__":
    main()
