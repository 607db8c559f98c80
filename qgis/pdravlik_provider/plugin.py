"""The plugin: registers the Processing provider, with or without a window."""
from qgis.core import QgsApplication

from .provider import PDravlikProvider


class PDravlikPlugin:
    def __init__(self, iface):
        self.iface = iface
        self.provider = None

    # QGIS calls this before initGui, and alone when it runs without a window
    # (qgis_process), so the algorithms exist in both.
    def initProcessing(self):  # noqa: N802
        if self.provider is None:
            self.provider = PDravlikProvider()
            QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):  # noqa: N802
        self.initProcessing()

    def unload(self):
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
