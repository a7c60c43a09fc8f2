# The Debian package: `cpack -G DEB` in a build folder, or the `package` target, makes
# brannoway-kestrill_<version>_<arch>.deb of what the install rules put in place.
# tools/package builds it with Debian's compiler flags.

set(BK_PACKAGE_MAINTAINER "Brannoway-Kestrill developers <packages@brannoway-kestrill.example>"
    CACHE STRING "Maintainer field and changelog signature of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brannoway-kestrill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate files and delete the surplus copies")
set(CPACK_PACKAGE_DESCRIPTION "\
Brannoway-Kestrill walks the folders it is given and groups the files
whose contents are equal, compared byte for byte, or whose names are
equal. For each group it marks the copy to keep and deletes either the
marked file or every other file of the group. Before deleting, it checks
on disk that the files are still the ones it compared.

The interface is in German.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binary itself; the font is one the program asks for by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

# What Debian wants of every package beyond the installed files: the copyright file, the
# changelog, manual pages and changelog compressed, and binaries without the compiler's notes. A plain `cmake --install` leaves these
# to whoever packages it. CPack hands the script only CPACK_ variables.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebianPackageStaging.cmake)
set(CPACK_BK_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_BK_RELEASE_DATE ${BK_RELEASE_DATE})
set(CPACK_BK_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_BK_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
set(CPACK_BK_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_BK_OBJCOPY ${CMAKE_OBJCOPY})

include(CPack)
