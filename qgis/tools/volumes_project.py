"""The screenshot's data: two plots of trees, their volumes by the provider and a
QGIS project that shows them graduated by volume.

    volumes_project.py SCRATCH_DIR      (writes trees.gpkg, volumes.gpkg, volumes.qgz)

Run headless with PYTHONPATH holding the pdravlik module and the plugin's parent.
"""
import math
import os
import sys

import numpy as np

sys.path.append("/usr/share/qgis/python/plugins")
from qgis.core import (QgsApplication, QgsCoordinateReferenceSystem, QgsFeature,  # noqa: E402
                       QgsField, QgsFillSymbol, QgsGeometry, QgsGraduatedSymbolRenderer,
                       QgsPointXY, QgsProject, QgsReferencedRectangle, QgsStyle,
                       QgsVectorFileWriter, QgsVectorLayer)
from qgis.PyQt.QtCore import QVariant  # noqa: E402

CRS = "EPSG:5514"
PLOT_RADIUS = 12.62  # m: 500 m2
PLOTS = ((-745000.0, -1045000.0, ("SM", "SM", "SM", "BK", "MD")),
         (-744955.0, -1045022.0, ("BO", "BO", "DB", "SM", "BR")))


def trees_layer():
    layer = QgsVectorLayer("Point?crs=" + CRS, "trees", "memory")
    layer.dataProvider().addAttributes([
        QgsField("plot", QVariant.Int), QgsField("species", QVariant.String),
        QgsField("diameter", QVariant.Double), QgsField("height", QVariant.Double)])
    layer.updateFields()
    random = np.random.default_rng(7)
    features = []
    for plot, (x, y, mix) in enumerate(PLOTS, start=1):
        for _ in range(45):
            features.append(tree(layer.fields(), random, plot, x, y, mix))
    layer.dataProvider().addFeatures(features)
    return layer


def tree(fields, random, plot, x, y, mix):
    distance, angle = PLOT_RADIUS * math.sqrt(random.random()), 2 * math.pi * random.random()
    diameter = round(float(random.gamma(6.0, 5.0)) + 8.0, 1)
    # Naslund's curve with some scatter, as measured heights are.
    height = round(1.3 + diameter ** 2 / (1.2 + 0.165 * diameter) ** 2 + random.normal(0, 1.2), 1)
    feature = QgsFeature(fields)
    feature.setAttributes([plot, str(random.choice(mix)), diameter, height])
    feature.setGeometry(QgsGeometry.fromPointXY(
        QgsPointXY(x + distance * math.cos(angle), y + distance * math.sin(angle))))
    return feature


def plots_layer():
    layer = QgsVectorLayer("Polygon?crs=" + CRS, "plots", "memory")
    layer.dataProvider().addAttributes([QgsField("plot", QVariant.Int)])
    layer.updateFields()
    for plot, (x, y, _) in enumerate(PLOTS, start=1):
        feature = QgsFeature(layer.fields())
        feature.setAttributes([plot])
        feature.setGeometry(QgsGeometry.fromPointXY(QgsPointXY(x, y)).buffer(PLOT_RADIUS, 36))
        layer.dataProvider().addFeatures([feature])
    return layer


def save(layer, path, name, append=False):
    options = QgsVectorFileWriter.SaveVectorOptions()
    options.driverName, options.layerName = "GPKG", name
    if append:
        options.actionOnExistingFile = QgsVectorFileWriter.CreateOrOverwriteLayer
    error = QgsVectorFileWriter.writeAsVectorFormatV3(layer, path, QgsProject.instance().transformContext(),
                                                      options)
    if error[0] != QgsVectorFileWriter.NoError:
        raise RuntimeError(f"{path}: {error[1]}")


def volumes(scratch):
    import processing
    output = os.path.join(scratch, "volumes.gpkg")
    processing.run("pdravlik:tree_volume", {
        "INPUT": os.path.join(scratch, "trees.gpkg") + "|layername=trees", "SPECIES": "species",
        "DIAMETER": "diameter", "HEIGHT": "height", "OUTPUT": output})
    return output


def styled_volumes(path):
    layer = QgsVectorLayer(path, "Tree volume (m³)", "ogr")
    if not layer.isValid():
        raise RuntimeError(f"{path}: not a layer")
    renderer = QgsGraduatedSymbolRenderer("volume")
    method = QgsApplication.classificationMethodRegistry().method("Jenks")
    method.setLabelPrecision(2)
    renderer.setClassificationMethod(method)
    renderer.updateClasses(layer, 5)
    renderer.updateColorRamp(QgsStyle.defaultStyle().colorRamp("Viridis"))
    renderer.setSymbolSizes(2.2, 5.5)
    layer.setRenderer(renderer)
    return layer


def project(scratch, volumes_path):
    plots = QgsVectorLayer(os.path.join(scratch, "trees.gpkg") + "|layername=plots", "Plots", "ogr")
    plots.renderer().setSymbol(QgsFillSymbol.createSimple(
        {"color": "236,244,226,255", "outline_color": "90,110,80,255", "outline_width": "0.4"}))
    volumes_layer = styled_volumes(volumes_path)
    result = QgsProject.instance()
    result.setCrs(QgsCoordinateReferenceSystem(CRS))
    result.addMapLayers([volumes_layer, plots])  # the first on top
    extent = plots.extent()
    extent.grow(6.0)
    result.viewSettings().setDefaultViewExtent(QgsReferencedRectangle(extent, result.crs()))
    if not result.write(os.path.join(scratch, "volumes.qgz")):
        raise RuntimeError(result.error())


def main(scratch):
    app = QgsApplication([], False)
    app.setPrefixPath("/usr", True)
    app.initQgis()
    from processing.core.Processing import Processing
    from pdravlik_provider.provider import PDravlikProvider
    Processing.initialize()
    provider = PDravlikProvider()  # the registry does not keep Python's object alive
    QgsApplication.processingRegistry().addProvider(provider)
    trees = os.path.join(scratch, "trees.gpkg")
    save(trees_layer(), trees, "trees")
    save(plots_layer(), trees, "plots", append=True)
    project(scratch, volumes(scratch))
    QgsProject.instance().clear()
    app.exitQgis()


if __name__ == "__main__":
    main(sys.argv[1])
