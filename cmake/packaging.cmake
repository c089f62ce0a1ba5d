# What `cmake --install` puts in place and what CPack packs, for the command
# line on Linux: /usr/bin/sonrik-tag and its manual page. The Windows files
# (Sonrik.dll, sonrik.exe, sonrik-tag.exe) go into a zip made by
# scripts/package.sh instead.
if(WIN32)
  return()
endif()

include(GNUInstallDirs)
install(TARGETS sonrik-tag RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/sonrik-tag.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonrik-tag)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Sonrik editor developers <sonrik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show and change the ID3v1 and Lyrics3 tags of MP3 files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "show and change the ID3v1 and Lyrics3 tags of MP3 files\n sonrik-tag shows and sets the ID3v1/ID3v1.1 record and the Lyrics3 block at\n the end of MP3 files, renames files from their tags and fills tags from\n file names by templates such as <ARTIST> - <TITLE>, and undoes any run\n that changed files from its journal.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
