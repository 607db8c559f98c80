"""A tree list's growing stock per hectare, by plot and species."""
import numpy as np
import pdravlik
from qgis.core import (QgsCoordinateReferenceSystem, QgsFeature, QgsFeatureRequest, QgsField,
                       QgsFields, QgsProcessing, QgsProcessingAlgorithm, QgsProcessingException,
                       QgsProcessingParameterBoolean, QgsProcessingParameterEnum,
                       QgsProcessingParameterFeatureSink, QgsProcessingParameterFeatureSource,
                       QgsProcessingParameterField, QgsProcessingParameterNumber,
                       QgsProcessingUtils, QgsWkbTypes)
from qgis.PyQt.QtCore import QVariant

from .attribute_values import (attribute_text, field_index, number_array, result_text,
                               result_value, text_array)
from .output_features import write_features
from .texts import text

CURVES = ("naslund", "michailoff")
# How many features are read between two looks at a cancel.
CANCEL_CHECK = 10000


class StandSummaryAlgorithm(QgsProcessingAlgorithm):
    INPUT = "INPUT"
    SPECIES = "SPECIES"
    DIAMETER = "DIAMETER"
    HEIGHT = "HEIGHT"
    GROUP_BY = "GROUP_BY"
    PLOT_AREA = "PLOT_AREA"
    PLOT_AREA_FIELD = "PLOT_AREA_FIELD"
    FILL_HEIGHTS = "FILL_HEIGHTS"
    CURVE = "CURVE"
    MIN_HEIGHTS = "MIN_HEIGHTS"
    OUTPUT = "OUTPUT"

    def name(self):
        return "stand_summary"

    def displayName(self):  # noqa: N802
        return text("stand_summary.name")

    def shortHelpString(self):  # noqa: N802
        return text("stand_summary.help")

    def createInstance(self):  # noqa: N802
        return StandSummaryAlgorithm()

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterFeatureSource(
            self.INPUT, text("input"), [QgsProcessing.TypeVector]))
        self.add_field(self.SPECIES, "species", QgsProcessingParameterField.Any)
        self.add_field(self.DIAMETER, "diameter", QgsProcessingParameterField.Numeric)
        self.add_field(self.HEIGHT, "height", QgsProcessingParameterField.Numeric)
        self.addParameter(QgsProcessingParameterField(
            self.GROUP_BY, text("group_by"), parentLayerParameterName=self.INPUT,
            allowMultiple=True, optional=True))
        self.addParameter(QgsProcessingParameterNumber(
            self.PLOT_AREA, text("plot_area"), QgsProcessingParameterNumber.Double,
            optional=True, minValue=0))
        self.addParameter(QgsProcessingParameterField(
            self.PLOT_AREA_FIELD, text("plot_area_field"), parentLayerParameterName=self.INPUT,
            type=QgsProcessingParameterField.Numeric, optional=True))
        self.addParameter(QgsProcessingParameterBoolean(self.FILL_HEIGHTS, text("fill_heights"), False))
        self.addParameter(QgsProcessingParameterEnum(self.CURVE, text("curve"), CURVES, defaultValue=0))
        self.addParameter(QgsProcessingParameterNumber(
            self.MIN_HEIGHTS, text("min_heights"), QgsProcessingParameterNumber.Integer, 5, minValue=3))
        self.addParameter(QgsProcessingParameterFeatureSink(
            self.OUTPUT, text("summary_output"), QgsProcessing.TypeVector))

    def add_field(self, parameter, column, kind):
        self.addParameter(QgsProcessingParameterField(
            parameter, text(column), defaultValue=column, parentLayerParameterName=self.INPUT,
            type=kind))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        source = self.parameterAsSource(parameters, self.INPUT, context)
        if source is None:
            raise QgsProcessingException(self.invalidSourceError(parameters, self.INPUT))
        names = self.input_fields(parameters, context)
        groups = self.parameterAsFields(parameters, self.GROUP_BY, context)
        columns = read_columns(source, list(names.values()) + groups, feedback)
        if feedback.isCanceled():
            return {}
        inputs = {key: columns[name] for key, name in names.items()}
        summary = self.summary(parameters, context, inputs, {group: columns[group] for group in groups})
        fields = summary_fields(source.fields(), groups, summary)
        sink, destination = self.parameterAsSink(
            parameters, self.OUTPUT, context, fields, QgsWkbTypes.NoGeometry,
            QgsCoordinateReferenceSystem())
        if sink is None:
            raise QgsProcessingException(self.invalidSinkError(parameters, self.OUTPUT))
        originals = {group: group_values(columns[group]) for group in groups}
        write_features(sink, list(summary_features(fields, summary, originals)))
        return {self.OUTPUT: destination}

    def input_fields(self, parameters, context):
        """The field of each of the module's inputs."""
        names = {column: self.parameterAsString(parameters, column.upper(), context)
                 for column in ("species", "diameter", "height")}
        area_field = self.parameterAsString(parameters, self.PLOT_AREA_FIELD, context)
        if bool(area_field) == (parameters.get(self.PLOT_AREA) is not None):
            raise QgsProcessingException(text("error.plot_area"))
        if area_field:
            names["plot_area_per_tree"] = area_field
        return names

    def summary(self, parameters, context, inputs, groups):
        options = {
            "groups": {group: text_array(values) for group, values in groups.items()} or None,
            "fill_heights": self.parameterAsBoolean(parameters, self.FILL_HEIGHTS, context),
            "curve": CURVES[self.parameterAsEnum(parameters, self.CURVE, context)],
            "min_heights": self.parameterAsInt(parameters, self.MIN_HEIGHTS, context),
        }
        if "plot_area_per_tree" in inputs:
            options["plot_area_per_tree"] = number_array(inputs["plot_area_per_tree"])
        else:
            options["plot_area"] = self.parameterAsDouble(parameters, self.PLOT_AREA, context)
        try:
            return pdravlik.stand_summary(text_array(inputs["species"]),
                                          number_array(inputs["diameter"]),
                                          number_array(inputs["height"]), **options)
        except ValueError as error:
            raise QgsProcessingException(str(error)) from error


