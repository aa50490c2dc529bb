# Run by cpack on its staging tree, before the .deb is made: Debian's policy
# wants the manual page and the changelog compressed with gzip -9n.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
file(GLOB_RECURSE files "${CPACK_TEMPORARY_DIRECTORY}/*")
list(FILTER files INCLUDE REGEX "/share/(man/man1/[^/]+\\.1|doc/vykfind/changelog)$")
if(NOT files)
  message(FATAL_ERROR "no manual page in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(file IN LISTS files)
  execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
