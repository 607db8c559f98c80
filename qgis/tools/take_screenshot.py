"""Run by the QGIS desktop (--code): once the map is drawn, saves the screen to
$SCREENSHOT and quits."""
import os
import sys

from qgis.core import QgsProject
from qgis.PyQt.QtCore import QTimer
from qgis.PyQt.QtWidgets import QApplication, QDockWidget
from qgis.utils import iface


def take_screenshot():
    iface.mainWindow().repaint()
    if not QApplication.primaryScreen().grabWindow(0).save(os.environ["SCREENSHOT"], "PNG"):
        print("could not write " + os.environ["SCREENSHOT"], file=sys.stderr)
    # Not File > Exit: it would ask whether to save the project.
    QApplication.instance().quit()


def drawn():
    iface.mapCanvas().mapCanvasRefreshed.disconnect(drawn)
    # The canvas shows the new map once the events queued behind this are done.
    QTimer.singleShot(0, take_screenshot)


# The map and its legend are the picture; the browser only takes their room.
iface.mainWindow().findChild(QDockWidget, "Browser").hide()
iface.mainWindow().setGeometry(QApplication.primaryScreen().geometry())
QApplication.processEvents()
iface.mapCanvas().setExtent(QgsProject.instance().viewSettings().defaultViewExtent())
iface.mapCanvas().mapCanvasRefreshed.connect(drawn)
iface.mapCanvas().refresh()