def read_columns(source, names, feedback):
    """The named fields' values of every feature, in order, without geometry."""
    indices = {name: field_index(source, name) for name in names}
    request = QgsFeatureRequest().setFlags(QgsFeatureRequest.NoGeometry)
    request.setSubsetOfAttributes(sorted(set(indices.values())))
    columns = {name: [] for name in indices}
    for count, feature in enumerate(source.getFeatures(request)):
        if count % CANCEL_CHECK == 0 and feedback.isCanceled():
            break
        attributes = feature.attributes()
        for name, index in indices.items():
            columns[name].append(attributes[index])
    return columns


def group_values(values):
    """Each group's value as the layer holds it, by the text it was grouped by."""
    originals = {}
    for value in values:
        originals.setdefault(attribute_text(value), value)
    return originals


def summary_fields(input_fields, groups, summary):
    group_fields, result_fields = QgsFields(), QgsFields()
    for group in groups:
        group_fields.append(QgsField(input_fields.field(group)))
    for name, values in summary.items():
        if name not in groups:
            result_fields.append(QgsField(name, field_type(values)))
    return QgsProcessingUtils.combineFields(group_fields, result_fields)


def field_type(values):
    kind = np.asarray(values).dtype.kind
    if kind in "iu":
        return QVariant.LongLong
    return QVariant.Double if kind == "f" else QVariant.String


def summary_features(fields, summary, originals):
    converters = [column_values(name, values, originals) for name, values in summary.items()]
    for row in zip(*converters):
        feature = QgsFeature(fields)
        feature.setAttributes(list(row))
        yield feature


def column_values(name, values, originals):
    if name in originals:
        return [originals[name][str(value)] for value in values]
    kind = np.asarray(values).dtype.kind
    if kind in "iu":
        return [int(value) for value in values]
    if kind == "f":
        return [result_value(value) for value in values]
    return [result_text(str(value)) for value in values]
