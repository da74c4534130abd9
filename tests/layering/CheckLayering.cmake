cmake_minimum_required(VERSION 3.24)
# Checks every #include of the library, the sample writer and the tool
# against the table below, the folders each folder may include. Includes
# point down the layers only, never back up:
#   reference -> editor -> reel -> sound -> source -> file -> platform -> bytes
# a folder reaching past the layer below it only where its row says so; cli/
# reaches the library only through the exported headers and sample/.
# Run as: cmake -DROOT=<source tree> -P CheckLayering.cmake
#
# "public" stands for the exported headers in include/, included by bare name.
# source/ reaches platform/ for the current time only (platform/Clock.h);
# sound/ reads the movie's sound description through source/. sample/ loads
# its H.264 encoder through the library's FFmpeg loader.
set(allowed_include   public)
set(allowed_bytes     bytes)
set(allowed_platform  platform bytes public)
set(allowed_file      file platform bytes public)
set(allowed_source    source file bytes public platform/Clock.h)
set(allowed_sound     sound source file bytes public)
set(allowed_reel      reel sound source bytes public)
set(allowed_editor    editor reel sound source file bytes platform public)
set(allowed_reference reference editor reel sound source file bytes platform public)
set(allowed_sample    sample bytes public platform/posix/FFmpegLibraries.h)
set(allowed_cli       cli sample public)

# Headers that tell one operating system from another: only platform/ and the
# tool's own posix/ and win32/ folders may include them; include/SoundFormat.h
# also, as the exported wave format records are Windows' own types there.
set(system_header_pattern
    "^(windows\\.h|winsock2?\\.h|shlwapi\\.h|objbase\\.h|combaseapi\\.h|mfapi\\.h|mfidl\\.h|mfreadwrite\\.h|wincodec\\.h|io\\.h|direct\\.h|unistd\\.h|fcntl\\.h|dirent\\.h|dlfcn\\.h|termios\\.h|sys/.*)$")

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P CheckLayering.cmake")
endif()

set(problems "")
foreach(folder include bytes platform file source sound reel editor reference sample cli)
  file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(path IN LISTS files)
    file(STRINGS ${ROOT}/${path} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    set(os_folder FALSE)
    if(folder STREQUAL "platform" OR path MATCHES "^cli/(.*/)?(posix|win32)/" OR
       path STREQUAL "include/SoundFormat.h")
      set(os_folder TRUE)
    endif()
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header ${CMAKE_MATCH_1})
        if(header MATCHES "^([^/]+)/")
          set(target ${CMAKE_MATCH_1})
        else()
          # A bare name is an exported header, or a neighbour in the same folder.
          get_filename_component(dir ${ROOT}/${path} DIRECTORY)
          if(EXISTS ${dir}/${header} AND NOT folder STREQUAL "include")
            continue()
          endif()
          set(target public)
        endif()
        if(NOT target IN_LIST allowed_${folder} AND NOT header IN_LIST allowed_${folder})
          string(APPEND problems "  ${path}: includes \"${header}\" (${folder}/ may use: ${allowed_${folder}})\n")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(header ${CMAKE_MATCH_1})
        string(TOLOWER "${header}" lower)
        if(NOT os_folder AND lower MATCHES "${system_header_pattern}")
          string(APPEND problems "  ${path}: includes <${header}>, an operating-system header outside platform/\n")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  message(FATAL_ERROR "includes that cross the layering:\n${problems}")
endif()
message(STATUS "layering: every include is allowed")
