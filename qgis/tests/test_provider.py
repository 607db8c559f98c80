"""The Processing provider, run headless, against pdravlik-calc on the same attributes.

Run with the system Python, PYTHONPATH holding the pdravlik module and the
plugin's parent directory, and PDRAVLIK_CALC naming pdravlik-calc.
"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import pytest

# QGIS writes its settings and caches where these point; a run beside this
# one, or the user's own QGIS, must not see them.
SCRATCH = tempfile.mkdtemp(prefix="pdravlik-qgis-test-")
for variable, folder in (("QGIS_CUSTOM_CONFIG_PATH", "profile"), ("XDG_CONFIG_HOME", "config"),
                         ("XDG_CACHE_HOME", "cache"), ("XDG_DATA_HOME", "data")):
    os.environ[variable] = os.path.join(SCRATCH, folder)
    os.makedirs(os.environ[variable])
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
sys.path.append("/usr/share/qgis/python/plugins")

from qgis.core import (NULL, QgsApplication, QgsFeature, QgsField,  # noqa: E402
                       QgsGeometry, QgsPointXY, QgsProcessingException,
                       QgsProcessingFeedback, QgsSettings, QgsVectorFileWriter, QgsVectorLayer)
from qgis.PyQt.QtCore import QVariant  # noqa: E402

CALC = os.environ["PDRAVLIK_CALC"]

FIELDS = (("tree", QVariant.Int), ("plot", QVariant.Int), ("species", QVariant.String),
          ("species_index", QVariant.Int), ("diameter", QVariant.Double),
          ("height", QVariant.Double), ("age", QVariant.Double),
          ("site_index", QVariant.Double), ("plot_area", QVariant.Double))
# Codes, names, NULLs, an unknown species and values outside the models'
# domains (warnings) or beyond them (errors), in two plots and one without.
TREES = (
    (1, 1, "SM", 0, 32.5, 27.1, 80, 28, 500),
    (2, 1, "smrk", 0, 30.0, None, 60, 30, 500),
    (3, 1, "BK", 5, 41.0, 30.4, 100, 32, 500),
    (4, 1, "XY", 13, 25.0, 20.0, 50, 20, 500),
    (5, 1, None, None, 20.0, 18.0, 40, 24, 500),
    (6, 1, "Picea abies", 0, 28.0, 25.0, 70, 26, 500),
    (7, 1, "SM", 0, 325.0, 27.1, 200, 45, 500),
    (8, 1, "SM", 0, 30.0, 5.0, 0, 38, 500),
    (9, 2, "BO", 1, 22.0, 19.0, 120, 12, 400),
    (10, 2, "DB", 4, None, 22.0, None, 30, 400),
    (11, 2, "HB", 10, 18.0, 16.5, 15, 10, 400),
    (12, 2, "sm", 0, 24.0, 21.5, -5, None, 400),
    (13, 2, "SM", 0, 26.0, 23.0, 55, 28, 400),
    (14, 2, "Norway spruce", 0, 31.0, 26.5, 65, 30, 400),
    (15, 2, "SM", 0, 35.0, None, 90, 33, 400),
    (16, 2, "SM", 0, 18.0, 17.0, 35, 25, 400),
    (17, 2, "SM", 0, 40.0, 30.0, 110, 30, 250),
    (18, 2, "SM", 0, 29.0, None, 75, 27, 400),
    (19, None, "BK", 5, 33.0, 28.0, 95, 29, 300),
    (20, 1, "douglaska", 12, 45.0, 36.0, 100, 40.5, 500),
)


@pytest.fixture(scope="module")
def qgis():
    app = QgsApplication([], False)
    app.setPrefixPath("/usr", True)
    app.initQgis()
    from processing.core.Processing import Processing
    Processing.initialize()
    # Loaded as QGIS loads a plugin, from its metadata and classFactory.
    import qgis.utils
    qgis.utils.plugin_paths = [os.path.dirname(os.path.dirname(os.path.abspath(__file__)))]
    qgis.utils.updateAvailablePlugins()
    assert qgis.utils.pluginMetadata("pdravlik_provider", "name") == "PDravlik"
    assert qgis.utils.loadPlugin("pdravlik_provider")
    assert qgis.utils.startProcessingPlugin("pdravlik_provider")
    yield QgsApplication.processingRegistry().providerById("pdravlik")
    assert qgis.utils.unloadPlugin("pdravlik_provider")
    assert QgsApplication.processingRegistry().providerById("pdravlik") is None
    app.exitQgis()
    # Here rather than at exit, which a failed run may not reach.
    shutil.rmtree(SCRATCH)


@pytest.fixture
def scratch():
    with tempfile.TemporaryDirectory(dir=SCRATCH) as folder:
        yield folder


@pytest.fixture
def trees(qgis, scratch):
    """A GeoPackage of the trees, as points; the path processing takes."""
    layer = QgsVectorLayer("Point?crs=EPSG:5514", "trees", "memory")
    layer.dataProvider().addAttributes([QgsField(name, kind) for name, kind in FIELDS])
    layer.updateFields()
    features = []
    for number, values in enumerate(TREES):
        feature = QgsFeature(layer.fields())
        feature.setAttributes([NULL if value is None else value for value in values])
        feature.setGeometry(point(number))
        features.append(feature)
    assert layer.dataProvider().addFeatures(features)
    path = os.path.join(scratch, "trees.gpkg")
    options = QgsVectorFileWriter.SaveVectorOptions()
    options.driverName, options.layerName = "GPKG", "trees"
    error = QgsVectorFileWriter.writeAsVectorFormatV3(layer, path, layer.transformContext(), options)
    assert error[0] == QgsVectorFileWriter.NoError, error
    return path


def point(number):
    return QgsGeometry.fromPointXY(QgsPointXY(-745000.0 + 7.5 * number, -1045000.0 - 3.25 * number))


def run(algorithm, scratch, memory=False, **parameters):
    """The output layer of the algorithm, whose fields left out take their defaults.

    A GeoPackage, or a memory layer, which unlike SQLite keeps a NaN as a NaN.
    """
    import processing
    output = "TEMPORARY_OUTPUT" if memory else os.path.join(scratch, algorithm + ".gpkg")
    results = processing.run("pdravlik:" + algorithm,
                             dict(field_defaults(algorithm), **parameters, OUTPUT=output))
    layer = results["OUTPUT"] if memory else QgsVectorLayer(output, algorithm, "ogr")
    assert layer.isValid()
    return layer


def field_defaults(algorithm):
    """The fields the algorithm's dialog chooses by default, as a script must give them."""
    found = QgsApplication.processingRegistry().algorithmById("pdravlik:" + algorithm)
    return {parameter.name(): parameter.defaultValue() for parameter in found.parameterDefinitions()
            if parameter.type() == "field" and parameter.defaultValue()}


