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
