"""PDravlik's growth and volume models over numpy arrays.

The same models, numbers and texts as ``pdravlik-calc``: every element of
the result is the double the calculator writes for the same inputs, and every
error and warning reads as the calculator's error and warning columns.

Species are integer indices 0 to 12 (see ``SPECIES``) or texts read as the
calculator reads a species column: codes ("SM"), indices ("0") and Czech,
Latin or English names. Numbers are converted to float64; NaN stands for a
missing value. Inputs broadcast against each other as numpy arrays do.
"""
import collections
import csv
import io

import numpy as np

from . import _pdravlik

__all__ = ["SPECIES", "ModelError", "Results", "height", "diameter", "site_index", "volume", "stand_volume",
           "stand_summary"]

#: The modelled species' codes in index order, as foresters write them.
SPECIES = tuple(_pdravlik.SPECIES)

Results = collections.namedtuple("Results", ["values", "error", "warning"])
Results.__doc__ = """Values with each element's error and warning ("" where none)."""


class ModelError(ValueError):
    """An element with an error or a warning where ``strict=True`` was asked."""


# ---- Arguments as the extension takes them ------------------------------------------------

def _texts(values):
    """Texts as numpy's str, or objects the extension reads as their texts
    (None and NaN as missing values, anything else as str() writes it)."""
    array = np.asarray(values)
    if array.dtype.kind == "U":
        return array.astype(np.str_, copy=False)
    return array.astype(object, copy=False)


def _species(species):
    """Integer indices as int64, anything else as its text."""
    array = np.asarray(species)
    if array.dtype.kind == "i" or (array.dtype.kind == "u" and array.dtype.itemsize < 8):
        return array.astype(np.int64, copy=False)
    return _texts(array)


def _flat(array, shape):
    """One-dimensional and contiguous: one element where it is shared by all."""
    if array.size == 1:
        return np.ascontiguousarray(array).reshape(1)
    return np.ascontiguousarray(np.broadcast_to(array, shape)).reshape(-1)


def _evaluate(command, species, numbers, *, rounded, strict, errors, all_volumes=False):
    species = _species(species)
    numbers = [np.asarray(number, dtype=np.float64) for number in numbers]
    shape = np.broadcast_shapes(species.shape, *(number.shape for number in numbers))
    count = int(np.prod(shape, dtype=np.int64))
    values, error, warning, first = _pdravlik.evaluate(
        command, _flat(species, shape), [_flat(number, shape) for number in numbers], count,
        bool(rounded), bool(all_volumes), bool(strict), bool(errors))
    if first is not None:
        raise ModelError("element %d: %s" % first)
    values = values.reshape(shape + (4,) if all_volumes else shape)
    if not errors:
        return float(values) if values.ndim == 0 else values
    error, warning = (_spread(found, count).reshape(shape) for found in (error, warning))
    if not shape:
        return Results(float(values) if values.ndim == 0 else values, str(error[()]), str(warning[()]))
    return Results(values, error, warning)


def _spread(found, count):
    """Texts of some elements as an object array of all, "" elsewhere."""
    elements, codes, texts = found
    out = np.full(count, "", dtype=object)
    if len(elements):
        unique = np.empty(len(texts), dtype=object)
        unique[:] = texts
        out[elements.astype(np.intp)] = unique[codes]
    return out


_COMMON = """
    rounded : bool
        Round as ``pdravlik-calc --round`` and the tables do: tenths for
        heights and diameters, hundredths for volumes, whole site indices.
    strict : bool
        A warning makes the element an error, as ``pdravlik-calc --strict``
        does. Without ``errors=True``, raise ModelError ("element I: TEXT",
        I the flat index in C order) for the first element with an error.
    errors : bool
        Return Results(values, error, warning), with each element's texts
        as ``pdravlik-calc`` writes them; "" where there is none.

    Returns
    -------
    numpy.ndarray or float or Results
        float64, NaN where an element has an error; a float for scalar
        inputs.

    Raises
    ------
    ModelError
        With ``strict=True`` and without ``errors=True``.
    ValueError
        For inputs that do not broadcast or numbers numpy cannot convert.
"""


def height(species, age, site_index, *, rounded=False, strict=False, errors=False):
    return _evaluate("height", species, [age, site_index], rounded=rounded, strict=strict, errors=errors)


def diameter(species, age, height, *, rounded=False, strict=False, errors=False):
    return _evaluate("diameter", species, [age, height], rounded=rounded, strict=strict, errors=errors)


def site_index(species, age, height, *, rounded=False, strict=False, errors=False):
    return _evaluate("site-index", species, [age, height], rounded=rounded, strict=strict, errors=errors)


def volume(species, diameter, height, *, all=False, rounded=False, strict=False, errors=False):
    return _evaluate("volume", species, [diameter, height], rounded=rounded, strict=strict, errors=errors,
                     all_volumes=all)


def stand_volume(species, diameter, height, trees_per_ha, *, rounded=False, strict=False, errors=False):
    return _evaluate("stand-volume", species, [diameter, height, trees_per_ha], rounded=rounded, strict=strict,
                     errors=errors)


height.__doc__ = """A stand's mean height (m) from its age and site index.

    Parameters
    ----------
    species : array_like of int or str
    age : array_like of float
        Years.
    site_index : array_like of float
        The stand's height at 100 years, m.""" + _COMMON

