"""Tree volume: V1, or V1 to V4."""
import pdravlik
from qgis.core import QgsProcessingParameterBoolean

from .feature_model_algorithm import FeatureModelAlgorithm
from .texts import text


class TreeVolumeAlgorithm(FeatureModelAlgorithm):
    ALGORITHM_ID = "tree_volume"
    INPUTS = ("species", "diameter", "height")
    RESULT = "volume"
    ALL = "ALL"

    def model(self):
        return pdravlik.volume

    def add_options(self):
        self.addParameter(QgsProcessingParameterBoolean(self.ALL, text("all"), False))

    def model_options(self, parameters, context):
        options = super().model_options(parameters, context)
        options["all"] = self.parameterAsBoolean(parameters, self.ALL, context)
        return options

    def result_names(self, options):
        return ("v1", "v2", "v3", "v4") if options["all"] else (self.RESULT,)
