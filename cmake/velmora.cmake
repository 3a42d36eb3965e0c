# Shared build settings for every Windows target of the kit.

if(WIN32)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(VELMORA_TP "${VELMORA_THIRDPARTY}/i686")
  else()
    set(VELMORA_TP "${VELMORA_THIRDPARTY}/x86_64")
  endif()

  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
  # Static runtime: shipped binaries import only Windows system DLLs. Unused sections and
  # symbols are dropped so that the stub prepended to every installer stays small.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections -s)

  add_library(velmora_minizip STATIC IMPORTED GLOBAL)
  set_target_properties(velmora_minizip PROPERTIES
    IMPORTED_LOCATION "${VELMORA_TP}/lib/libminizip.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VELMORA_TP}/include")

  find_library(VELMORA_ZLIB NAMES libz.a z REQUIRED)
  add_library(velmora_zlib STATIC IMPORTED GLOBAL)
  set_target_properties(velmora_zlib PROPERTIES IMPORTED_LOCATION "${VELMORA_ZLIB}")
  target_link_libraries(velmora_minizip INTERFACE velmora_zlib)

  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
endif()

# Code of the installer stub, which travels inside every installer: built for size and
# without C++ exceptions or unwind tables, whose runtime support (unwinder, threads library)
# would be a third of the stub. Running out of memory ends the stub. Everything runs on one
# UI thread, so function-local statics need no locking.
function(velmora_stub_code target)
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:-Os;-fno-exceptions;\
-fno-asynchronous-unwind-tables;-fno-unwind-tables;-fno-threadsafe-statics>")
endfunction()

# A console or GUI program that links the static runtime.
function(velmora_windows_program name)
  cmake_parse_arguments(P "GUI" "" "" ${ARGN})
  add_executable(${name} ${P_UNPARSED_ARGUMENTS})
  if(P_GUI)
    target_link_options(${name} PRIVATE -mwindows -municode)
  else()
    target_link_options(${name} PRIVATE -mconsole -municode)
  endif()
endfunction()
