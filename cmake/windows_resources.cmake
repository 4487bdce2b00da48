# Every Windows build of the program carries an application manifest (long paths,
# Windows 10/11, no elevation) and a version resource, both configured from the
# project version so that Explorer's Properties, --version and the package name agree.
enable_language(RC)

foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(kic_version_${part} 0)
  else()
    set(kic_version_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
set(KIC_VERSION_COMMAS
    "${kic_version_MAJOR},${kic_version_MINOR},${kic_version_PATCH},${kic_version_TWEAK}")
set(KIC_VERSION_DOTTED4
    "${kic_version_MAJOR}.${kic_version_MINOR}.${kic_version_PATCH}.${kic_version_TWEAK}")

set(KIC_MANIFEST_FILE ${CMAKE_BINARY_DIR}/ks-image-check.manifest)
set(kic_resource_file ${CMAKE_BINARY_DIR}/ks-image-check.rc)
configure_file(${CMAKE_SOURCE_DIR}/packaging/ks-image-check.manifest.in ${KIC_MANIFEST_FILE}
               @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/ks-image-check.rc.in ${kic_resource_file} @ONLY)

target_sources(ks-image-check PRIVATE ${kic_resource_file})
if(MSVC)
  # The linker merges a listed .manifest into the one it embeds anyway.
  target_sources(ks-image-check PRIVATE ${KIC_MANIFEST_FILE})
else()
  set_property(SOURCE ${kic_resource_file} APPEND PROPERTY COMPILE_DEFINITIONS
               KIC_EMBED_MANIFEST)
  set_property(SOURCE ${kic_resource_file} APPEND PROPERTY OBJECT_DEPENDS
               ${KIC_MANIFEST_FILE})
endif()
