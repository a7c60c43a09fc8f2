# Run by CPack after the install rules have filled the staging folder and before the package is
# made: adds the copyright file and the changelog Debian asks for of every package, compresses
# the changelog and the manual pages, and takes from the (already stripped) binaries the
# sections that only name the compiler, as Debian does.

set(staged "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(docs "${staged}/${CPACK_BK_DOCDIR}")
file(MAKE_DIRECTORY "${docs}")
file(COPY_FILE "${CPACK_BK_SOURCE_DIR}/data/debian/copyright" "${docs}/copyright")

# The changelog's one entry is signed on the version's release day.
execute_process(COMMAND date --utc --rfc-email --date "${CPACK_BK_RELEASE_DATE}"
                OUTPUT_VARIABLE BK_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file("${CPACK_BK_SOURCE_DIR}/data/debian/changelog.in" "${docs}/changelog" @ONLY)

file(GLOB_RECURSE manual_pages "${staged}/${CPACK_BK_MANDIR}/*")
foreach(file IN LISTS manual_pages ITEMS "${docs}/changelog")
    # -n leaves out the name and time, so the same sources give the same package.
    execute_process(COMMAND gzip -9 -n -f "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

file(GLOB binaries "${staged}/${CPACK_BK_BINDIR}/*")
foreach(file IN LISTS binaries)
    execute_process(COMMAND "${CPACK_BK_OBJCOPY}" --remove-section=.comment --remove-section=.note
                            "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
