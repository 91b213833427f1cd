# Shared settings and helpers of the build.
#
# Two configurations come out of one tree:
#  - the cross build (CMAKE_CROSSCOMPILING): the three programs, every library and every
#    test, run under Wine through the emulator wrapper;
#  - the native build: only the units that need no Win32, with the host compiler and the
#    address and undefined-behaviour sanitizers, and their tests.
if(CMAKE_CROSSCOMPILING)
  set(KV_WINDOWS ON)
  enable_language(RC)
else()
  set(KV_WINDOWS OFF)
endif()

set(KV_WARNINGS -Wall -Wextra)
# Release: the programs as delivered, optimised, without debug sections.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(KV_WINDOWS)
  add_compile_definitions(WINVER=0x0501 _WIN32_WINNT=0x0501 _WIN32_IE=0x0600 NOMINMAX)
  # Everything static: the programs need no DLL beside them.
  set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
  # Stripped: no symbols or debug sections of the static libraries either.
  set(CMAKE_EXE_LINKER_FLAGS_RELEASE "${CMAKE_EXE_LINKER_FLAGS_RELEASE} -s")
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(KV_PNG_PREFIX ${CMAKE_SOURCE_DIR}/.cache/libpng-mingw)
    set(KV_WINEARCH win32)
    set(KV_MANIFEST_ARCH x86)
  else()
    set(KV_PNG_PREFIX ${CMAKE_SOURCE_DIR}/.cache/libpng-mingw-${CMAKE_SYSTEM_PROCESSOR})
    set(KV_WINEARCH win64)
    set(KV_MANIFEST_ARCH amd64)
  endif()
  # The programs' manifest names the architecture of the build, for the program and for the
  # common controls it asks for; their resource scripts find it in this folder.
  set(KV_MANIFEST_DIR ${CMAKE_BINARY_DIR}/manifest)
  configure_file(${CMAKE_SOURCE_DIR}/installer/resources/app.manifest.in ${KV_MANIFEST_DIR}/app.manifest @ONLY)
elseif(KV_FUZZ)
  # Fuzz build: clang's libFuzzer; every unit is instrumented, the targets link its runtime.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
else()
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# A resource script pulls in the files beside it (other scripts, texts, pictures), which
# the build does not see by itself: each .rc source is rebuilt when any of them changes.
function(kv_resource_depends)
  foreach(src ${ARGN})
    if(src MATCHES "\\.rc$")
      get_filename_component(path ${src} ABSOLUTE)
      get_filename_component(dir ${path} DIRECTORY)
      file(GLOB beside CONFIGURE_DEPENDS ${dir}/*)
      if(KV_WINDOWS)
        list(APPEND beside ${KV_MANIFEST_DIR}/app.manifest)
      endif()
      set_source_files_properties(${src} PROPERTIES OBJECT_DEPENDS "${beside}")
    endif()
  endforeach()
endfunction()

# kv_library(name SOURCES ...): a static library with our warnings.
function(kv_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${A_INCLUDES})
  if(A_LIBS)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
  endif()
endfunction()

# kv_test(name SOURCES ... LIBS ... [SHARDS n]): one GoogleTest program, run as one CTest
# test, or under the cross build as n tests name_1 ... name_n that each run a share of its
# tests (GoogleTest's shards, each with its report). Under the cross build CTest starts it
# through the Wine wrapper.
function(kv_test name)
  cmake_parse_arguments(A "GUI" "TIMEOUT;SHARDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  kv_resource_depends(${A_SOURCES})
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_LIBS} gtest gtest_main)
  if(KV_WINDOWS)
    target_link_libraries(${name} PRIVATE testtool)
    target_include_directories(${name} PRIVATE ${KV_MANIFEST_DIR})
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  if(NOT KV_WINDOWS OR NOT A_SHARDS)
    add_test(NAME ${name} COMMAND ${name})
    set(tests ${name})
  else()
    set(tests)
    foreach(i RANGE 1 ${A_SHARDS})
      math(EXPR index "${i} - 1")
      add_test(NAME ${name}_${i} COMMAND ${name})
      # The report goes where the test command gathers them, under the test's own name.
      set_tests_properties(${name}_${i} PROPERTIES ENVIRONMENT
        "GTEST_TOTAL_SHARDS=${A_SHARDS};GTEST_SHARD_INDEX=${index};GTEST_OUTPUT=xml:D:\\results\\${name}_${i}.xml")
      list(APPEND tests ${name}_${i})
    endforeach()
  endif()
  set_tests_properties(${tests} PROPERTIES TIMEOUT ${A_TIMEOUT}
    WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  if(KV_WINDOWS)
    # Each takes a lane of the test command's (tools/common.sh) to itself.
    set_tests_properties(${tests} PROPERTIES RESOURCE_GROUPS lane:1)
  endif()
endfunction()

# kv_program(name SOURCES ... LIBS ... RC file): a Windows GUI program.
function(kv_program name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} WIN32 ${A_SOURCES})
  kv_resource_depends(${A_SOURCES})
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  if(KV_WINDOWS)
    target_include_directories(${name} PRIVATE ${KV_MANIFEST_DIR})
  endif()
  target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()

if(KV_WINDOWS)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

# zlib and libpng. The cross build links the static libraries (libpng built by
# tools/bootstrap.sh into .cache); the native build the host's zlib.
if(KV_WINDOWS)
  add_library(kv_zlib STATIC IMPORTED)
  set_target_properties(kv_zlib PROPERTIES IMPORTED_LOCATION ${CMAKE_FIND_ROOT_PATH}/lib/libz.a)
  add_library(kv_png STATIC IMPORTED)
  set_target_properties(kv_png PROPERTIES IMPORTED_LOCATION ${KV_PNG_PREFIX}/lib/libpng16.a
    INTERFACE_INCLUDE_DIRECTORIES ${KV_PNG_PREFIX}/include INTERFACE_LINK_LIBRARIES kv_zlib)
else()
  find_package(ZLIB REQUIRED)
  add_library(kv_zlib INTERFACE IMPORTED)
  set_target_properties(kv_zlib PROPERTIES INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
endif()
