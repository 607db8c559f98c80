#!/usr/bin/env python3
"""pdravlik-calc reads CSV as Python's csv module reads it.

Random texts (quotes in every position, three delimiters, LF, CRLF and CR
line ends, a byte order mark, blank and delimiter-only lines, short and long
rows) go through `pdravlik-calc volume`; its output, read back with the csv
module, must hold the rows the csv module reads in the input, each fitted to
the header's width, plus the calculator's three columns; an input that ends
inside a quoted field must be refused.

    csv_differential_test.py PDRAVLIK_CALC [TRIALS]
"""
import csv
import io
import random
import subprocess
import sys

PIECES = ['a', 'b', 'SM', '7', ' ', '  ', '"', '""', ',', ';', '\t', '\n', '\r\n', '\r', 'é', 'ř', '-', ',,', ';;\n']
ADDED = ['volume', 'warning', 'error']


def random_text(rng, delimiter):
    text = ('\ufeff' if rng.random() < 0.1 else '') + ''.join(rng.choices(PIECES, k=rng.randint(0, 50)))
    if rng.random() < 0.01 and not ends_inside_quotes(text + '\n', delimiter):
        # Now and then rows enough for several of the reader's blocks.
        text = (text + '\n') * (3_000_000 // (len(text) + 1))
    return text


def rows(text, delimiter):
    return list(csv.reader(io.StringIO(text, newline=''), delimiter=delimiter))


def blank(row):
    return all(field.strip(' \t') == '' for field in row)


def ends_inside_quotes(text, delimiter):
    # The csv module takes such an end as closing the field; the calculator
    # refuses it. Its states, for this one question.
    state = 'field start'
    for c in text:
        if state == 'quoted':
            state = 'quote in quoted' if c == '"' else 'quoted'
        elif c == '"' and state in ('field start', 'quote in quoted'):
            state = 'quoted'
        elif c in (delimiter, '\n', '\r'):
            state = 'field start'
        else:
            state = 'field'
    return state == 'quoted'


def fitted(row, width):
    return row[:width] + [''] * (width - len(row))


def check(calculator, text, delimiter):
    run = subprocess.run([calculator, 'volume', '--species', 'SM', '-d', 'tab' if delimiter == '\t' else delimiter,
                          '--columns', 'diameter=#1,height=#1'],
                         input=text.encode(), capture_output=True, timeout=60)
    stderr = run.stderr.decode()
    records = [row for row in rows(text, delimiter) if not blank(row)]
    if ends_inside_quotes(text, delimiter):
        assert run.returncode == 2 and 'does not close before the end of the input' in stderr, (run.returncode, stderr)
        return
    if not records:
        assert run.returncode == 2 and 'the input is empty' in stderr, stderr
        return
    assert run.returncode in (0, 1), (run.returncode, stderr)
    header, body = records[0], records[1:]
    width = len(header)
    output = rows(run.stdout.decode(), delimiter)
    assert output[0] == header + ADDED, (output[0], header)
    assert len(output) == len(body) + 1, (len(output), len(body))
    for got, row in zip(output[1:], body):
        assert len(got) == width + len(ADDED), (got, row)
        assert got[:width] == fitted(row, width), (got, row)
        extra = row[width:]
        if any(field.strip(' \t') for field in extra):
            assert got[-1].startswith(f'{len(row)} fields where the header has {width}'), got
    assert f'{len(body)} row' in stderr, stderr


def main():
    csv.field_size_limit(sys.maxsize)
    calculator = sys.argv[1]
    trials = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    rng = random.Random(20261208)
    for trial in range(trials):
        delimiter = rng.choice([',', ';', '\t'])
        text = random_text(rng, delimiter)
        try:
            check(calculator, text, delimiter)
        except AssertionError as failure:
            print(f'trial {trial}, delimiter {delimiter!r}, input {text[:400]!r}:\n  {failure}', file=sys.stderr)
            return 1
    print(f'{trials} random texts read as Python reads them')
    return 0


if __name__ == '__main__':
    sys.exit(main())
