# HTTP for the tool's live preview: cpp-httplib's single header, compiled
# into the tool with neither TLS nor compression, since the preview speaks
# plain HTTP on loopback. Debian ships the library compiled, bringing
# OpenSSL, Brotli and zlib along; its source package holds the header
# itself, which is unpacked once for every build of a checkout, into
# build/_deps. The version is the one libcpp-httplib-dev has where it is
# installed, else the newest of the release.
set(BORGO_HTTPLIB_DIR ${PROJECT_SOURCE_DIR}/build/_deps/cpp-httplib CACHE PATH
  "cpp-httplib's sources (httplib.h)")
if(NOT EXISTS ${BORGO_HTTPLIB_DIR}/httplib.h)
  # Two builds configured at once fetch it once.
  get_filename_component(httplib_parent ${BORGO_HTTPLIB_DIR} DIRECTORY)
  file(MAKE_DIRECTORY ${httplib_parent})
  file(LOCK ${BORGO_HTTPLIB_DIR}.lock GUARD FILE TIMEOUT 600)
  if(NOT EXISTS ${BORGO_HTTPLIB_DIR}/httplib.h)
    execute_process(COMMAND dpkg-query -W "-f=\${Version}" libcpp-httplib-dev
      OUTPUT_VARIABLE httplib_version ERROR_QUIET)
    if(httplib_version)
      set(httplib_package cpp-httplib=${httplib_version})
    else()
      set(httplib_package cpp-httplib)
    endif()
    message(STATUS "Fetching Debian's source package ${httplib_package}")
    execute_process(
      COMMAND ${PROJECT_SOURCE_DIR}/cmake/debian-source-package.sh ${httplib_package}
              ${BORGO_HTTPLIB_DIR}
      RESULT_VARIABLE fetch_failed)
    if(fetch_failed)
      message(FATAL_ERROR "cpp-httplib's sources could not be fetched: set BORGO_HTTPLIB_DIR")
    endif()
  endif()
  file(LOCK ${BORGO_HTTPLIB_DIR}.lock RELEASE)
endif()
find_package(Threads REQUIRED)
add_library(borgo_httplib INTERFACE)
target_include_directories(borgo_httplib SYSTEM INTERFACE ${BORGO_HTTPLIB_DIR})
target_link_libraries(borgo_httplib INTERFACE Threads::Threads)
if(WIN32)
  target_compile_definitions(borgo_httplib INTERFACE _WIN32_WINNT=0x0A00)
  target_link_libraries(borgo_httplib INTERFACE ws2_32)
endif()
