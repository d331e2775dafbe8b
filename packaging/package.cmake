# The Debian package (cpack -G DEB, or the `package` target): the install rules of the main build
# plus the menu entry and its icon, manual pages made by help2man from the programs' --help, the
# copyright file and the changelog. Dependencies come from the binaries through dpkg-shlibdeps.

set(quorvelle_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/quorvelle)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorvelle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${quorvelle_doc_dir})
if(TARGET assets)
  install(FILES ${CMAKE_BINARY_DIR}/quorvelle.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
endif()

# Debian keeps manual pages and changelogs compressed, without a time stamp in the gzip header.
find_program(GZIP_PROGRAM gzip REQUIRED)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog.in)
set(packaging_outputs ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${quorvelle_doc_dir})

find_program(HELP2MAN_PROGRAM help2man)
if(HELP2MAN_PROGRAM)
  foreach(program quorvelle quorvelle-capture quorvelle-bench)
    set(page ${CMAKE_BINARY_DIR}/packaging/${program}.1)
    set(version_option "")
    if(program STREQUAL "quorvelle-bench")   # the benchmark has no --version of its own
      set(version_option --version-string ${PROJECT_VERSION})
    endif()
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${HELP2MAN_PROGRAM} --no-info --section 1 ${version_option} --include ${CMAKE_SOURCE_DIR}/packaging/${program}.h2m
              --output ${page} "sh ${CMAKE_SOURCE_DIR}/packaging/help_for_man.sh $<TARGET_FILE:${program}>"
      COMMAND ${GZIP_PROGRAM} -9nf ${page}
      DEPENDS ${program} ${CMAKE_SOURCE_DIR}/packaging/${program}.h2m ${CMAKE_SOURCE_DIR}/packaging/help_for_man.sh
      COMMENT "Writing the manual page of ${program}" VERBATIM)
    list(APPEND packaging_outputs ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "help2man not found: no manual pages (scripts/bootstrap.sh test installs it)")
endif()
add_custom_target(packaging_files ALL DEPENDS ${packaging_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvelle)
set(CPACK_PACKAGE_VENDOR "The quorvelle developers")
set(CPACK_PACKAGE_CONTACT "The quorvelle developers <maintainers@quorvelle.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "software-rendered audiovisual demo")
set(CPACK_PACKAGE_DESCRIPTION
  "A real-time audiovisual demo: one synthesised soundtrack and, locked to its
play position, a fixed script of 92 scenes drawn at 512x384 in 32-bit colour
entirely in software, shown full screen or in a window. The package also holds
quorvelle-capture, which renders the demo frame-exact to pictures, frame hashes
or an MP4 video, and quorvelle-bench, which times the drawing.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
