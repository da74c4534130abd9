# Third-party libraries. FFmpeg and libjpeg-turbo serve the POSIX frame grab,
# scaling and JPEG encoding, and the sample writer's real H.264 frames; the
# Windows build uses the system's own services instead.
find_package(PkgConfig)
set(CLIPREEL_HAVE_FFMPEG OFF)
set(CLIPREEL_HAVE_TURBOJPEG OFF)
if(PkgConfig_FOUND AND NOT WIN32)
  pkg_check_modules(FFMPEG IMPORTED_TARGET libavformat libavcodec libswscale libavutil)
  if(FFMPEG_FOUND)
    set(CLIPREEL_HAVE_FFMPEG ON)
  endif()
  pkg_check_modules(TURBOJPEG IMPORTED_TARGET libturbojpeg)
  if(TURBOJPEG_FOUND)
    set(CLIPREEL_HAVE_TURBOJPEG ON)
  endif()
endif()
