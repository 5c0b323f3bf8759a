# What a release (the dist preset) needs beyond a Linux build, looked for
# before anything is configured or built, and named all at once when
# missing: the Windows cross toolchain, as cmake/mingw-w64-x86_64.cmake
# names it, with the libraries the Windows build takes from the target's
# side, and the Debian package's tools. Included before project(), where
# programs are looked for on PATH alone.
function(borgo_check_dist_tools)
  # The toolchain file's settings, local to this function.
  include(${CMAKE_CURRENT_LIST_DIR}/../cmake/mingw-w64-x86_64.cmake)
  set(missing "")
  foreach(needed IN ITEMS
      "${CMAKE_CXX_COMPILER}|g++-mingw-w64-x86-64-posix"
      "${CMAKE_RC_COMPILER}|binutils-mingw-w64-x86-64"
      "dpkg-shlibdeps|dpkg-dev"
      "help2man|help2man")
    string(REPLACE "|" ";" needed "${needed}")
    list(GET needed 0 program)
    list(GET needed 1 package)
    unset(found)
    find_program(found ${program} NO_CACHE)
    if(NOT found)
      list(APPEND missing "the program ${program} (Debian: ${package})")
    endif()
  endforeach()
  foreach(needed IN ITEMS
      "${CMAKE_FIND_ROOT_PATH}/lib/libz.a|libz-mingw-w64-dev"
      "/usr/src/googletest/CMakeLists.txt|libgtest-dev")
    string(REPLACE "|" ";" needed "${needed}")
    list(GET needed 0 file)
    list(GET needed 1 package)
    if(NOT EXISTS ${file})
      list(APPEND missing "${file} (Debian: ${package})")
    endif()
  endforeach()
  if(missing)
    list(JOIN missing "\n  " missing)
    message(FATAL_ERROR "The release packages need the Windows cross toolchain and the Debian "
      "package's tools; missing:\n  ${missing}")
  endif()
endfunction()
borgo_check_dist_tools()
