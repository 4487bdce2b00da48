# Release packages, made by CPack from the install rules below:
#   cmake --workflow --preset windows-release  ->  ks-image-check-<version>-win64.zip
#   cmake --workflow --preset release          ->  ks-image-check-<version>-linux-x86_64.tar.gz
# The zip is flat, since Explorer's "Extract All" already makes a folder named after
# the archive; the tarball has the usual top-level folder.

# Writes `source` (with FOLLOWED_BY, those files after it, two blank lines between)
# as text for Windows users: CR LF line ends and a UTF-8 byte-order mark, which
# Notepad before Windows 10 1903 needs to not read the text as CP932. With
# SUBSTITUTE, @VARIABLE@ references are replaced as well.
function(kic_write_windows_text source destination)
  cmake_parse_arguments(PARSE_ARGV 2 arg "SUBSTITUTE" "" "FOLLOWED_BY")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source}
                                                                  ${arg_FOLLOWED_BY})
  file(READ ${source} text)
  foreach(part IN LISTS arg_FOLLOWED_BY)
    file(READ ${part} partText)
    string(APPEND text "\n\n${partText}")
  endforeach()
  if(arg_SUBSTITUTE)
    string(CONFIGURE "${text}" text @ONLY)
  endif()
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(ASCII 239 187 191 byteOrderMark)
  file(WRITE ${destination} "${byteOrderMark}${text}")
endfunction()

set(kic_package_texts ${CMAKE_BINARY_DIR}/package-texts)
kic_write_windows_text(${CMAKE_SOURCE_DIR}/packaging/README-ja.txt
                       ${kic_package_texts}/README-ja.txt SUBSTITUTE)

install(TARGETS ks-image-check RUNTIME DESTINATION .)
install(FILES ${kic_package_texts}/README-ja.txt DESTINATION .)
# Beside the program, so that a project file can name it for editors' completion.
install(FILES ${CMAKE_SOURCE_DIR}/ks-image-check.schema.json DESTINATION .)

set(CPACK_PACKAGE_NAME ks-image-check)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Finds images that .ks scenario scripts reference but a project lacks")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  # The C++ runtime is linked into the .exe, so its notices travel with it, and
  # those of the libraries compiled in.
  kic_write_windows_text(${CMAKE_SOURCE_DIR}/packaging/LICENSES-windows.txt
                         ${kic_package_texts}/LICENSES.txt FOLLOWED_BY
                         ${CMAKE_SOURCE_DIR}/packaging/LICENSES-libraries.txt)
  install(FILES ${kic_package_texts}/LICENSES.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
  # The system's C++ runtime is shared; only the libraries compiled in need notices.
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/LICENSES-libraries.txt DESTINATION .
          RENAME LICENSES.txt)
  set(CPACK_GENERATOR TGZ)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
endif()
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
include(CPack)
