# The help file qorbin.chm, compiled with chmcmd (Free Pascal's CHM compiler) from
# the HTML sources in help/ into the bin folder, beside the program that opens it.
find_program(QB_CHMCMD NAMES chmcmd REQUIRED)
file(GLOB QB_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
set(QB_HELP_FILE ${CMAKE_BINARY_DIR}/bin/qorbin.chm)
add_custom_command(OUTPUT ${QB_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/help
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/help ${CMAKE_BINARY_DIR}/help
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/help ${QB_CHMCMD} --verbosity 0 qorbin.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/help/qorbin.chm ${QB_HELP_FILE}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${QB_HELP_SOURCES}
  COMMENT "Compiling the help file qorbin.chm"
  VERBATIM)
add_custom_target(help_file ALL DEPENDS ${QB_HELP_FILE})
