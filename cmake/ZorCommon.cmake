# Compiler settings and the test helper shared by every folder.

set(ZOR_WARNINGS -Wall -Wextra)
# Our own code compiles without warnings; third-party code is built with its own flags.
function(zor_warnings target)
  target_compile_options(${target} PRIVATE ${ZOR_WARNINGS})
endfunction()

if(ZOR_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # The shipped exe needs nothing beside Windows' own DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Reproducible programs: no link time in the PE header, and no build-tree
  # paths in the code (__FILE__ of assertions and the like).
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Tests run under Wine: one prefix per build tree, created on first use.
  set(ZOR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZOR_WINEARCH win64)
  else()
    set(ZOR_WINEARCH win32)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# zor_add_test(<name> SOURCES <files...> LIBS <targets...> [TIMEOUT <s>])
# One CTest test per executable: under Wine each start of a process costs
# a second or more, so the cases of one executable run in a single start.
function(zor_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  zor_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  # 77: the machine cannot run the build's programs (cmake/wine-run.in).
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} SKIP_RETURN_CODE 77)
endfunction()