diameter.__doc__ = """A stand's mean diameter (cm) from its age and mean height.

    Parameters
    ----------
    species : array_like of int or str
    age : array_like of float
        Years.
    height : array_like of float
        The stand's mean height, m.""" + _COMMON

site_index.__doc__ = """A stand's site index (its height at 100 years, m) from its age and height.

    Parameters
    ----------
    species : array_like of int or str
    age : array_like of float
        Years.
    height : array_like of float
        The stand's mean height, m.""" + _COMMON

volume.__doc__ = """A tree's volume (m3) from its diameter and height.

    Parameters
    ----------
    species : array_like of int or str
    diameter : array_like of float
        At breast height, cm.
    height : array_like of float
        m.
    all : bool
        The four outputs V1 to V4 along a last axis of 4 (as
        ``pdravlik-calc --all``) instead of V1, the primary volume.""" + _COMMON

stand_volume.__doc__ = """A stand's volume per hectare (m3/ha) from its mean tree and its trees per hectare.

    Parameters
    ----------
    species : array_like of int or str
    diameter : array_like of float
        The mean tree's diameter, cm.
    height : array_like of float
        The mean tree's height, m.
    trees_per_ha : array_like of float""" + _COMMON


# ---- The stand summary ----------------------------------------------------------------------

_COUNTS = ("trees", "left_out")
_NUMBERS = ("trees_per_ha", "basal_area_per_ha", "qmd", "lorey_height", "dominant_height", "volume",
            "volume_per_ha")
_SUMMARY = ("species",) + _COUNTS + _NUMBERS + ("warning", "error")


def _group_names(groups):
    names = []
    for name in groups:
        if not isinstance(name, str):
            raise TypeError("a group's name must be a str, not %r" % (name,))
        written = name.strip(" \t")
        if not written or written in _SUMMARY or written in names:
            raise ValueError("group name %r is empty, repeated or one of the summary's columns" % (name,))
        names.append(written)
    return names


def _summary_columns(text):
    rows = list(csv.reader(io.StringIO(text, newline="")))
    header, lines = rows[0], rows[1:]
    columns = {}
    for index, name in enumerate(header):
        fields = [line[index] for line in lines]
        if name in _COUNTS:
            columns[name] = np.array([int(field) for field in fields], dtype=np.int64)
        elif name in _NUMBERS:
            columns[name] = np.array([float(field) if field else np.nan for field in fields], dtype=np.float64)
        else:
            column = np.empty(len(fields), dtype=object)
            column[:] = fields
            columns[name] = column
    return columns


def stand_summary(species, diameter, height, *, plot_area=None, plot_area_per_tree=None, groups=None,
                  fill_heights=False, curve="naslund", min_heights=5):
    """A tree list's growing stock per hectare, as ``pdravlik-calc stand`` sums it.

    One line per group and species and one per group for all species
    ("all"), groups in the order their first tree comes.

    Parameters
    ----------
    species : array_like of int or str
        Each tree's species.
    diameter, height : array_like of float
        cm and m; NaN where missing (a missing height is filled from a curve
        with ``fill_heights``).
    plot_area : float, optional
        Every group's plot area, m2 (``--plot-area``).
    plot_area_per_tree : array_like of float, optional
        Each tree's plot area, m2 (``--plot-area-column``); one of the two.
    groups : dict of str to array_like, optional
        Group columns (plots, stands) by name, each with every tree's value,
        in the order of ``--group-by``. None: all trees are one plot.
    fill_heights : bool
        Fill missing heights from a height curve per group and species.
    curve : {"naslund", "michailoff"}
    min_heights : int
        The fewest measured heights a curve takes.

    Returns
    -------
    dict of str to numpy.ndarray
        The columns ``pdravlik-calc stand`` writes, in its order: the group
        columns, species, trees, trees_per_ha, basal_area_per_ha, qmd,
        lorey_height, dominant_height, volume, volume_per_ha, left_out,
        warning, error. Counts are int64, numbers float64 (NaN where the
        calculator leaves the field empty), texts object arrays of str.

    Raises
    ------
    ValueError
        For a plot area that is missing, given twice or not above 0, an
        unknown curve, too few min_heights, or bad group names.
    """
    if (plot_area is None) == (plot_area_per_tree is None):
        raise ValueError("stand_summary takes the plots' area: plot_area=M2 or plot_area_per_tree=ARRAY")
    if plot_area is not None and not (np.isfinite(plot_area) and plot_area > 0):
        raise ValueError("plot_area takes the plot's area in m2, above 0, not %r" % (plot_area,))
    if int(min_heights) != min_heights:
        raise ValueError("min_heights takes a whole number of trees, not %r" % (min_heights,))
    groups = dict(groups or {})
    names = _group_names(groups)
    columns = [_species(species), np.asarray(diameter, dtype=np.float64), np.asarray(height, dtype=np.float64)]
    columns += [_texts(values) for values in groups.values()]
    if plot_area_per_tree is not None:
        columns.append(np.asarray(plot_area_per_tree, dtype=np.float64))
    shape = np.broadcast_shapes(*(column.shape for column in columns))
    columns = [np.ascontiguousarray(np.broadcast_to(column, shape)).reshape(-1) for column in columns]
    areas = columns.pop() if plot_area_per_tree is not None else None
    text = _pdravlik.stand_summary(columns[0], columns[1], columns[2], areas,
                                   None if plot_area is None else float(plot_area), names, columns[3:],
                                   bool(fill_heights), str(curve), int(min_heights))
    return _summary_columns(text)
