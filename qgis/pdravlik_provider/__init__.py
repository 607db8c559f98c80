"""QGIS plugin that brings PDravlik's models to the Processing toolbox."""


def classFactory(iface):  # noqa: N802 (the name QGIS calls)
    from .plugin import PDravlikPlugin
    return PDravlikPlugin(iface)
