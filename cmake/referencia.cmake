# The library's reference: doxygen over the installed headers' /// comments,
# with the two guides as its first pages, into CALC_REFERENCE_DIR/html by
# the target calculadora_reference. Included by cmake/install.cmake (the -dev
# package) and cmake/install-windows.cmake (the Windows kit), which install
# it. Without doxygen the build says so and goes without it.
set(CALC_REFERENCE_DIR ${PROJECT_BINARY_DIR}/referencia)
find_program(CALC_DOXYGEN doxygen)
if(CALC_DOXYGEN)
  configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${CALC_REFERENCE_DIR}/Doxyfile @ONLY)
  set(reference_sources)
  foreach(file docs/toolkit.md docs/serie.md docs/minimo.png docs/referencia-cabecera.html
          graphics/xgrafi.h widgets/objetos.h serial/port.h)
    list(APPEND reference_sources ${PROJECT_SOURCE_DIR}/${file})
  endforeach()
  # Written afresh each time, so that no page of a renamed class stays behind;
  # the header (docs/referencia-cabecera.html) loads no script, so the copy of
  # jQuery and the scripts doxygen writes anyway go.
  add_custom_command(OUTPUT ${CALC_REFERENCE_DIR}/html/index.html
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CALC_REFERENCE_DIR}/html
    COMMAND ${CALC_DOXYGEN} ${CALC_REFERENCE_DIR}/Doxyfile
    COMMAND ${CMAKE_COMMAND} -E rm -f ${CALC_REFERENCE_DIR}/html/jquery.js
            ${CALC_REFERENCE_DIR}/html/dynsections.js ${CALC_REFERENCE_DIR}/html/menudata.js
    DEPENDS ${reference_sources} ${CALC_REFERENCE_DIR}/Doxyfile
    COMMENT "Writing the library's reference with doxygen")
  add_custom_target(calculadora_reference ALL DEPENDS ${CALC_REFERENCE_DIR}/html/index.html)
else()
  message(STATUS "doxygen not found: the library goes without its reference (Debian: doxygen)")
endif()
