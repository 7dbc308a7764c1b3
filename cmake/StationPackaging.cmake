# Debian packages made with CPack (scripts/package.sh): one package per install component.
#   station               -> remote                        the station and the simulator
#   torvelbutton_runtime  -> libtorvelbutton1              the shared library
#   torvelbutton_dev      -> libtorvelbutton-dev           headers, CMake and pkg-config files
#   torvelbutton_designer -> torvelbutton-designer-plugin  the Qt Designer plugin
# Everything installed names one of these components; a file of another component would
# be left out of every package.

set(STATION_PACKAGE_MAINTAINER "Remote Station developers <developers@remotestation.org>")
set(station_components station torvelbutton_runtime torvelbutton_dev)
if(STATION_DESIGNER_PLUGIN)
    list(APPEND station_components torvelbutton_designer)
endif()
set(station_package_station remote)
set(station_package_torvelbutton_runtime libtorvelbutton1)
set(station_package_torvelbutton_dev libtorvelbutton-dev)
set(station_package_torvelbutton_designer torvelbutton-designer-plugin)

# Each package carries its copyright and changelog, as Debian's policy asks.
configure_file(${PROJECT_SOURCE_DIR}/dist/debian/changelog.in
    ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
    COMMAND ${GZIP} -9nf -k ${CMAKE_BINARY_DIR}/debian/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
    VERBATIM)
add_custom_target(station_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
foreach(component ${station_components})
    install(FILES ${PROJECT_SOURCE_DIR}/dist/debian/copyright
                  ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${station_package_${component}}
        COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME remote-station)
set(CPACK_PACKAGE_VENDOR "Remote Station developers")
set(CPACK_PACKAGE_CONTACT "${STATION_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${station_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${STATION_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE remote-station)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries a package links are found by dpkg-shlibdeps, so a library that a part of
# the station starts to link is picked up with no change here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/torvelbutton)

foreach(component ${station_components})
    string(TOUPPER ${component} upper)
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${station_package_${component}})
endforeach()

# What the program needs besides the libraries it links: the fonts it draws with, and Qt's
# window-system plugins, which Qt loads at run time.
set(CPACK_DEBIAN_STATION_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-nanum, qt6-qpa-plugins")
set(CPACK_DEBIAN_STATION_PACKAGE_SECTION electronics)
# Descriptions: the first line is the synopsis; CPack indents the rest and marks empty lines.
set(CPACK_COMPONENT_STATION_DESCRIPTION "station to watch and control a detector on a serial line
The station mirrors a counter-surveillance detector's display over a serial
line, lights an alarm label for each alarm it reports, shows its settings and
readings, keeps an alarm history and writes the detector's settings.

The package also holds detector-sim, which plays the detector on a
pseudo-terminal so the station can be tried without the hardware.")

set(CPACK_DEBIAN_TORVELBUTTON_RUNTIME_PACKAGE_SECTION libs)
# A shlibs file, so packages built against the library depend on it, and the ldconfig
# trigger. (Only libraries with a SONAME get shlibs entries: the designer plugin has none.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
configure_file(${PROJECT_SOURCE_DIR}/dist/debian/libtorvelbutton1.triggers
    ${CMAKE_BINARY_DIR}/debian/libtorvelbutton1/triggers COPYONLY)
set(CPACK_DEBIAN_TORVELBUTTON_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/debian/libtorvelbutton1/triggers)
set(CPACK_DEBIAN_TORVELBUTTON_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_TORVELBUTTON_RUNTIME_DESCRIPTION "image-button widget library for Qt 6
TorvelButton draws a button from pictures chosen by its state, framed by a
nine-slice skin cut from an image strip, with per-state alpha overlays, check
and option-group behaviour, an owner-draw mode and a see-through mode.

This package holds the shared library.")

set(CPACK_DEBIAN_TORVELBUTTON_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TORVELBUTTON_DEV_PACKAGE_DEPENDS
    "libtorvelbutton1 (= ${PROJECT_VERSION}), qt6-base-dev")
set(CPACK_COMPONENT_TORVELBUTTON_DEV_DESCRIPTION "image-button widget library for Qt 6 - development files
TorvelButton draws a button from pictures chosen by its state, framed by a
nine-slice skin cut from an image strip.

This package holds the headers, the CMake package (find_package(TorvelButton))
and the pkg-config file (torvelbutton) to build programs with the library.")

set(CPACK_DEBIAN_TORVELBUTTON_DESIGNER_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_TORVELBUTTON_DESIGNER_PACKAGE_DEPENDS "libtorvelbutton1 (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_TORVELBUTTON_DESIGNER_DESCRIPTION "image-button widget library for Qt 6 - Qt Designer plugin
TorvelButton draws a button from pictures chosen by its state, framed by a
nine-slice skin cut from an image strip.

This package holds the plugin that places the button on forms in Qt Designer
and lets QUiLoader build forms that use it.")

include(CPack)
