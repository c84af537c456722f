# Install rules and the Debian packages, in two components:
#   calculadora  the program and what a desktop needs: the command in bin/
#                (a launcher), the program itself in libexec/calculadora/,
#                its two data files, the desktop entry, the AppStream
#                metadata, the icons, the man page, the copyright and changelog
#   dev          the toolkit and the serial helpers as a library: headers under
#                include/calculadora/, the static libraries xgrafi, objetos and
#                port, a CMake package (Calculadora::...) and pkg-config files
#   cmake --install BUILD --prefix /usr --component calculadora   (or dev)
#   sh scripts/package.sh     (CPack: calculadora_*.deb, calculadora-dev_*.deb)
# The program reads its data files from its working directory; the launcher
# changes into the installed data folder and execs it. The launcher, the
# desktop entry and the pkg-config files name installed paths, so they are
# written at install time (cmake/install-paths.cmake) from the prefix the
# install really uses.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The id of the desktop entry and of the AppStream metadata, in the reverse
# domain form appstreamcli asks for (the window class stays calculadora).
set(CALC_APP_ID io.github.calculadora.Calculadora)
set(CALC_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/calculadora)
# Private executables: libexec/ (FHS 3.0, Debian policy 9.1.1); the file keeps
# the name calculadora, which SDL 1.2 gives the window as its class.
set(CALC_PROGRAM_SUBDIR ${CMAKE_INSTALL_LIBEXECDIR}/calculadora)
# The static libraries in a folder of their own: names such as libport.a are
# too plain for the system's library folder.
set(CALC_ARCHIVE_SUBDIR ${CMAKE_INSTALL_LIBDIR}/calculadora)
set(CALC_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/calculadora)
set(CALC_CMAKE_SUBDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Calculadora)
set(CALC_GEN_DIR ${PROJECT_BINARY_DIR}/installed) # files made for the install

# The Maintainer of both packages, given when building them (scripts/package.sh
# passes CALC_MAINTAINER, or DEBFULLNAME and DEBEMAIL, from the environment).
# The default's mail host is example.org, reserved for examples: valid, and
# nobody's mailbox.
set(CALC_MAINTAINER_DEFAULT "Calculadora developers <calculadora@example.org>")
set(CALC_MAINTAINER "${CALC_MAINTAINER_DEFAULT}"
  CACHE STRING "Maintainer of the Debian packages: Name <user@host.domain>")
# Build folders configured before that default still hold the old one.
if(CALC_MAINTAINER STREQUAL "Calculadora developers <calculadora@localhost>")
  set_property(CACHE CALC_MAINTAINER PROPERTY VALUE "${CALC_MAINTAINER_DEFAULT}")
endif()
if(NOT CALC_MAINTAINER MATCHES "^[^<>@\n]*[^<>@\n ] <[^<>@ \n]+@[^<>@ \n]+\\.[^<>@ \n.]+>$")
  message(FATAL_ERROR "CALC_MAINTAINER must read Name <user@host.domain>, not: ${CALC_MAINTAINER}")
endif()

# The release named by the changelog and the AppStream metadata is this one.
string(REPLACE "." "\\." version_re "${PROJECT_VERSION}")
foreach(release_file packaging/changelog.in data/calculadora.metainfo.xml.in)
  file(STRINGS ${PROJECT_SOURCE_DIR}/${release_file} release
    REGEX "^calculadora \\(|<release version=" LIMIT_COUNT 1)
  if(NOT release MATCHES "[(\"]${version_re}[)\"]")
    message(FATAL_ERROR "${release_file} starts at another release than ${PROJECT_VERSION}: ${release}")
  endif()
endforeach()

# A relative prefix (cmake --install build --prefix stage) names a folder of
# the working directory. It is made absolute before anything is installed, so
# that the command, the desktop entry and the pkg-config files written from it
# name paths that hold from anywhere.
foreach(component calculadora dev)
  install(CODE "get_filename_component(CMAKE_INSTALL_PREFIX \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)"
    COMPONENT ${component})
endforeach()

# --- The program: component calculadora -----------------------------------
set(CALC_COMPONENT calculadora)

