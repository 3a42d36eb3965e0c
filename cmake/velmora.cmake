# Shared build settings for every Windows target of the kit.

if(WIN32)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(VELMORA_TP "${VELMORA_THIRDPARTY}/i686")
  else()
    set(VELMORA_TP "${VELMORA_THIRDPARTY}/x86_64")
  endif()

  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Aggregates initialised in part are the tables of the tests; their other members are meant empty.
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type -Wno-missing-field-initializers)
  # Static runtime: shipped binaries import only Windows system DLLs. Unused sections and
  # symbols are dropped so that the stub prepended to every installer stays small.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections -s)

  add_library(velmora_minizip STATIC IMPORTED GLOBAL)
  set_target_properties(velmora_minizip PROPERTIES
    IMPORTED_LOCATION "${VELMORA_TP}/lib/libminizip.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VELMORA_TP}/include")

  # zlib built from Debian's sources for size (scripts/build-thirdparty.sh), not the prebuilt one.
  if(NOT EXISTS "${VELMORA_TP}/lib/libz.a")
    message(FATAL_ERROR "No ${VELMORA_TP}/lib/libz.a: run scripts/build-thirdparty.sh")
  endif()
  add_library(velmora_zlib STATIC IMPORTED GLOBAL)
  set_target_properties(velmora_zlib PROPERTIES
    IMPORTED_LOCATION "${VELMORA_TP}/lib/libz.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VELMORA_TP}/include")
  target_link_libraries(velmora_minizip INTERFACE velmora_zlib)

  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

  # The linker writes a time stamp into every PE file. Identical sources must give identical
  # binaries (a hash cleared once holds for every rebuild), so the stamp is the time of the
  # last commit, SOURCE_DATE_EPOCH when set, or zero outside a repository.
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(VELMORA_SOURCE_TIME "$ENV{SOURCE_DATE_EPOCH}")
  else()
    set(VELMORA_SOURCE_TIME "")
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE VELMORA_SOURCE_TIME
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --absolute-git-dir
                      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE velmora_git_dir
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      # A new commit configures again, so the stamp follows it.
      if(velmora_git_dir AND EXISTS "${velmora_git_dir}/logs/HEAD")
        set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${velmora_git_dir}/logs/HEAD")
      endif()
    endif()
  endif()
  if(VELMORA_SOURCE_TIME MATCHES "^[0-9]+$")
    # Every link rule (DLLs too), whatever the environment of the build.
    set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "\"${CMAKE_COMMAND}\" -E env SOURCE_DATE_EPOCH=${VELMORA_SOURCE_TIME}")
  else()
    add_link_options(-Wl,--no-insert-timestamp)
  endif()
endif()

# Code of the installer stub, which travels inside every installer: built for size and
# without C++ exceptions or unwind tables, whose runtime support (unwinder, threads library)
# would be a third of the stub. Running out of memory ends the stub. Everything runs on one
# UI thread, so function-local statics need no locking.
function(velmora_stub_code target)
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:-Os;-fno-exceptions;\
-fno-asynchronous-unwind-tables;-fno-unwind-tables;-fno-threadsafe-statics>")
endfunction()

# The sources of `libraries` (absolute paths) in `out`: a shipped program compiles them again
# as one unit, while tests link the libraries.
function(velmora_unit_sources out)
  set(unit)
  foreach(library IN LISTS ARGN)
    get_target_property(sources ${library} SOURCES)
    get_target_property(folder ${library} SOURCE_DIR)
    foreach(source IN LISTS sources)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${folder}")
      list(APPEND unit "${source}")
    endforeach()
  endforeach()
  set(${out} ${unit} PARENT_SCOPE)
endfunction()

# A link map beside the build tree's root (<name>.map), for scripts/bench/sizes.sh.
function(velmora_link_map target)
  if(WIN32)
    target_link_options(${target} PRIVATE "-Wl,-Map=${CMAKE_BINARY_DIR}/$<TARGET_FILE_BASE_NAME:${target}>.map")
  endif()
endfunction()

# A shipped program compiled and linked as one unit (LTO) for size. GCC 12 stops with an
# internal error in its mod/ref pass on the launcher's code unless the unit is one partition
# and that pass is off.
function(velmora_size_unit target)
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:-Os;-flto>")
  # The whole program is optimised at link time: that is where these apply.
  target_link_options(${target} PRIVATE -Os -flto -flto-partition=one -fno-ipa-modref)
  velmora_link_map(${target})
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
