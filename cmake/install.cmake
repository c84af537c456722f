# Install rules and the Debian package: everything a desktop needs goes into
# the component "calculadora" (the program, its two data files, the desktop
# entry, the icons and the man page), and CPack packs that component alone.
#   cmake --install BUILD --prefix /usr --component calculadora
#   cpack --config BUILD/CPackConfig.cmake     (scripts/package.sh)
# The program reads its data files from its working directory, so the desktop
# entry names the installed data folder as Path=; both it and Exec= are made
# at install time, from the prefix the install really uses.
include(GNUInstallDirs)

set(CALC_COMPONENT calculadora)
set(CALC_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/calculadora)
set(CALC_ICON_SIZES 16 24 32 48 64 128 256) # pixels, as tools/make_icon.py makes them

if(TARGET calculadora)
  install(TARGETS calculadora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT ${CALC_COMPONENT})
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/caltrq.png ${PROJECT_SOURCE_DIR}/data/fontlcd.ttf
  DESTINATION ${CALC_DATA_SUBDIR} COMPONENT ${CALC_COMPONENT})

foreach(size ${CALC_ICON_SIZES})
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/calculadora-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME calculadora.png COMPONENT ${CALC_COMPONENT})
endforeach()

# Man pages go in compressed, with no name or time stamp in the gzip header,
# so the same page always gives the same bytes.
set(CALC_MAN_GZ ${PROJECT_BINARY_DIR}/calculadora.6.gz)
add_custom_command(OUTPUT ${CALC_MAN_GZ}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/docs/calculadora.6 > ${CALC_MAN_GZ}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/calculadora.6
  COMMENT "Compressing the man page")
add_custom_target(calculadora_man ALL DEPENDS ${CALC_MAN_GZ})
install(FILES ${CALC_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6
  COMPONENT ${CALC_COMPONENT})

# The entry is configured while installing: CMAKE_INSTALL_PREFIX is then the
# prefix given to cmake --install (or CPack's), not the one of the configure.
set(CALC_DESKTOP_IN ${PROJECT_SOURCE_DIR}/data/calculadora.desktop.in)
set(CALC_DESKTOP ${PROJECT_BINARY_DIR}/calculadora.desktop)
install(CODE "
  set(bindir \"${CMAKE_INSTALL_BINDIR}\")
  set(datadir \"${CALC_DATA_SUBDIR}\")
  if(NOT IS_ABSOLUTE \"\${bindir}\")
    set(bindir \"\${CMAKE_INSTALL_PREFIX}/\${bindir}\")
  endif()
  if(NOT IS_ABSOLUTE \"\${datadir}\")
    set(datadir \"\${CMAKE_INSTALL_PREFIX}/\${datadir}\")
  endif()
  set(CALC_EXEC \"\${bindir}/calculadora\")
  set(CALC_PATH \"\${datadir}\")
  configure_file(\"${CALC_DESKTOP_IN}\" \"${CALC_DESKTOP}\" @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
    TYPE FILE FILES \"${CALC_DESKTOP}\")
  " COMPONENT ${CALC_COMPONENT})

# The Debian package. dpkg-shlibdeps (package dpkg-dev) finds the libraries'
# packages from the executable itself.
set(CALC_MAINTAINER "Calculadora developers <calculadora@localhost>"
  CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME calculadora)
set(CPACK_PACKAGE_VENDOR "Calculadora")
set(CPACK_PACKAGE_CONTACT "${CALC_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop pocket calculator")
set(CPACK_PACKAGE_DESCRIPTION
  "A pocket calculator in one window, driven by mouse clicks on the keys of
its face or by the keyboard: the four operations, square root and percent,
in single precision, with one pending operator. Built on SDL 1.2.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY calculadora)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${CALC_COMPONENT})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