if(TARGET calculadora)
  install(TARGETS calculadora RUNTIME DESTINATION ${CALC_PROGRAM_SUBDIR}
    COMPONENT ${CALC_COMPONENT})
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/caltrq.png ${PROJECT_SOURCE_DIR}/data/fontlcd.ttf
  DESTINATION ${CALC_DATA_SUBDIR} COMPONENT ${CALC_COMPONENT})

foreach(size ${CALC_ICON_SIZES})
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/calculadora-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME calculadora.png COMPONENT ${CALC_COMPONENT})
endforeach()

configure_file(${PROJECT_SOURCE_DIR}/data/calculadora.metainfo.xml.in
  ${CALC_GEN_DIR}/${CALC_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CALC_GEN_DIR}/${CALC_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT ${CALC_COMPONENT})

# The man page and the changelog go in compressed, with no name or time stamp
# in the gzip header, so the same text always gives the same bytes.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CALC_GEN_DIR}/changelog @ONLY)
set(CALC_MAN_GZ ${PROJECT_BINARY_DIR}/calculadora.1.gz)
set(CALC_CHANGELOG_GZ ${CALC_GEN_DIR}/changelog.gz)
add_custom_command(OUTPUT ${CALC_MAN_GZ}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/docs/calculadora.1 > ${CALC_MAN_GZ}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/calculadora.1
  COMMENT "Compressing the man page")
add_custom_command(OUTPUT ${CALC_CHANGELOG_GZ}
  COMMAND gzip -9n -c ${CALC_GEN_DIR}/changelog > ${CALC_CHANGELOG_GZ}
  DEPENDS ${CALC_GEN_DIR}/changelog
  COMMENT "Compressing the changelog")
add_custom_target(calculadora_docs ALL DEPENDS ${CALC_MAN_GZ} ${CALC_CHANGELOG_GZ})
install(FILES ${CALC_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT ${CALC_COMPONENT})

# Both packages carry the copyright file and the changelog in their own
# documentation folder.
foreach(component calculadora dev)
  set(docdir ${CMAKE_INSTALL_DATADIR}/doc/calculadora)
  if(component STREQUAL dev)
    set(docdir ${docdir}-dev)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CALC_CHANGELOG_GZ}
    DESTINATION ${docdir} COMPONENT ${component})
endforeach()

