# qb_symbol_file(target): after linking a Windows executable, writes its symbol
# file "<name>.sym" beside it (scripts/make_symbols.py), from which the stack
# trace resolves addresses to procedure, source file and line.
find_program(QB_PYTHON NAMES python3 REQUIRED)
function(qb_symbol_file target)
  if(NOT MINGW)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${QB_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/make_symbols.py
            ${CMAKE_OBJDUMP} ${CMAKE_NM} $<TARGET_FILE:${target}>
            $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.sym
    VERBATIM)
endfunction()
