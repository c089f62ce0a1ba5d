# sonrik_add_version_resource(TARGET DESCRIPTION): gives a Windows binary the
# version resource that the file properties dialog shows: the project's
# version as file and product version, the product name and DESCRIPTION. The
# original file name is the target's file name.
function(sonrik_add_version_resource target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(SONRIK_RC_FILETYPE VFT_DLL)
  else()
    set(SONRIK_RC_FILETYPE VFT_APP)
  endif()
  set(SONRIK_RC_DESCRIPTION "${description}")
  set(SONRIK_RC_FILENAME "$<TARGET_FILE_NAME:${target}>")
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/version_resource)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${dir}/${target}.rc.in @ONLY)
  file(GENERATE OUTPUT ${dir}/${target}.rc INPUT ${dir}/${target}.rc.in)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
endfunction()
