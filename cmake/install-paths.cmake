# Run by the install step (cmake --install, and CPack's install) for what
# needs the install's own prefix: it writes the installed files that name
# installed paths, the launcher and the desktop entry of the program and the
# pkg-config files of the libraries, and strips when asked to. They are
# made from CMAKE_INSTALL_PREFIX as the install sees it, which is the prefix
# given to cmake --install (or CPack's /usr), not the one of the configure;
# file(INSTALL) puts them under DESTDIR when one is set.
# cmake/install.cmake includes this with the install folders (CALC_*DIR,
# relative to the prefix or absolute), CALC_SOURCE_DIR and CALC_GEN_DIR (a
# folder of the build for the generated files) set, then calls
# calc_install_program() or calc_install_pkgconfig().

function(calc_absolute var dir)
  if(IS_ABSOLUTE "${dir}")
    set(${var} "${dir}" PARENT_SCOPE)
  else()
    set(${var} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

# One word that sh reads back unchanged: in single quotes, each ' as '\''.
function(calc_sh_word var text)
  string(REPLACE "'" "'\\''" text "${text}")
  set(${var} "'${text}'" PARENT_SCOPE)
endfunction()

# A program path for Exec= of a desktop entry: bare when it holds no reserved
# character, else in double quotes with " ` $ \ escaped. Then the escapes of
# the entry's string values (\ doubled) and of its field codes (% doubled).
function(calc_desktop_exec var path)
  if(path MATCHES "[\n\r]")
    message(FATAL_ERROR "a desktop entry cannot name a path with a line break: ${path}")
  endif()
  if(path MATCHES "[] \t\"'\\\\><~|&;$*?#()`[]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" path "${path}")
    set(path "\"${path}\"")
  endif()
  string(REPLACE "\\" "\\\\" path "${path}")
  string(REPLACE "%" "%%" path "${path}")
  set(${var} "${path}" PARENT_SCOPE)
endfunction()

# The command in bin/ (a sh script that starts the program in its data folder)
# and the desktop entry that runs it.
function(calc_install_program)
  calc_absolute(bindir "${CALC_BINDIR}")
  calc_absolute(datadir "${CALC_DATADIR}")
  calc_absolute(programdir "${CALC_PROGRAMDIR}")
  calc_absolute(appsdir "${CALC_APPSDIR}")
  calc_strip("${CALC_PROGRAMDIR}" calculadora)

  calc_sh_word(CALC_DATA_WORD "${datadir}")
  calc_sh_word(CALC_PROGRAM_WORD "${programdir}/calculadora")
  configure_file("${CALC_SOURCE_DIR}/data/calculadora.sh.in" "${CALC_GEN_DIR}/bin/calculadora" @ONLY)
  file(INSTALL DESTINATION "${bindir}" TYPE PROGRAM FILES "${CALC_GEN_DIR}/bin/calculadora")

  calc_desktop_exec(CALC_EXEC "${bindir}/calculadora")
  configure_file("${CALC_SOURCE_DIR}/data/calculadora.desktop.in"
    "${CALC_GEN_DIR}/${CALC_APP_ID}.desktop" @ONLY)
  file(INSTALL DESTINATION "${appsdir}" TYPE FILE FILES "${CALC_GEN_DIR}/${CALC_APP_ID}.desktop")
endfunction()

# calculadora-xgrafi.pc, calculadora-objetos.pc and calculadora-port.pc.
function(calc_install_pkgconfig)
  set(PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  calc_absolute(PC_LIBDIR "${CALC_ARCHIVEDIR}")
  calc_absolute(PC_INCLUDEDIR "${CALC_INCLUDEDIR}")
  calc_absolute(pcdir "${CALC_PKGCONFIGDIR}")
  foreach(var PC_LIBDIR PC_INCLUDEDIR) # written under ${prefix} where they are
    string(FIND "${${var}}" "${PC_PREFIX}/" at)
    if(at EQUAL 0)
      string(LENGTH "${PC_PREFIX}" n)
      string(SUBSTRING "${${var}}" ${n} -1 rest)
      set(${var} "\${prefix}${rest}")
    endif()
  endforeach()

  set(descriptions
    "xgrafi|sdl SDL_image SDL_ttf libpng libjpeg zlib|Graphics layer of Calculadora: window, images, fonts, blits, text and primitives over SDL 1.2"
    "objetos|calculadora-xgrafi|Widget toolkit of Calculadora: buttons, text fields and labels, check boxes, spin boxes"
    "port|sdl|Serial port helpers of Calculadora: one RS-232 port over a POSIX terminal")
  foreach(entry IN LISTS descriptions)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 PC_NAME)
    list(GET entry 1 PC_REQUIRES)
    list(GET entry 2 PC_DESCRIPTION)
    set(PROJECT_VERSION "${CALC_VERSION}")
    configure_file("${CALC_SOURCE_DIR}/cmake/calculadora.pc.in"
      "${CALC_GEN_DIR}/calculadora-${PC_NAME}.pc" @ONLY)
    file(INSTALL DESTINATION "${pcdir}" TYPE FILE FILES "${CALC_GEN_DIR}/calculadora-${PC_NAME}.pc")
  endforeach()
  calc_strip("${CALC_ARCHIVEDIR}" libxgrafi.a libobjetos.a libport.a)
endfunction()

# Asked to strip (cmake --install --strip, CPack's CPACK_STRIP_FILES), the
# program loses its comment and note sections and the static libraries their
# debugging sections too, as Debian's dh_strip takes them out; CMake itself
# strips only the symbols of programs and shared libraries.
function(calc_strip dir)
  if(NOT CMAKE_INSTALL_DO_STRIP)
    return()
  endif()
  calc_absolute(dir "${dir}")
  foreach(name IN LISTS ARGN)
    set(how --remove-section=.comment --remove-section=.note)
    if(name MATCHES "[.]a$")
      list(APPEND how --strip-debug --enable-deterministic-archives)
    endif()
    execute_process(COMMAND "${CALC_STRIP}" ${how} "$ENV{DESTDIR}${dir}/${name}"
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endfunction()