set(CALC_INSTALL_PATHS "
  set(CALC_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  set(CALC_GEN_DIR \"${CALC_GEN_DIR}\")
  set(CALC_VERSION \"${PROJECT_VERSION}\")
  set(CALC_APP_ID \"${CALC_APP_ID}\")
  set(CALC_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(CALC_DATADIR \"${CALC_DATA_SUBDIR}\")
  set(CALC_PROGRAMDIR \"${CALC_PROGRAM_SUBDIR}\")
  set(CALC_APPSDIR \"${CMAKE_INSTALL_DATADIR}/applications\")
  set(CALC_ARCHIVEDIR \"${CALC_ARCHIVE_SUBDIR}\")
  set(CALC_INCLUDEDIR \"${CALC_INCLUDE_SUBDIR}\")
  set(CALC_PKGCONFIGDIR \"${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
  set(CALC_STRIP \"${CMAKE_STRIP}\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/install-paths.cmake\")")
install(CODE "${CALC_INSTALL_PATHS}\n  calc_install_program()" COMPONENT ${CALC_COMPONENT})

# --- The library: component dev -------------------------------------------
set(CALC_DEV_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/calculadora-dev)
include(${PROJECT_SOURCE_DIR}/cmake/referencia.cmake)
if(TARGET calculadora_reference)
  install(DIRECTORY ${CALC_REFERENCE_DIR}/html/ DESTINATION ${CALC_DEV_DOCDIR}/html COMPONENT dev)
endif()

# Each component's made files (the compressed changelog and man page, the
# reference) are built with its binaries, so a component installs after a
# build of just those: cmake --build BUILD --target xgrafi objetos port, then
# cmake --install BUILD --component dev.
foreach(target calculadora xgrafi objetos port)
  if(TARGET ${target})
    add_dependencies(${target} calculadora_docs)
  endif()
endforeach()
if(TARGET calculadora_reference)
  foreach(target xgrafi objetos port)
    add_dependencies(${target} calculadora_reference)
  endforeach()
endif()

# The guides, and the two examples as projects to copy.
install(FILES ${PROJECT_SOURCE_DIR}/docs/toolkit.md ${PROJECT_SOURCE_DIR}/docs/serie.md
  ${PROJECT_SOURCE_DIR}/docs/minimo.png DESTINATION ${CALC_DEV_DOCDIR} COMPONENT dev)
foreach(example minimo serie)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/${example}/${example}.cpp
    ${PROJECT_SOURCE_DIR}/examples/${example}/CMakeLists.txt
    DESTINATION ${CALC_DEV_DOCDIR}/examples/${example} COMPONENT dev)
endforeach()

install(TARGETS xgrafi objetos port EXPORT CalculadoraTargets
  ARCHIVE DESTINATION ${CALC_ARCHIVE_SUBDIR} COMPONENT dev
  INCLUDES DESTINATION ${CALC_INCLUDE_SUBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/graphics/xgrafi.h
  DESTINATION ${CALC_INCLUDE_SUBDIR}/graphics COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/widgets/objetos.h
  DESTINATION ${CALC_INCLUDE_SUBDIR}/widgets COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/serial/port.h
  DESTINATION ${CALC_INCLUDE_SUBDIR}/serial COMPONENT dev)
install(EXPORT CalculadoraTargets NAMESPACE Calculadora::
  DESTINATION ${CALC_CMAKE_SUBDIR} COMPONENT dev)
write_basic_package_version_file(${CALC_GEN_DIR}/CalculadoraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/CalculadoraConfig.cmake
  ${CALC_GEN_DIR}/CalculadoraConfigVersion.cmake
  DESTINATION ${CALC_CMAKE_SUBDIR} COMPONENT dev)
install(CODE "${CALC_INSTALL_PATHS}\n  calc_install_pkgconfig()" COMPONENT dev)

# --- The Debian packages --------------------------------------------------
# One package per component. dpkg-shlibdeps (package dpkg-dev) finds the
# program's library packages from the executable itself; the -dev package
# needs the SDL headers for its own headers, libpng, libjpeg and zlib for its static
# xgrafi, and pkg-config for its CMake package and .pc files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME calculadora)
set(CPACK_PACKAGE_VENDOR "Calculadora developers")
set(CPACK_PACKAGE_CONTACT "${CALC_MAINTAINER}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY calculadora)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL calculadora dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# Each description's first line is the package's synopsis. CPack turns double
# quotes in a description into semicolons: there are none.
set(CPACK_DEBIAN_CALCULADORA_PACKAGE_NAME calculadora)
set(CPACK_DEBIAN_CALCULADORA_PACKAGE_SECTION math)
set(CPACK_DEBIAN_CALCULADORA_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CALCULADORA_DESCRIPTION "desktop pocket calculator
A pocket calculator in one window, driven by mouse clicks on the keys of
its face or by the keyboard: the four operations, square root and percent,
in single precision, with one pending operator. Built on SDL 1.2.

The command calculadora starts it from any folder; the desktop menu lists it
under Utilities.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME calculadora-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SOURCE calculadora)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "libsdl1.2-dev, libsdl-image1.2-dev, libsdl-ttf2.0-dev, libpng-dev, libjpeg-dev, zlib1g-dev, pkg-config")
set(CPACK_DEBIAN_DEV_DESCRIPTION "widget toolkit and serial helpers of Calculadora
The small widget toolkit of the Calculadora pocket calculator (push and
two-state buttons, text fields and labels, check boxes, spin boxes) on its
graphics layer over SDL 1.2, and its RS-232 serial-port helpers over POSIX
terminals, as the static libraries xgrafi, objetos and port.

This package holds their headers (widgets/objetos.h and the others, under
/usr/include/calculadora), a CMake package (find_package(Calculadora) gives
Calculadora::objetos and the other targets) and pkg-config files
(calculadora-objetos and the others).")
include(CPack)
