# nlohmann/json, header-only (Debian: nlohmann-json3-dev), as the target
# nlohmann_json::nlohmann_json.
#
# A native build finds the installed package. A cross build searches only the mingw
# sysroot, where Debian puts no such package; the header itself is the same for every
# target, so it is taken from the host, through a folder in the build tree that holds
# nothing but a link to it: putting the host's /usr/include on the mingw include path
# would mix Linux headers into the Windows build.
find_package(nlohmann_json 3.10 CONFIG QUIET)
if(NOT nlohmann_json_FOUND)
  find_path(KIC_NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp
    PATHS /usr/include /usr/local/include
    NO_CMAKE_FIND_ROOT_PATH)
  if(NOT KIC_NLOHMANN_JSON_INCLUDE_DIR)
    message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev, "
                        "or set KIC_NLOHMANN_JSON_INCLUDE_DIR to the folder holding nlohmann/")
  endif()
  set(KIC_NLOHMANN_JSON_ONLY ${CMAKE_BINARY_DIR}/nlohmann-json-include)
  file(MAKE_DIRECTORY ${KIC_NLOHMANN_JSON_ONLY})
  file(CREATE_LINK ${KIC_NLOHMANN_JSON_INCLUDE_DIR}/nlohmann
       ${KIC_NLOHMANN_JSON_ONLY}/nlohmann SYMBOLIC)
  add_library(kic_nlohmann_json INTERFACE)
  target_include_directories(kic_nlohmann_json SYSTEM INTERFACE ${KIC_NLOHMANN_JSON_ONLY})
  add_library(nlohmann_json::nlohmann_json ALIAS kic_nlohmann_json)
endif()
