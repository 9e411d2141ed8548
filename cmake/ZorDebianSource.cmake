# Source packages of Debian unpacked, with their Debian patches, inside the
# build tree (build/<preset>/_deps); nothing third-party is kept in the
# repository.

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
