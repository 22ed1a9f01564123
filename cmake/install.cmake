# Installation and packages.
#   cmake --install build [--prefix P]   bin/seepconv, its manual page, bash, zsh and fish completions,
#                                        the README and the examples under share/doc/seepconv
#   cpack -G DEB (Linux build)           seepconv_VERSION_ARCH.deb of the same files
#   cpack -G ZIP (MinGW build)           seepconv-VERSION-windows-x86_64.zip: seepconv.exe, README.txt,
#                                        examples/
# The manual page and the completions are made at build time from the program's tables of commands,
# options and kinds by make_manual (app/manual.cpp), so they always name what --help names.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS seepconv RUNTIME DESTINATION .)
  # The README as a text file that Notepad shows with its line breaks.
  file(READ ${CMAKE_SOURCE_DIR}/README.md SEEPCONV_README)
  string(REPLACE "\n" "\r\n" SEEPCONV_README "${SEEPCONV_README}")
  file(WRITE ${CMAKE_BINARY_DIR}/README.txt "${SEEPCONV_README}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/README.md)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION examples)
else()
  install(TARGETS seepconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

# zsh reads share/zsh/site-functions under /usr/local; Debian's zsh reads share/zsh/vendor-completions
# under /usr instead, where tools/package puts it for the .deb.
set(SEEPCONV_ZSH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/zsh/site-functions
    CACHE STRING "Folder of the zsh completion under the prefix")

# A cross build cannot run make_manual; the Windows archive has no use for a manual page.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(make_manual tools/make_manual.cpp)
  target_link_libraries(make_manual PRIVATE seepcore)
  # The page's date: today, or SOURCE_DATE_EPOCH's day for a reproducible build.
  string(TIMESTAMP SEEPCONV_MANUAL_DATE "%Y-%m-%d" UTC)
  set(SEEPCONV_MANUAL_DIR ${CMAKE_BINARY_DIR}/manual)
  set(SEEPCONV_MANUAL_FILES ${SEEPCONV_MANUAL_DIR}/seepconv.1 ${SEEPCONV_MANUAL_DIR}/seepconv.bash
                            ${SEEPCONV_MANUAL_DIR}/_seepconv ${SEEPCONV_MANUAL_DIR}/seepconv.fish)
  add_custom_command(
    OUTPUT ${SEEPCONV_MANUAL_FILES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SEEPCONV_MANUAL_DIR}
    COMMAND make_manual ${SEEPCONV_MANUAL_DIR} ${PROJECT_VERSION} ${SEEPCONV_MANUAL_DATE}
    DEPENDS make_manual
    COMMENT "Manual page and shell completions from the option table")
  add_custom_target(manual ALL DEPENDS ${SEEPCONV_MANUAL_FILES})
  if(NOT WIN32)
    install(FILES ${SEEPCONV_MANUAL_DIR}/seepconv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${SEEPCONV_MANUAL_DIR}/seepconv.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME seepconv)
    install(FILES ${SEEPCONV_MANUAL_DIR}/_seepconv DESTINATION ${SEEPCONV_ZSH_COMPLETION_DIR})
    install(FILES ${SEEPCONV_MANUAL_DIR}/seepconv.fish
            DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
  endif()
endif()

set(SEEPCONV_MAINTAINER "seepconv maintainers <seepconv@example.org>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME seepconv)
set(CPACK_PACKAGE_VENDOR seepconv)
set(CPACK_PACKAGE_CONTACT "${SEEPCONV_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter and post-processor for 2-D seepage analysis results")
set(CPACK_PACKAGE_DESCRIPTION
    "seepconv converts the binary result file of a two-dimensional finite-element seepage analysis\n"
    "(saturated and unsaturated groundwater flow) into files for other programs (restart data,\n"
    "TECPLOT, FEMAP, MicroAVS, igPOST, INTERP point histories, VTK XML for ParaView), and draws\n"
    "pictures, flow rates through sections and a one-file HTML report from it.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SEEPCONV_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME seepconv-${PROJECT_VERSION}-windows-x86_64)
else()
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)
