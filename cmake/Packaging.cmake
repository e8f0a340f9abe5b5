# What "cmake --install" puts beside the programs, and the Debian package that "cpack -G DEB" in
# the build folder makes of it: manual pages, the package's changelog and copyright, and the
# dependencies that dpkg-shlibdeps finds in the programs.
include(GNUInstallDirs)

set(VEXLOR_PACKAGE_NAME vexlor)
set(VEXLOR_PACKAGE_DOCS ${CMAKE_INSTALL_DATAROOTDIR}/doc/${VEXLOR_PACKAGE_NAME})

# Debian wants manual pages and the changelog compressed, and reproducibly so.
set(compressed)
foreach(file vexlor.1 vexlor-dump.1 changelog)
  set(output ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${file} > ${output}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${file})
  list(APPEND compressed ${output})
endforeach()
add_custom_target(vexlor_package_files ALL DEPENDS ${compressed})

if(VEXLOR_GUI)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/vexlor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${CMAKE_BINARY_DIR}/packaging/vexlor-dump.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${VEXLOR_PACKAGE_DOCS} RENAME changelog.Debian.gz)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${VEXLOR_PACKAGE_DOCS})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VEXLOR_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vexlor Player developers <vexlor@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Commodore 64 music player for SID chips")
set(CPACK_PACKAGE_DESCRIPTION
  "Vexlor Player loads Commodore 64 music (PSID and RSID .sid files, C64 program\n"
  "files), runs its music code on an emulated C64 and plays every timed SID\n"
  "register write on HardSID or Catweasel cards. It shows HVSC song lengths, STIL\n"
  "and bug-list texts and the music routine a tune uses, answers the desktop's\n"
  "media keys and can become the default player for .sid files.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program refreshes the user's MIME and desktop databases with these when it registers.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
