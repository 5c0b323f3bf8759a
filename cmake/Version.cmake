# The version every program shows, set once by project(): in --version, in
# the Windows programs' file properties, in the release archives' names and
# in the Debian package.
#
# A tree with changes not committed, as git sees it when the build is
# configured, is not the release of that number: its version says so,
# VERSION-dirty (VERSION+dirty for Debian, whose versions give "-" a meaning
# of their own). Without git, or outside a checkout, the plain version.
set(BORGO_VERSION ${PROJECT_VERSION})
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
  # No lock on the index: another git command may be running in the tree.
  execute_process(COMMAND ${GIT_EXECUTABLE} --no-optional-locks status --porcelain
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    RESULT_VARIABLE git_failed OUTPUT_VARIABLE git_changes ERROR_VARIABLE git_error)
  if(git_failed)
    message(STATUS "git status failed, the version is the plain ${PROJECT_VERSION}: ${git_error}")
  elseif(NOT git_changes STREQUAL "")
    set(BORGO_VERSION ${PROJECT_VERSION}-dirty)
  endif()
endif()
string(REPLACE "-" "+" BORGO_DEBIAN_VERSION ${BORGO_VERSION})
message(STATUS "Version ${BORGO_VERSION}")

# borgo/version.hpp, for the code.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.hpp.in
  ${CMAKE_BINARY_DIR}/generated/borgo/version.hpp @ONLY)
add_library(borgo_version INTERFACE)
target_include_directories(borgo_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

# The version resource of a Windows program, which Windows shows in the
# file's properties:
#   borgo_version_resource(TARGET DESCRIPTION PRODUCT LANGUAGE)
# LANGUAGE is the language of the program's own text, as a Windows language
# id in four hex digits (0409 English, 0410 Italian); the strings are
# Windows-1252.
if(WIN32)
  enable_language(RC)
endif()
function(borgo_version_resource target description product language)
  set(BORGO_RC_NAME ${target})
  set(BORGO_RC_DESCRIPTION ${description})
  set(BORGO_RC_PRODUCT ${product})
  set(BORGO_RC_LANGUAGE ${language})
  set(resource ${CMAKE_BINARY_DIR}/generated/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})
endfunction()
