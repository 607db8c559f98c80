"""The algorithms that add a model's results to every feature of a layer."""
import itertools

import numpy as np

from qgis.core import (QgsField, QgsFields, QgsProcessing, QgsProcessingAlgorithm,
                       QgsProcessingException, QgsProcessingParameterBoolean,
                       QgsProcessingParameterFeatureSink, QgsProcessingParameterFeatureSource,
                       QgsProcessingParameterField, QgsProcessingUtils)
from qgis.PyQt.QtCore import QVariant

from .attribute_values import field_index, number_array, result_text, result_value, text_array
from .output_features import write_features
from .texts import text

# Features are computed a block at a time: whole arrays for the module, while
# memory stays bounded and a cancel is seen soon.
BLOCK = 10000


class FeatureModelAlgorithm(QgsProcessingAlgorithm):
    INPUT = "INPUT"
    OUTPUT = "OUTPUT"
    ROUNDED = "ROUNDED"
    STRICT = "STRICT"
    # Set by each algorithm: its id, the model's inputs in the model's order
    # (also the calculator's column names, which the fields default to), the
    # model and its result's name.
    ALGORITHM_ID = ""
    INPUTS = ()
    RESULT = ""

    def model(self):
        raise NotImplementedError

    def name(self):
        return self.ALGORITHM_ID

    def displayName(self):  # noqa: N802
        return text(self.ALGORITHM_ID + ".name")

    def shortHelpString(self):  # noqa: N802
        return text(self.ALGORITHM_ID + ".help")

    def createInstance(self):  # noqa: N802
        return type(self)()

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterFeatureSource(
            self.INPUT, text("input"), [QgsProcessing.TypeVector]))
        for column in self.INPUTS:
            kind = (QgsProcessingParameterField.Any if column == "species"
                    else QgsProcessingParameterField.Numeric)
            self.addParameter(QgsProcessingParameterField(
                column.upper(), text(column), defaultValue=column,
                parentLayerParameterName=self.INPUT, type=kind))
        self.addParameter(QgsProcessingParameterBoolean(self.ROUNDED, text("rounded"), False))
        self.addParameter(QgsProcessingParameterBoolean(self.STRICT, text("strict"), False))
        self.add_options()
        self.addParameter(QgsProcessingParameterFeatureSink(self.OUTPUT, text("output")))

    def add_options(self):
        """Parameters of one algorithm alone."""

    def model_options(self, parameters, context):
        return {"rounded": self.parameterAsBoolean(parameters, self.ROUNDED, context),
                "strict": self.parameterAsBoolean(parameters, self.STRICT, context)}

    def result_names(self, options):
        return (self.RESULT,)

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        source = self.parameterAsSource(parameters, self.INPUT, context)
        if source is None:
            raise QgsProcessingException(self.invalidSourceError(parameters, self.INPUT))
        indices = [field_index(source, self.parameterAsString(parameters, column.upper(), context))
                   for column in self.INPUTS]
        options = self.model_options(parameters, context)
        fields = QgsProcessingUtils.combineFields(source.fields(), self.result_fields(options))
        sink, destination = self.parameterAsSink(
            parameters, self.OUTPUT, context, fields, source.wkbType(), source.sourceCrs())
        if sink is None:
            raise QgsProcessingException(self.invalidSinkError(parameters, self.OUTPUT))
        self.compute_blocks(source, sink, indices, options, feedback)
        return {self.OUTPUT: destination}

    def result_fields(self, options):
        fields = QgsFields()
        for name in self.result_names(options):
            fields.append(QgsField(name, QVariant.Double))
        fields.append(QgsField("warning", QVariant.String))
        fields.append(QgsField("error", QVariant.String))
        return fields

    def compute_blocks(self, source, sink, indices, options, feedback):
        features = source.getFeatures()
        total, done = source.featureCount(), 0
        while not feedback.isCanceled():
            block = list(itertools.islice(features, BLOCK))
            if not block:
                break
            write_features(sink, self.computed(block, indices, options))
            done += len(block)
            if total > 0:
                feedback.setProgress(100.0 * done / total)

    def computed(self, block, indices, options):
        """The features of a block with their results added."""
        species, *numbers = ([feature.attributes()[index] for feature in block] for index in indices)
        results = self.model()(text_array(species), *map(number_array, numbers),
                               errors=True, **options)
        values = results.values.reshape(len(block), -1)
        for feature, row, warning, error in zip(block, values, results.warning, results.error):
            feature.setAttributes(feature.attributes() + [result_value(value) for value in row]
                                  + [result_text(warning), result_text(error)])
        return block
