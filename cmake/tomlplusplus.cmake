# toml++, header-only (Debian: libtomlplusplus-dev), as the target
# tomlplusplus::header_only.
#
# Debian's CMake package for it links a shared library built from the same header,
# which would make the program depend on one more system library at run time and the
# Windows build on a library Debian does not cross-build. The header alone does the
# whole job, so every build takes it, from the host as cmake/nlohmann_json.cmake does
# for a cross build: through a folder in the build tree that holds nothing but a link
# to it, never the host's /usr/include as a whole.
find_path(KIC_TOMLPLUSPLUS_INCLUDE_DIR toml++/toml.h
  PATHS /usr/include /usr/local/include
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT KIC_TOMLPLUSPLUS_INCLUDE_DIR)
  message(FATAL_ERROR "toml++/toml.h not found: install libtomlplusplus-dev, "
                      "or set KIC_TOMLPLUSPLUS_INCLUDE_DIR to the folder holding toml++/")
endif()
set(KIC_TOMLPLUSPLUS_ONLY ${CMAKE_BINARY_DIR}/tomlplusplus-include)
file(MAKE_DIRECTORY ${KIC_TOMLPLUSPLUS_ONLY})
file(CREATE_LINK ${KIC_TOMLPLUSPLUS_INCLUDE_DIR}/toml++
     ${KIC_TOMLPLUSPLUS_ONLY}/toml++ SYMBOLIC)
add_library(kic_tomlplusplus INTERFACE)
target_include_directories(kic_tomlplusplus SYSTEM INTERFACE ${KIC_TOMLPLUSPLUS_ONLY})
target_compile_definitions(kic_tomlplusplus INTERFACE TOML_HEADER_ONLY=1)
add_library(tomlplusplus::header_only ALIAS kic_tomlplusplus)
