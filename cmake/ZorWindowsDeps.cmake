# Windows build: zlib from Debian's libz-mingw-w64-dev; minizip and the test
# HTTP server (cpp-httplib) from Debian's source packages, unpacked with their
# Debian patches inside the build tree; GoogleTest from /usr/src/googletest.

include(ZorDebianSource)

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
