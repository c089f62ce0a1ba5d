# Two header-only Debian libraries: CLI11 for the command line, nlohmann-json
# for JSON (the command line's output and the change journal). A cross tree
# looks for packages below the MinGW root only, and /usr/include as a whole
# must not reach the cross compiler (its C headers are glibc's), so there the
# two folders are linked into the build tree and that folder is searched.
if(CMAKE_CROSSCOMPILING)
  set(SONRIK_HOST_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
  foreach(header CLI/CLI.hpp nlohmann/json.hpp)
    get_filename_component(folder ${header} DIRECTORY)
    find_path(SONRIK_HOST_${folder}_DIR ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT SONRIK_HOST_${folder}_DIR)
      message(FATAL_ERROR "${header} is missing: scripts/setup.sh installs libcli11-dev and nlohmann-json3-dev")
    endif()
    file(MAKE_DIRECTORY ${SONRIK_HOST_HEADERS})
    file(CREATE_LINK ${SONRIK_HOST_${folder}_DIR}/${folder} ${SONRIK_HOST_HEADERS}/${folder} SYMBOLIC)
  endforeach()
  add_library(sonrik_header_libraries INTERFACE)
  target_include_directories(sonrik_header_libraries SYSTEM INTERFACE ${SONRIK_HOST_HEADERS})
else()
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json 3 CONFIG REQUIRED)
  add_library(sonrik_header_libraries INTERFACE)
  target_link_libraries(sonrik_header_libraries INTERFACE CLI11::CLI11 nlohmann_json::nlohmann_json)
endif()

