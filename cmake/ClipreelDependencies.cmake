# Third-party libraries. FFmpeg and libjpeg-turbo serve the POSIX frame grab,
# scaling and JPEG encoding, and the sample writer's real H.264 frames; the
# Windows build uses the system's own services instead. Without them the
# POSIX backend cannot be built, so their absence stops the configure step
# with the packages to install, rather than a compile or link error later.
set(CLIPREEL_HAVE_FFMPEG OFF)
set(CLIPREEL_HAVE_TURBOJPEG OFF)
if(NOT WIN32)
  find_package(PkgConfig)
  if(NOT PkgConfig_FOUND)
    message(FATAL_ERROR "pkg-config is needed to find FFmpeg and libjpeg-turbo: "
                        "install the Debian package pkg-config")
  endif()
  pkg_check_modules(FFMPEG IMPORTED_TARGET libavformat libavcodec libswscale libavutil)
  if(NOT FFMPEG_FOUND)
    message(FATAL_ERROR "FFmpeg's libraries are missing: install the Debian packages "
                        "libavformat-dev libavcodec-dev libswscale-dev libavutil-dev")
  endif()
  set(CLIPREEL_HAVE_FFMPEG ON)
  # The library itself loads FFmpeg when it first grabs a frame
  # (platform/posix/FFmpegLibraries.cpp) and so compiles against its headers
  # without linking it: a program that never grabs a frame starts without
  # loading FFmpeg and the libraries of all its codecs.
  add_library(clipreel_ffmpeg_headers INTERFACE)
  get_target_property(ffmpeg_includes PkgConfig::FFMPEG INTERFACE_INCLUDE_DIRECTORIES)
  if(ffmpeg_includes)
    target_include_directories(clipreel_ffmpeg_headers SYSTEM INTERFACE ${ffmpeg_includes})
  endif()
  pkg_check_modules(TURBOJPEG IMPORTED_TARGET libturbojpeg)
  if(NOT TURBOJPEG_FOUND)
    message(FATAL_ERROR "libjpeg-turbo is missing: install the Debian package libturbojpeg0-dev")
  endif()
  set(CLIPREEL_HAVE_TURBOJPEG ON)
endif()
