"""A stand's mean height, mean diameter and site index."""
import pdravlik

from .feature_model_algorithm import FeatureModelAlgorithm


class StandHeightAlgorithm(FeatureModelAlgorithm):
    ALGORITHM_ID = "stand_height"
    INPUTS = ("species", "age", "site_index")
    RESULT = "height"

    def model(self):
        return pdravlik.height


class StandDiameterAlgorithm(FeatureModelAlgorithm):
    ALGORITHM_ID = "stand_diameter"
    INPUTS = ("species", "age", "height")
    RESULT = "diameter"

    def model(self):
        return pdravlik.diameter


class SiteIndexAlgorithm(FeatureModelAlgorithm):
    ALGORITHM_ID = "site_index"
    INPUTS = ("species", "age", "height")
    RESULT = "site_index"

    def model(self):
        return pdravlik.site_index
