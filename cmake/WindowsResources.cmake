# windows_resources(TARGET DESCRIPTION): gives a Windows program the
# project's icon, a version resource of PROJECT_VERSION and the manifest
# (UTF-8 as its code page, aware of the screen's dots per inch, the common
# controls of version 6), from one template, cmake/windows/program.rc.in.
# Elsewhere it does nothing.
function(windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(PROGRAM_NAME ${target} OUTPUT_NAME)
  if(NOT PROGRAM_NAME)
    set(PROGRAM_NAME ${target})
  endif()
  set(PROGRAM_FILE "${PROGRAM_NAME}${CMAKE_EXECUTABLE_SUFFIX}")
  set(PROGRAM_DESCRIPTION "${description}")
  set(PROGRAM_ICON "${PROJECT_SOURCE_DIR}/cmake/windows/track.ico")
  set(resources "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
  set(PROGRAM_MANIFEST "${resources}.manifest")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/windows/program.manifest" "${PROGRAM_MANIFEST}" @ONLY)
  configure_file("${PROJECT_SOURCE_DIR}/cmake/windows/program.rc.in" "${resources}.rc" @ONLY)
  target_sources(${target} PRIVATE "${resources}.rc")
  set_property(SOURCE "${resources}.rc" APPEND PROPERTY OBJECT_DEPENDS
               "${PROGRAM_ICON}" "${PROGRAM_MANIFEST}")
endfunction()
