# add_carrying_packager(TARGET FOLDER OUTPUT)
#
# Makes OUTPUT, the packager of the scenario folder FOLDER, as
# `scenario-tool package` makes an author's: the prebuilt packager
# (packager_carried) with the folder's scenario appended. TARGET builds it
# (with `all`); its property PACKAGER_FILE holds OUTPUT. The folder's files
# are globbed again at each build, so a text added or removed is picked up;
# the folder itself is a dependency for removals.
#
# The appending runs here, on the build machine: a native build builds its
# program (target carry_scenario); a cross build must be given one that
# runs here in CARRY_SCENARIO_TOOL.
function(add_carrying_packager target folder output)
  if(CARRY_SCENARIO_TOOL)
    set(carrier "${CARRY_SCENARIO_TOOL}")
  else()
    set(carrier carry_scenario)
  endif()
  file(GLOB scenario_files CONFIGURE_DEPENDS "${folder}/*")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${carrier}" "${folder}" $<TARGET_FILE:packager_carried> "${output}"
    DEPENDS "${carrier}" packager_carried "${folder}" ${scenario_files}
    COMMENT "Making the packager of the scenario in ${folder}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${output}")
  set_target_properties(${target} PROPERTIES PACKAGER_FILE "${output}")
endfunction()
