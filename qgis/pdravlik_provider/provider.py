"""The Processing provider "PDravlik" and its algorithms."""
from qgis.core import QgsProcessingProvider

from .growth_algorithms import SiteIndexAlgorithm, StandDiameterAlgorithm, StandHeightAlgorithm
from .stand_summary_algorithm import StandSummaryAlgorithm
from .volume_algorithm import TreeVolumeAlgorithm


class PDravlikProvider(QgsProcessingProvider):
    def id(self):
        return "pdravlik"

    def name(self):
        return "PDravlik"

    def longName(self):  # noqa: N802
        return "PDravlik"

    def loadAlgorithms(self):  # noqa: N802
        for algorithm in (TreeVolumeAlgorithm, StandHeightAlgorithm, StandDiameterAlgorithm,
                          SiteIndexAlgorithm, StandSummaryAlgorithm):
            self.addAlgorithm(algorithm())
