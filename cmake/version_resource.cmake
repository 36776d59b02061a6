# A Windows version resource for a program: its name, what it does and the
# project's version, as Explorer's properties and the site's inventory show.
function(site_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  set(SITE_PROGRAM ${target})
  set(SITE_PROGRAM_DESCRIPTION "${description}")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
