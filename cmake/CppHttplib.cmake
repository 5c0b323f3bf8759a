# HTTP for the tool's live preview comes from Debian's cpp-httplib
# (libcpp-httplib-dev). On Linux it is a compiled library; the Windows build
# compiles the library's own single header instead, from Debian's source
# package of the same version, unpacked once into the build folder.
if(WIN32)
  set(BORGO_HTTPLIB_DIR ${CMAKE_BINARY_DIR}/_deps/cpp-httplib CACHE PATH
    "cpp-httplib's sources (httplib.h) for the Windows build")
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
  add_library(borgo_httplib INTERFACE)
  target_include_directories(borgo_httplib SYSTEM INTERFACE ${BORGO_HTTPLIB_DIR})
  target_compile_definitions(borgo_httplib INTERFACE _WIN32_WINNT=0x0A00)
  target_link_libraries(borgo_httplib INTERFACE ws2_32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  add_library(borgo_httplib INTERFACE)
  target_link_libraries(borgo_httplib INTERFACE PkgConfig::HTTPLIB)
endif()