def csv_text(value):
    """An attribute as the text a CSV export holds."""
    if value is None or value == NULL:
        return ""
    if isinstance(value, float):
        return str(int(value)) if value.is_integer() else repr(value)
    return str(value)


def calculator(scratch, command, columns, *options):
    """pdravlik-calc's rows for the trees, with the given input columns."""
    source, result = os.path.join(scratch, "in.csv"), os.path.join(scratch, "out.csv")
    names = [name for name, _ in FIELDS]
    with open(source, "w", newline="", encoding="utf-8") as file:
        writer = csv.writer(file)
        writer.writerow(columns.get(name, name) for name in names)
        writer.writerows([csv_text(value) for value in values] for values in TREES)
    ran = subprocess.run([CALC, command, "-i", source, "-o", result, *options],
                         capture_output=True, text=True)
    assert ran.returncode in (0, 1), ran.stderr
    with open(result, newline="", encoding="utf-8") as file:
        return list(csv.DictReader(file))


def assert_number(value, expected, where):
    if expected == "":
        assert value == NULL, where
    else:
        assert isinstance(value, float) and value.hex() == float(expected).hex(), where


def assert_text(value, expected, where):
    assert (value == NULL and expected == "") or value == expected, where


def assert_results(layer, rows, numbers, texts=("warning", "error")):
    """The layer's results are the rows'; numbers names the fields, or maps them to columns."""
    numbers = numbers if isinstance(numbers, dict) else {name: name for name in numbers}
    features = list(layer.getFeatures())
    assert len(features) == len(rows)
    for feature, row in zip(features, rows):
        for name, column in numbers.items():
            assert_number(feature[name], row[column], (row, name))
        for name in texts:
            assert_text(feature[name], row[name], (row, name))


def assert_features_kept(layer, results):
    """Every tree in order, with its geometry and attributes, then the results alone."""
    names = [name for name, _ in FIELDS]
    assert [field.name() for field in layer.fields()] == ["fid"] + names + list(results)
    features = list(layer.getFeatures())
    assert len(features) == len(TREES)
    for number, (feature, values) in enumerate(zip(features, TREES)):
        assert [csv_text(feature[name]) for name in names] == [csv_text(value) for value in values]
        assert feature.geometry().asWkt() == point(number).asWkt()
    assert layer.crs().authid() == "EPSG:5514"


def test_tree_volume_is_the_calculators_with_features_kept(qgis, trees, scratch):
    layer = run("tree_volume", scratch, INPUT=trees)
    assert_features_kept(layer, ("volume", "warning", "error"))
    assert_results(layer, calculator(scratch, "volume", {}), ("volume",))
    errors = [feature["error"] for feature in layer.getFeatures()]
    assert "No value in species" in errors and "No value in height" in errors
    assert "Unknown species: XY" in errors
    assert any(feature["warning"] != NULL for feature in layer.getFeatures())


def test_tree_volume_options(qgis, trees, scratch):
    layer = run("tree_volume", scratch, INPUT=trees, ALL=True, STRICT=True)
    assert_features_kept(layer, ("v1", "v2", "v3", "v4", "warning", "error"))
    assert_results(layer, calculator(scratch, "volume", {}, "--all", "--strict"),
                   ("v1", "v2", "v3", "v4"))
    layer = run("tree_volume", scratch, memory=True, INPUT=trees, SPECIES="species_index", ROUNDED=True)
    rows = calculator(scratch, "volume", {"species": "code", "species_index": "species"}, "--round")
    assert_results(layer, rows, ("volume",))


