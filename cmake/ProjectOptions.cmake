# Warnings and floating-point settings shared by every target of the project.
add_library(borgo_options INTERFACE)
target_compile_options(borgo_options INTERFACE -Wall -Wextra -Werror
  # The line plan is integrated metre by metre in doubles; fused multiply-adds
  # would make the Linux and Windows builds write different line files.
  -ffp-contract=off)
target_include_directories(borgo_options INTERFACE ${PROJECT_SOURCE_DIR})

# <windows.h> without the rarely used parts, and without the min and max
# macros that would break std::min and std::max.
if(WIN32)
  target_compile_definitions(borgo_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX)
endif()

set(BORGO_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined")
if(BORGO_SANITIZE)
  target_compile_options(borgo_options INTERFACE
    -fsanitize=${BORGO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(borgo_options INTERFACE -fsanitize=${BORGO_SANITIZE})
endif()

# GCC 12 sees overlapping copies in std::string concatenations that have none
# when it optimises (its bug 105329); the warning would stop optimised builds.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(borgo_options INTERFACE -Wno-restrict)
endif()
