# Windows build: zlib from Debian's libz-mingw-w64-dev; minizip and the test
# HTTP server (cpp-httplib) from Debian's source packages, unpacked with their
# Debian patches inside the build tree; GoogleTest from /usr/src/googletest.

set(ZOR_DEPS_DIR ${CMAKE_BINARY_DIR}/_deps)
file(MAKE_DIRECTORY ${ZOR_DEPS_DIR})

# zor_debian_source(<package> <glob of the unpacked folder> <out var>)
function(zor_debian_source package pattern outvar)
  file(GLOB found LIST_DIRECTORIES true "${ZOR_DEPS_DIR}/${pattern}")
  if(NOT found)
    message(STATUS "Fetching Debian source package ${package}")
    execute_process(COMMAND apt-get source -qq ${package}
                    WORKING_DIRECTORY ${ZOR_DEPS_DIR}
                    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
    file(GLOB found LIST_DIRECTORIES true "${ZOR_DEPS_DIR}/${pattern}")
    if(NOT found)
      message(FATAL_ERROR "apt-get source ${package} failed (${rc}): ${err}\n"
                          "Run scripts/setup first (it adds the deb-src entries).")
    endif()
  endif()
  list(GET found 0 dir)
  set(${outvar} ${dir} PARENT_SCOPE)
endfunction()

# The static archive: FindZLIB would otherwise take libz.dll.a, and the
# programs would need a zlib1.dll that no Windows has.
set(ZLIB_USE_STATIC_LIBS ON)
# Build trees configured before kept the import library in their cache.
if(ZLIB_LIBRARY_RELEASE MATCHES "\\.dll\\.a$")
  unset(ZLIB_LIBRARY_RELEASE CACHE)
  unset(ZLIB_LIBRARY CACHE)
endif()
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

zor_debian_source(minizip "minizip-*[0-9]" MINIZIP_SRC)
add_library(zor_minizip STATIC ${MINIZIP_SRC}/unzip.c ${MINIZIP_SRC}/ioapi.c)
target_include_directories(zor_minizip SYSTEM PUBLIC ${MINIZIP_SRC})
target_link_libraries(zor_minizip PUBLIC ZLIB::ZLIB)
target_compile_options(zor_minizip PRIVATE -w)
add_library(zor::minizip ALIAS zor_minizip)

zor_debian_source(cpp-httplib "cpp-httplib-*[0-9s]" HTTPLIB_SRC)
add_library(zor_httplib INTERFACE)
target_include_directories(zor_httplib SYSTEM INTERFACE ${HTTPLIB_SRC})
target_link_libraries(zor_httplib INTERFACE ws2_32 Threads::Threads)
add_library(zor::httplib ALIAS zor_httplib)

set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${ZOR_DEPS_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(t gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${t})
    add_library(GTest::${t} ALIAS ${t})
  endif()
endforeach()