def test_stand_growth_is_the_calculators(qgis, trees, scratch):
    # The layer's own height and site_index fields keep their names; the
    # results beside them are renamed, while the calculator's come last.
    for algorithm, command, result, column, options in (
            ("stand_height", "height", "height_2", "height", {}),
            ("stand_diameter", "diameter", "diameter_2", "diameter", {}),
            ("site_index", "site-index", "site_index_2", "site_index", {}),
            ("stand_diameter", "diameter", "diameter_2", "diameter", {"ROUNDED": True}),
            ("site_index", "site-index", "site_index_2", "site_index",
             {"ROUNDED": True, "STRICT": True})):
        layer = run(algorithm, scratch, INPUT=trees, **options)
        assert_features_kept(layer, (result, "warning", "error"))
        flags = ["--round"] * ("ROUNDED" in options) + ["--strict"] * ("STRICT" in options)
        assert_results(layer, calculator(scratch, command, {}, *flags), {result: column})


SUMMARY_NUMBERS = ("trees_per_ha", "basal_area_per_ha", "qmd", "lorey_height",
                   "dominant_height", "volume", "volume_per_ha")


def assert_summary(layer, rows, groups):
    assert layer.wkbType() == 100  # no geometry
    assert [field.name() for field in layer.fields()] == ["fid"] + list(rows[0])
    features = list(layer.getFeatures())
    assert len(features) == len(rows)
    for feature, row in zip(features, rows):
        for name in groups + ("species", "trees", "left_out"):
            assert csv_text(feature[name]) == row[name], (row, name)
        for name in SUMMARY_NUMBERS:
            assert_number(feature[name], row[name], (row, name))
        for name in ("warning", "error"):
            assert_text(feature[name], row[name], (row, name))


def test_stand_summary_is_the_calculators(qgis, trees, scratch):
    layer = run("stand_summary", scratch, INPUT=trees, GROUP_BY=["plot"], PLOT_AREA=500,
                FILL_HEIGHTS=True, MIN_HEIGHTS=3)
    rows = calculator(scratch, "stand", {}, "--group-by", "plot", "--plot-area", "500",
                      "--fill-heights", "--min-heights", "3")
    assert_summary(layer, rows, ("plot",))
    assert layer.fields().field("plot").type() == QVariant.Int
    assert [csv_text(feature["plot"]) for feature in layer.getFeatures()][-1] == ""

    layer = run("stand_summary", scratch, INPUT=trees, GROUP_BY=["plot", "species_index"],
                PLOT_AREA_FIELD="plot_area", FILL_HEIGHTS=True, CURVE=1, MIN_HEIGHTS=3)
    rows = calculator(scratch, "stand", {}, "--group-by", "plot,species_index",
                      "--plot-area-column", "plot_area", "--fill-heights", "--curve",
                      "michailoff", "--min-heights", "3")
    assert_summary(layer, rows, ("plot", "species_index"))

    layer = run("stand_summary", scratch, INPUT=trees, PLOT_AREA=1000)
    assert_summary(layer, calculator(scratch, "stand", {}, "--plot-area", "1000"), ())


def test_stand_summary_takes_one_plot_area(qgis, trees, scratch):
    import processing
    for areas in ({}, {"PLOT_AREA": 500, "PLOT_AREA_FIELD": "plot_area"}):
        with pytest.raises(QgsProcessingException):
            processing.run("pdravlik:stand_summary", dict(
                field_defaults("stand_summary"), **areas, INPUT=trees,
                OUTPUT=os.path.join(scratch, "no.gpkg")))
        assert not os.path.exists(os.path.join(scratch, "no.gpkg"))


def test_a_cancel_stops_before_any_feature(qgis, trees, scratch):
    import processing
    feedback = QgsProcessingFeedback()
    feedback.cancel()
    output = os.path.join(scratch, "cancelled.gpkg")
    processing.run("pdravlik:tree_volume", dict(field_defaults("tree_volume"), INPUT=trees, OUTPUT=output),
                   feedback=feedback)
    assert QgsVectorLayer(output, "cancelled", "ogr").featureCount() == 0


def test_help_follows_the_users_locale(qgis):
    settings = QgsSettings()
    try:
        texts = {}
        for locale in ("cs_CZ", "en_GB"):
            settings.setValue("locale/userLocale", locale)
            texts[locale] = {algorithm.id(): (algorithm.displayName(), algorithm.shortHelpString())
                             for algorithm in qgis.algorithms()}
    finally:
        settings.remove("locale/userLocale")
    assert len(texts["cs_CZ"]) == 5
    assert texts["cs_CZ"]["pdravlik:tree_volume"][0] == "Objem stromu"
    assert texts["en_GB"]["pdravlik:tree_volume"][0] == "Tree volume"
    for name, (title, help_text) in texts["cs_CZ"].items():
        english_title, english_help = texts["en_GB"][name]
        assert title != english_title and help_text != english_help
        assert "dřevin" in help_text, name
