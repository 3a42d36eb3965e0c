# The launcher's readers of what an installer ships (properties text and typed values, class
# path splitting, path text, the valid-VM list language, VM specification files). They make no
# system call, so the packer builds them too, for Linux as well, and its check judges an
# installer folder exactly as the launcher will.
if(NOT TARGET launcher_file_rules)
  add_library(launcher_file_rules STATIC
    "${CMAKE_SOURCE_DIR}/launcher/list_split.cpp"
    "${CMAKE_SOURCE_DIR}/launcher/path_text.cpp"
    "${CMAKE_SOURCE_DIR}/launcher/properties/property_set.cpp"
    "${CMAKE_SOURCE_DIR}/launcher/properties/property_text.cpp"
    "${CMAKE_SOURCE_DIR}/launcher/vm/vm_list_language.cpp"
    "${CMAKE_SOURCE_DIR}/launcher/vm/vm_spec_file.cpp"
    "${CMAKE_SOURCE_DIR}/launcher/vm/vm_version.cpp")
  target_include_directories(launcher_file_rules PUBLIC "${CMAKE_SOURCE_DIR}")
  if(TARGET velmora_common)
    target_link_libraries(launcher_file_rules PUBLIC velmora_common)
  else()  # the Linux build has no common/ library; the case folding is all it needs of it
    if(NOT TARGET velmora_ascii_case)
      add_library(velmora_ascii_case STATIC "${CMAKE_SOURCE_DIR}/common/ascii_case.cpp")
      target_include_directories(velmora_ascii_case PUBLIC "${CMAKE_SOURCE_DIR}")
    endif()
    target_link_libraries(launcher_file_rules PUBLIC velmora_ascii_case)
  endif()
endif()
