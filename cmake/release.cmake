# The programs of a released medium: "Printer Install.exe" and, where this
# tree builds it, the console program.  Target release_programs builds them;
# release-programs.txt lists their files, one a line, for scripts/release.py.
# Decided at the end of the configuration, when every folder has defined its
# targets.
function(pi_release_programs)
  set(programs printer_install)
  if(TARGET printer_install_cmd)
    list(APPEND programs printer_install_cmd)
  endif()
  set(lines "")
  foreach(program ${programs})
    string(APPEND lines "$<TARGET_FILE:${program}>\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/release-programs.txt CONTENT "${lines}")
  add_custom_target(release_programs DEPENDS ${programs})
endfunction()
cmake_language(DEFER CALL pi_release_programs)
