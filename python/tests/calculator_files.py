"""Tree files for pdravlik-calc, written and read back as the tests need them."""
import os
import subprocess

import numpy as np
import pandas


def calculator():
    return os.environ["PDRAVLIK_CALC"]


def number_texts(values):
    """Shortest round-trip texts, "" for NaN (an empty field)."""
    values = np.asarray(values, dtype=np.float64)
    return np.where(np.isnan(values), "", values.astype(object).astype(str))


def quoted(texts):
    """Quoted where CSV needs it."""
    texts = np.asarray(texts, dtype=object)
    needs = [text for text in set(texts.tolist()) if any(c in text for c in ',"\r\n')]
    for text in needs:
        texts = np.where(texts == text, '"%s"' % text.replace('"', '""'), texts)
    return texts


def write_csv(path, columns):
    """`columns`: name to texts, integers, or numbers written as number_texts."""
    texts = [quoted(values) if np.asarray(values).dtype.kind in "UO" else
             np.asarray(values).astype(str) if np.asarray(values).dtype.kind in "iu" else number_texts(values)
             for values in columns.values()]
    rows = map(",".join, zip(*(column.tolist() for column in texts)))
    with open(path, "w", newline="", encoding="utf-8") as out:
        out.write(",".join(columns) + "\n" + "\n".join(rows) + "\n")


def read_csv(path):
    """Name to array of texts."""
    table = pandas.read_csv(path, dtype=str, keep_default_na=False, na_filter=False, encoding="utf-8")
    return {name: table[name].to_numpy(dtype=object) for name in table.columns}


def run(*arguments):
    """pdravlik-calc's exit status; 2 (a refused command line or input) fails."""
    done = subprocess.run([calculator(), *arguments], capture_output=True, text=True)
    assert done.returncode in (0, 1), done.stderr
    return done.returncode


def numbers_of(texts):
    texts = np.asarray(texts, dtype=object)
    return np.where(texts == "", "nan", texts).astype(np.float64)


def same_doubles(actual, expected):
    """Bit for bit, NaN (no value) where the other has NaN."""
    actual, expected = np.asarray(actual, dtype=np.float64), np.asarray(expected, dtype=np.float64)
    assert actual.shape == expected.shape
    missing = np.isnan(actual)
    assert np.array_equal(missing, np.isnan(expected)), np.flatnonzero(missing != np.isnan(expected))[:10]
    differ = np.flatnonzero(actual.view(np.uint64)[~missing] != expected.view(np.uint64)[~missing])
    assert differ.size == 0, (actual[~missing][differ[:5]], expected[~missing][differ[:5]])
