# Install rules: the three programs and the two helper scripts (convkit-batch, convkit-plot)
# into bin/, their manual pages into share/man/man1 and the ZEP page into share/man/man5, the
# copyright file and the changelog into share/doc/convkit.
# Included from the top-level CMakeLists.txt after the programs' directories, so that their
# targets exist.
include(GNUInstallDirs)

install(TARGETS vantor pressik colbrand convkit-info RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/convkit-batch
                 ${PROJECT_SOURCE_DIR}/scripts/convkit-plot
        DESTINATION ${CMAKE_INSTALL_BINDIR})

set(CONVKIT_MAN_PAGES vantor.1 pressik.1 colbrand.1 convkit-info.1 zep.5 convkit-batch.1
                      convkit-plot.1)

# The pages are checked in as roff, so installing needs no generator. Debian keeps its pages
# gzip-compressed; they are compressed with -n so that the package is the same for the same
# sources. Without gzip the plain pages are installed, which man reads as well.
find_program(CONVKIT_GZIP gzip)
set(convkit_man_outputs "")
foreach(page ${CONVKIT_MAN_PAGES})
  string(REGEX MATCH "[0-9]$" section ${page})
  set(source ${PROJECT_SOURCE_DIR}/man/${page})
  if(CONVKIT_GZIP)
    set(packed ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${packed}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
                       COMMAND ${CONVKIT_GZIP} -9 -n -c ${source} > ${packed}
                       DEPENDS ${source}
                       COMMENT "Compressing manual page ${page}"
                       VERBATIM)
    list(APPEND convkit_man_outputs ${packed})
    install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  else()
    install(FILES ${source} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  endif()
endforeach()
if(convkit_man_outputs)
  add_custom_target(man_pages ALL DEPENDS ${convkit_man_outputs})
endif()

# share/doc/convkit: the copyright file (from LICENSE) and the changelog (from NEWS.md), as
# Debian wants them. Writing them fails when NEWS.md has no entry for this version.
set(CONVKIT_MAINTAINER
    "convkit maintainers <maintainers@users.noreply.c-seed-5090710a.example>"
    CACHE STRING "Maintainer line of the Debian package and of its changelog")
set(convkit_doc ${PROJECT_BINARY_DIR}/doc)
set(convkit_doc_outputs ${convkit_doc}/copyright ${convkit_doc}/changelog)
add_custom_command(OUTPUT ${convkit_doc_outputs}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${convkit_doc}
                   COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                           -DVERSION=${PROJECT_VERSION} -DMAINTAINER=${CONVKIT_MAINTAINER}
                           -DOUTPUT_DIR=${convkit_doc}
                           -P ${PROJECT_SOURCE_DIR}/cmake/package_docs.cmake
                   DEPENDS ${PROJECT_SOURCE_DIR}/NEWS.md ${PROJECT_SOURCE_DIR}/LICENSE
                           ${PROJECT_SOURCE_DIR}/cmake/package_docs.cmake
                   COMMENT "Writing the copyright file and the changelog"
                   VERBATIM)
set(convkit_changelog ${convkit_doc}/changelog)
if(CONVKIT_GZIP)
  set(convkit_changelog ${convkit_doc}/changelog.gz)
  add_custom_command(OUTPUT ${convkit_changelog}
                     COMMAND ${CONVKIT_GZIP} -9 -n -c ${convkit_doc}/changelog
                             > ${convkit_changelog}
                     DEPENDS ${convkit_doc}/changelog
                     VERBATIM)
endif()
add_custom_target(package_docs ALL DEPENDS ${convkit_doc}/copyright ${convkit_changelog})
install(FILES ${convkit_doc}/copyright ${convkit_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Each page must render as a reader's man renders it, with groff's warnings on, and without a
# single warning: a warning means a reader sees a broken or misplaced line.
if(BUILD_TESTING)
  foreach(page ${CONVKIT_MAN_PAGES})
    add_test(NAME man/${page}
             COMMAND ${CMAKE_COMMAND} -DPAGE=${PROJECT_SOURCE_DIR}/man/${page}
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_man_page.cmake)
    set_tests_properties(man/${page} PROPERTIES SKIP_REGULAR_EXPRESSION "man is not installed")
  endforeach()
endif()
