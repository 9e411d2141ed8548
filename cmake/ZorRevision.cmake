# ZOR_REVISION_TEXT: the source revision the log's start line names beside
# the version ("9c458fb", "9c458fb-dirty" for a checkout that differs from
# its commit), so support can tell apart two builds of one version. It comes
# from the checkout and never from the clock, so two builds of one tree stay
# byte for byte the same. A tree without git (a source archive) may be given
# its revision with -DZOR_SOURCE_REVISION=...; otherwise it says so.
set(ZOR_SOURCE_REVISION "" CACHE STRING "Source revision for a tree without git (default: from git)")

set(ZOR_REVISION_TEXT "revision unknown")
if(NOT ZOR_SOURCE_REVISION STREQUAL "")
  set(ZOR_REVISION_TEXT "${ZOR_SOURCE_REVISION}")
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --short HEAD
                    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" RESULT_VARIABLE failed
                    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT failed AND NOT commit STREQUAL "")
      # As scripts/release judges a tree: untracked files count, ignored ones
      # (the build trees) do not. No optional locks: status must not rewrite
      # the index, which would configure again.
      execute_process(COMMAND "${GIT_EXECUTABLE}" --no-optional-locks status --porcelain --untracked-files=normal
                      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" RESULT_VARIABLE failed
                      OUTPUT_VARIABLE changes ERROR_QUIET)
      set(ZOR_REVISION_TEXT "${commit}")
      if(failed OR NOT changes STREQUAL "")
        string(APPEND ZOR_REVISION_TEXT "-dirty")
      endif()
      # A commit, a checkout or a staged change configures again; an edit
      # that is not staged shows at the next configure (a release always
      # configures).
      execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --git-path HEAD --git-path index --symbolic-full-name HEAD
                      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE paths
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      string(REPLACE "\n" ";" paths "${paths}")
      foreach(path IN LISTS paths)
        if(path MATCHES "^refs/")
          execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --git-path "${path}"
                          WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE path
                          OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        endif()
        get_filename_component(path "${path}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
        if(EXISTS "${path}")
          set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
        endif()
      endforeach()
    endif()
  endif()
endif()
message(STATUS "Source revision: ${ZOR_REVISION_TEXT}")
