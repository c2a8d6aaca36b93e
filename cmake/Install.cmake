# What `cmake --install` puts where on Linux, and the Debian package of it
# (`make deb`, with CPack):
#
#   bin/scenario-tool
#   lib/scenario-tool/packager-linux-x86_64     PACKAGER_PREBUILT_INSTALL_DIR
#   lib/scenario-tool/scenario-tool-server.so   watch's page server
#   share/man/man1/scenario-tool.1.gz
#   share/bash-completion/completions/scenario-tool
#   share/zsh/vendor-completions/_scenario-tool
#   share/doc/scenario-tool/                    the guide, docs/ of the sources:
#                                               PACKAGER_GUIDE_INSTALL_DIR, and
#                                               the copyright (cmake/debian/)
#
# The manual page and the completions are written at build time by the
# scenario-tool just built, from its table of commands.

set(installed_dir "${CMAKE_BINARY_DIR}/installed")
set(manual_page "${installed_dir}/scenario-tool.1")
set(bash_completion "${installed_dir}/scenario-tool.bash")
set(zsh_completion "${installed_dir}/_scenario-tool")
set(installed_outputs "${manual_page}" "${bash_completion}" "${zsh_completion}")
# Manual pages are installed compressed, as man expects of a system's own.
find_program(GZIP_PROGRAM gzip)
set(compress_manual_page "")
set(installed_manual_page "${manual_page}")
if(GZIP_PROGRAM)
  set(compress_manual_page COMMAND "${GZIP_PROGRAM}" -9nkf "${manual_page}")
  set(installed_manual_page "${manual_page}.gz")
  list(APPEND installed_outputs "${installed_manual_page}")
endif()
set(write_output "${CMAKE_CURRENT_LIST_DIR}/ProgramOutput.cmake")
add_custom_command(
  OUTPUT ${installed_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory "${installed_dir}"
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:scenario-tool> -DARGS=man
          "-DOUTPUT=${manual_page}" -P "${write_output}"
  ${compress_manual_page}
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:scenario-tool> "-DARGS=completions;bash"
          "-DOUTPUT=${bash_completion}" -P "${write_output}"
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:scenario-tool> "-DARGS=completions;zsh"
          "-DOUTPUT=${zsh_completion}" -P "${write_output}"
  DEPENDS scenario-tool "${write_output}"
  COMMENT "Writing the manual page and the shell completions of scenario-tool"
  VERBATIM)
add_custom_target(installed_files ALL DEPENDS ${installed_outputs})

install(TARGETS scenario-tool RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# Installed as it was built, never stripped again: `package` copies its bytes.
install(PROGRAMS "$<TARGET_FILE:packager_carried>"
        DESTINATION "${PACKAGER_PREBUILT_INSTALL_DIR}")
# watch's page server, loaded from beside scenario-tool or from here.
if(TARGET page_server_module)
  install(TARGETS page_server_module LIBRARY DESTINATION "${PACKAGER_PREBUILT_INSTALL_DIR}")
endif()
install(FILES "${installed_manual_page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${bash_completion}" RENAME scenario-tool
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions")
install(FILES "${zsh_completion}"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/" DESTINATION "${PACKAGER_GUIDE_INSTALL_DIR}")
# Who holds the copyright, where Debian looks for it.
install(FILES "${CMAKE_CURRENT_LIST_DIR}/debian/copyright"
        DESTINATION "${PACKAGER_GUIDE_INSTALL_DIR}")
# lintian's overrides, each with its reason.
install(FILES "${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides" RENAME scenario-tool
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides")

# Installing builds nothing: `make deb` builds the programs first, and a test
# that packages the build does not build every test program again.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scenario-tool)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Scenario packager developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scenario author's companion of the train-driving simulator's packager")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "scenario-tool checks a scenario's texts for every error at once, compiles\n\
them with the packager's own stages, decodes the binary files, draws the\n\
line's plan and profile, writes a report page on a scenario folder, and\n\
makes packagers for Linux and Windows without a compiler. It serves editors\n\
through the Language Server Protocol and comes with its manual page and\n\
bash and zsh completions.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Scenario packager developers <scenario-tool@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are computed from the programs (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# NAME_VERSION_ARCH.deb, e.g. scenario-tool_1.0.0_amd64.deb.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# CPack has every package that puts a shared object under /usr/lib run
# ldconfig after installing and removing it; watch's page server there is a
# module that scenario-tool loads by its path, which no other program links,
# so the package is made again without those two scripts.
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/debian/WithoutLdconfig.cmake")
include(CPack)
