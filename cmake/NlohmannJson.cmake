# JSON for Modern C++ (Debian: nlohmann-json3-dev), header only, for the
# tool's structured output.
#
# A cross build looks for packages under the target's root only, where no
# copy of it lives. The headers are the same for every target, so there the
# build machine's are taken: their folder alone is copied into the build
# tree, so that no other header of the build machine comes onto the
# target's include path.
find_package(nlohmann_json 3.10 QUIET)
if(NOT nlohmann_json_FOUND)
  find_path(BORGO_NLOHMANN_JSON_INCLUDE nlohmann/json.hpp
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT BORGO_NLOHMANN_JSON_INCLUDE)
    message(FATAL_ERROR "nlohmann/json.hpp not found (Debian: nlohmann-json3-dev)")
  endif()
  set(borgo_json_include ${CMAKE_BINARY_DIR}/nlohmann-json/include)
  file(COPY ${BORGO_NLOHMANN_JSON_INCLUDE}/nlohmann DESTINATION ${borgo_json_include})
  add_library(borgo_nlohmann_json INTERFACE)
  target_include_directories(borgo_nlohmann_json SYSTEM INTERFACE ${borgo_json_include})
  add_library(nlohmann_json::nlohmann_json ALIAS borgo_nlohmann_json)
endif()
