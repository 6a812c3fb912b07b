# Delay-import libraries of Windows' own DLLs.  A program linked with them
# imports nothing but kernel32 and msvcrt at start: every other system DLL is
# loaded at its first call, by the hooks of src/win/system_libraries.cpp, from
# the system folder only; never from the program's own folder, where anyone
# who can write next to an elevated installer could plant a library.
#
# pi_delay_imports(<name>...) defines a target pi_delay_<name> for each
# import library lib<name>.a of the toolchain.
get_filename_component(PI_MINGW_BIN_DIR ${CMAKE_CXX_COMPILER} DIRECTORY)
find_program(PI_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool HINTS ${PI_MINGW_BIN_DIR} REQUIRED)
find_program(PI_NM NAMES ${TOOLCHAIN_PREFIX}-nm HINTS ${PI_MINGW_BIN_DIR} REQUIRED)

function(pi_delay_imports)
  foreach(name ${ARGN})
    if(TARGET pi_delay_${name})
      continue()
    endif()
    find_library(PI_IMPORT_LIB_${name} NAMES lib${name}.a REQUIRED)
    set(def ${CMAKE_BINARY_DIR}/delay-imports/${name}.def)
    set(lib ${CMAKE_BINARY_DIR}/delay-imports/lib${name}_delay.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay-imports
      COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/make-delay-import.sh ${PI_DLLTOOL} ${PI_NM}
              ${PI_IMPORT_LIB_${name}} ${def} ${lib}
      DEPENDS ${PI_IMPORT_LIB_${name}} ${PROJECT_SOURCE_DIR}/cmake/make-delay-import.sh
      COMMENT "Delay-import library of ${name}"
      VERBATIM)
    add_custom_target(pi_delay_${name}_lib DEPENDS ${lib})
    add_library(pi_delay_${name} STATIC IMPORTED GLOBAL)
    set_target_properties(pi_delay_${name} PROPERTIES IMPORTED_LOCATION ${lib})
    add_dependencies(pi_delay_${name} pi_delay_${name}_lib)
  endforeach()
endfunction()
