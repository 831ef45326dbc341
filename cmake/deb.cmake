# The Debian package: `cpack` in the build folder gives
# katsort_<version>-<release>_<architecture>.deb, as Debian's checker
# (lintian) expects it: the binary stripped, the manual page and the
# changelog compressed, a copyright file, the dependencies read off the
# binary.
include(GNUInstallDirs)

# gzip -9n: the most compression, and no name or time in the header.
function(katsort_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${source} ${target}
    DEPENDS ${source} VERBATIM)
endfunction()

set(katsort_deb_dir ${PROJECT_BINARY_DIR}/deb)
file(MAKE_DIRECTORY ${katsort_deb_dir})
katsort_gzip(${PROJECT_SOURCE_DIR}/app/katsort.1 ${katsort_deb_dir}/katsort.1.gz)
katsort_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian ${katsort_deb_dir}/changelog.Debian.gz)
add_custom_target(katsort_documentation ALL
  DEPENDS ${katsort_deb_dir}/katsort.1.gz ${katsort_deb_dir}/changelog.Debian.gz)

install(FILES ${katsort_deb_dir}/katsort.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${katsort_deb_dir}/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME katsort)

set(CPACK_PACKAGE_NAME katsort)
set(CPACK_PACKAGE_VENDOR "katsort")
set(CPACK_PACKAGE_CONTACT "katsort developers <katsort@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sort and renumber the lots of an auction catalogue")
set(CPACK_PACKAGE_DESCRIPTION "katsort is a full-screen terminal program for the staff of an
auction house. It loads the lots of auction catalogue 1 from katalog.txt,
kat_emneliste.txt and emne.txt (code page 850) in the current folder, shows
them as a paged list on an 80 x 50 screen, sorts them by up to four
priorities, renumbers them and writes the lot list back safely.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The version of the package, not of the program: a new package of the same
# program raises it (and gets an entry in packaging/changelog.Debian).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Every file in the package is dated as the newest entry of the changelog
# (CPack dates them by SOURCE_DATE_EPOCH), so the same sources give the same
# package. Read by cpack, as is what follows for a cross build.
set(katsort_cpack_config ${katsort_deb_dir}/cpack_config.cmake)
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian trailers REGEX "^ -- ")
list(GET trailers 0 newest_trailer)
string(REGEX REPLACE "^ -- [^>]*>  " "" newest_date "${newest_trailer}")
execute_process(COMMAND date -u -d "${newest_date}" +%s RESULT_VARIABLE status
  OUTPUT_VARIABLE katsort_package_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(status EQUAL 0)
  file(WRITE ${katsort_cpack_config} "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${katsort_package_epoch})
endif()\n")
else()
  message(STATUS "The package's files are dated when it is made: no date read from '${newest_date}'")
  file(WRITE ${katsort_cpack_config} "")
endif()
set(CPACK_PROJECT_CONFIG_FILE ${katsort_cpack_config})

if(CMAKE_CROSSCOMPILING)
  # A cross-built program's libraries are the cross toolchain's, packaged
  # under other names (libc6:arm64, libgcc-s1-arm64-cross): its dependencies
  # are read off it when the package is made, with the names of the packages
  # on the machine it is for.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(katsort_deb_architecture arm64)
  else()
    message(FATAL_ERROR "no Debian architecture known for ${CMAKE_SYSTEM_PROCESSOR}")
  endif()
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${katsort_deb_architecture})
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/deb_cross_depends.cmake.in
    ${katsort_deb_dir}/cross_depends.cmake.in @ONLY)
  file(GENERATE OUTPUT ${katsort_deb_dir}/cross_depends.cmake
    INPUT ${katsort_deb_dir}/cross_depends.cmake.in)
  file(APPEND ${katsort_cpack_config} "include(\"${katsort_deb_dir}/cross_depends.cmake\")\n")
endif()
include(CPack)
