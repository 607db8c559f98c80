"""Attribute values to the pdravlik module's arrays, and its results back.

A NULL must reach the module as a missing value, so that the feature gets the
calculator's "No value in ..." error rather than a number or a crash.
"""
import math

import numpy as np
from qgis.core import QgsProcessingException
from qgis.PyQt.QtCore import QVariant

from .texts import text


def field_index(source, name):
    index = source.fields().lookupField(name)
    if index < 0:
        raise QgsProcessingException(text("error.field").format(name))
    return index


def is_null(value):
    return value is None or (isinstance(value, QVariant) and value.isNull())


def attribute_text(value):
    """A value as the text a CSV export of the layer would hold.

    Species and group values are compared as texts, as pdravlik-calc compares
    them; a whole number stored in a real field is written without ".0" so
    that it still reads as a species index.
    """
    if is_null(value):
        return ""
    if isinstance(value, str):
        return value
    if isinstance(value, float):
        return str(int(value)) if value.is_integer() else repr(value)
    return str(value)


def number(value):
    return math.nan if is_null(value) else float(value)


def number_array(values):
    return np.array([number(value) for value in values], dtype=np.float64)


def text_array(values):
    return np.array([attribute_text(value) for value in values], dtype=object)


def result_value(value):
    """A result as an attribute: the module's NaN of a failed element is NULL."""
    value = float(value)
    return None if math.isnan(value) else value


def result_text(value):
    """A warning or error as an attribute: NULL where there is none."""
    return value or None
