# Helpers shared by every folder's CMakeLists.txt.

# Warnings as errors on our own code only.
function(clipreel_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
      # GCC 12's flow-based bounds warnings misfire inside libstdc++'s vector
      # and string code once inlined at -O2 (GCC bugs 105651, 106199, 107852).
      # They stay visible as warnings; real overruns are the sanitizer
      # build's to catch.
      target_compile_options(${target} PRIVATE -Wno-error=array-bounds
        -Wno-error=stringop-overflow -Wno-error=stringop-overread -Wno-error=restrict)
    endif()
  endif()
endfunction()

# clipreel_module(NAME SOURCES ... [DEPENDS ...] [LIBS ...])
# One static library per folder; the shared library links them all whole.
function(clipreel_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LIBS" ${ARGN})
  # The objects are compiled once: the static library serves tests and tools,
  # the shared library is made of the same objects.
  add_library(clipreel_${name}_objects OBJECT ${ARG_SOURCES})
  add_library(clipreel_${name} STATIC $<TARGET_OBJECTS:clipreel_${name}_objects>)
  foreach(target clipreel_${name}_objects clipreel_${name})
    target_include_directories(${target} PUBLIC
      ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
    target_compile_definitions(${target} PUBLIC CLIPREEL_BUILDING)
    foreach(dep IN LISTS ARG_DEPENDS)
      target_link_libraries(${target} PUBLIC clipreel_${dep})
    endforeach()
    if(ARG_LIBS)
      target_link_libraries(${target} PUBLIC ${ARG_LIBS})
    endif()
  endforeach()
  clipreel_warnings(clipreel_${name}_objects)
  set_property(GLOBAL APPEND PROPERTY CLIPREEL_EXTERNAL_LIBS ${ARG_LIBS})
endfunction()

# The .cpp files of a folder, with the platform backend's subfolder only.
function(clipreel_glob_sources out dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "/posix/")
  else()
    list(FILTER sources EXCLUDE REGEX "/win32/")
  endif()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
