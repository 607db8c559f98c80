"""Writing an algorithm's features, where a failed write is an error."""
from qgis.core import QgsFeatureSink, QgsProcessingException

from .texts import text


def write_features(sink, features):
    if not sink.addFeatures(features, QgsFeatureSink.FastInsert):
        raise QgsProcessingException(text("error.write").format(sink.lastError()))
