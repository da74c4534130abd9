# Installs the shared library, its public headers, a CMake package
# (find_package(ClipreelEditor) gives ClipreelEditor::ClipreelEditor) and a
# pkg-config file. The static module libraries stay inside the build.
include(CMakePackageConfigHelpers)

set(CLIPREEL_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/ClipreelEditor)
set(CLIPREEL_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/ClipreelEditor)

install(TARGETS ClipreelEditor EXPORT ClipreelEditorTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/
  DESTINATION ${CLIPREEL_INSTALL_HEADERDIR}
  FILES_MATCHING PATTERN "*.h")

install(EXPORT ClipreelEditorTargets
  NAMESPACE ClipreelEditor::
  FILE ClipreelEditorTargets.cmake
  DESTINATION ${CLIPREEL_INSTALL_CMAKEDIR})

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/ClipreelEditorConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ClipreelEditorConfig.cmake
  INSTALL_DESTINATION ${CLIPREEL_INSTALL_CMAKEDIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/ClipreelEditorConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/ClipreelEditorConfig.cmake
  ${PROJECT_BINARY_DIR}/ClipreelEditorConfigVersion.cmake
  DESTINATION ${CLIPREEL_INSTALL_CMAKEDIR})

# pkg-config paths relative to the prefix, so that a staged copy works where
# it lies.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(CLIPREEL_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  set(CLIPREEL_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(CLIPREEL_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/ClipreelEditor")
else()
  set(CLIPREEL_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}/ClipreelEditor")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/clipreel-editor.pc.in
  ${PROJECT_BINARY_DIR}/clipreel-editor.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/clipreel-editor.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The README and the licence travel with every installed copy: on Windows
# beside the programs, elsewhere in the package's documentation folder.
if(WIN32)
  set(CLIPREEL_INSTALL_DOCDIR .)
else()
  set(CLIPREEL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/clipreel)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CLIPREEL_INSTALL_DOCDIR})
