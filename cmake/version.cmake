# The product version: one line "MAJOR.MINOR.PATCH" in the file VERSION at the top
# of the repository. From there it reaches the version resource of every shipped
# binary (qb_version_resource), and scripts/package.sh reads the same file for the
# installer's version resource and the package's file names.
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION QB_VERSION LIMIT_COUNT 1)
string(STRIP "${QB_VERSION}" QB_VERSION)
if(NOT QB_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VERSION must hold MAJOR.MINOR.PATCH, not '${QB_VERSION}'")
endif()
set(QB_VERSION_MAJOR ${CMAKE_MATCH_1})
set(QB_VERSION_MINOR ${CMAKE_MATCH_2})
set(QB_VERSION_PATCH ${CMAKE_MATCH_3})
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

# qb_version_resource(target description): links a version resource made from
# resources/version.rc.in into the executable or library: the product version,
# the maker, the description and the file's own name.
function(qb_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(QB_FILE_TYPE VFT_DLL)
    set(QB_ORIGINAL_FILENAME ${name}.dll)
  else()
    set(QB_FILE_TYPE VFT_APP)
    set(QB_ORIGINAL_FILENAME ${name}.exe)
  endif()
  set(QB_INTERNAL_NAME ${name})
  set(QB_FILE_DESCRIPTION "${description}")
  set(rc ${CMAKE_BINARY_DIR}/version/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
