# Release packages made by `cpack` from a build tree: on Linux a Debian
# package of everything `cmake --install` puts in place, on Windows a zip of
# the same. The version is the project's own, so the package names, the
# tool's --version and the library's package files always agree.
set(CPACK_PACKAGE_NAME clipreel)
set(CPACK_PACKAGE_VENDOR "ClipreelEditor developers")
set(CPACK_PACKAGE_CONTACT "ClipreelEditor developers <clipreel@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "edits the reel movies a camera records in its Clipreel mode, losslessly")
set(CPACK_PACKAGE_DESCRIPTION
  "clipreel opens the QuickTime movies a digital camera records in its Clipreel mode (a series \
of short clips of one shape), lists their shooting units, removes and reorders them and writes \
the result without re-encoding: a new self-contained camera movie or a reference movie. The \
package holds the clipreel tool, the ClipreelEditor shared library, its headers, CMake package \
and pkg-config file.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Programs and libraries ship without their symbol tables, as distributions do.
set(CPACK_STRIP_FILES ON)
# Only what `cmake --install` installs, from the top of the tree: no
# component splits, so the package and a staged install hold the same files.
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(clipreel_windows_flavour win64)
  else()
    set(clipreel_windows_flavour win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME clipreel-${PROJECT_VERSION}-${clipreel_windows_flavour})
  # The zip opens to its files, not to a folder of the package's name.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The shared libraries the tool and the library link are found by
  # dpkg-shlibdeps from the files themselves.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The library opens FFmpeg's libraries only when it first needs them, so
  # dpkg-shlibdeps cannot see them: the packages that hold the very files it
  # opens are named here, found at configure time from the libraries
  # pkg-config resolved.
  set(clipreel_loaded_packages)
  find_program(CLIPREEL_DPKG_QUERY dpkg-query)
  if(CLIPREEL_DPKG_QUERY AND CLIPREEL_HAVE_FFMPEG)
    foreach(library IN LISTS FFMPEG_LINK_LIBRARIES)
      # The development link (libavcodec.so) leads to the versioned file
      # that the runtime package holds.
      get_filename_component(real ${library} REALPATH)
      execute_process(COMMAND ${CLIPREEL_DPKG_QUERY} -S ${real}
        OUTPUT_VARIABLE owner RESULT_VARIABLE status ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(status EQUAL 0)
        string(REGEX REPLACE ":.*" "" owner "${owner}")
        list(APPEND clipreel_loaded_packages ${owner})
      endif()
    endforeach()
  endif()
  list(REMOVE_DUPLICATES clipreel_loaded_packages)
  list(JOIN clipreel_loaded_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()

include(CPack)
