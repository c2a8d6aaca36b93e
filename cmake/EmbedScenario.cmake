# add_embedded_scenario(TARGET FOLDER [FUNCTION NAME])
#
# Turns a scenario folder into an object library that defines
# `const EmbeddedScenario& NAME()` (TheEmbeddedScenario by default). An
# executable carries exactly the scenario whose object library it links. The
# folder's files are globbed again at each build, so a text added or removed
# is picked up; the folder itself is a dependency for removals.
#
# The generator is a host program. A native build builds it (target
# embed_scenario); a cross build must be given one that runs here in
# EMBED_SCENARIO_TOOL.
function(add_embedded_scenario target folder)
  cmake_parse_arguments(ARG "" "FUNCTION" "" ${ARGN})
  if(NOT ARG_FUNCTION)
    set(ARG_FUNCTION TheEmbeddedScenario)
  endif()
  if(EMBED_SCENARIO_TOOL)
    set(generator "${EMBED_SCENARIO_TOOL}")
    set(generator_dependency "${EMBED_SCENARIO_TOOL}")
  else()
    set(generator embed_scenario)
    set(generator_dependency embed_scenario)
  endif()
  file(GLOB scenario_files CONFIGURE_DEPENDS "${folder}/*")
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/${target}.cc")
  add_custom_command(
    OUTPUT "${generated}"
    COMMAND "${generator}" "${folder}" "${generated}" "${ARG_FUNCTION}"
    DEPENDS ${generator_dependency} "${folder}" ${scenario_files}
    COMMENT "Embedding the scenario from ${folder}"
    VERBATIM)
  add_library(${target} OBJECT "${generated}")
  target_link_libraries(${target} PUBLIC sources)
endfunction()

# The scenario the tests are written for, whatever scenario the build embeds.
set(REFERENCE_SCENARIO_DIR "${PROJECT_SOURCE_DIR}/scenarios/Vardessa_Lontrino_5608")

# add_reference_scenario()
#
# Defines reference_scenario, the object library of the reference scenario.
# It defines TheEmbeddedScenario() too, so a program links it in place of
# embedded_scenario. A build that embeds the reference scenario shares
# embedded_scenario's objects rather than compiling the same tables twice.
function(add_reference_scenario)
  file(REAL_PATH "${SCENARIO_DIR}" embedded)
  file(REAL_PATH "${REFERENCE_SCENARIO_DIR}" reference)
  if(embedded STREQUAL reference)
    add_library(reference_scenario ALIAS embedded_scenario)
  else()
    add_embedded_scenario(reference_scenario "${reference}")
  endif()
endfunction()

# add_scenario_packager(TARGET SCENARIO_LIBRARY)
#
# A packager that carries the scenario of SCENARIO_LIBRARY (an object library
# of add_embedded_scenario) instead of the build's: the users' main and the
# users' link options. All such packagers share one compiled main.
function(add_scenario_packager target scenario_library)
  if(NOT TARGET packager_main)
    add_library(packager_main OBJECT "${PROJECT_SOURCE_DIR}/src/app/main.cc")
    target_link_libraries(packager_main PUBLIC app)
  endif()
  add_executable(${target} WIN32)
  target_link_libraries(${target} PRIVATE packager_main ${scenario_library})
  packager_program(${target})
endfunction()
