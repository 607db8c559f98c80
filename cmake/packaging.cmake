# The Debian package: `cpack -G DEB` in a Release build configured with
# CMAKE_INSTALL_PREFIX=/usr (scripts/package does both). It holds what the
# install() rules install, which are the programs, the engine, the desktop
# files and the documentation only; no test or benchmark has an install rule.

set(CPACK_PACKAGE_NAME pdravlik)
set(CPACK_PACKAGE_VENDOR "The PDravlik developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_PACKAGE_NAME pdravlik)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "PDravlik developers <pdravlik@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# A placeholder until the project has a public site.
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://pdravlik.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module is built for the system's Python and takes numpy arrays;
# its libraries come from the shared-library dependencies.
execute_process(COMMAND /usr/bin/python3 -c "import sys; print(f'{sys.version_info[0]}.{sys.version_info[1]};{sys.version_info[1] + 1}')"
  OUTPUT_VARIABLE python_versions OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE python_found)
if(python_found EQUAL 0)
  list(GET python_versions 0 python_built)
  list(GET python_versions 1 python_next_minor)
  string(REGEX REPLACE "\\..*" "" python_major ${python_built})
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "python3 (>= ${python_built}), python3 (<< ${python_major}.${python_next_minor}), python3-numpy")
endif()
# Qt's own translations make the file dialogs and standard buttons Czech too;
# the Processing provider needs QGIS, which the rest does not.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qgis, python3-qgis")
# CPack puts the summary first and indents the paragraph as Debian wants it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tree volume tables for forest mensuration")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[PDravlik computes the reference tables foresters use to estimate standing
timber. From growth and volume equations for thirteen tree species it writes
the site-class table (height, diameter and volume by species, site index and
age) and the height-diameter table (volume by species, height and diameter)
as dBASE files, readable by QGIS, spreadsheets and Python. The window shows
both tables in editable grids; pdravlik-tables writes them without a window
and checks existing files against the models; pdravlik-calc applies the
models to the user's own trees and stands, one at a time, whole CSV files or
GIS layers (GeoPackage, Shapefile, FlatGeobuf, GeoJSON through GDAL). The
Python module pdravlik gives the same models over numpy arrays, and the
QGIS Processing provider "PDravlik" over a layer's features.]=])

include(cmake/debian_documents.cmake)
pdravlik_debian_documents(${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/debian-doc)
install(FILES ${CMAKE_BINARY_DIR}/debian-doc/copyright ${CMAKE_BINARY_DIR}/debian-doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pdravlik)

include(CPack)
