# VANTREL_COMMIT: the commit this build is made from, as `git describe` names it when
# configuring (the 12-digit hash while no tag is reachable, "-dirty" after it when the
# checkout had changes), or "unknown" outside a git checkout. A build of an exported tree
# names it itself: -DVANTREL_COMMIT=<hash>. Two builds of one commit embed the same name,
# and moving the checkout to another commit configures again, so the name never goes stale.
set(VANTREL_COMMIT "" CACHE STRING "The commit this build is made from (empty: ask git)")
if(VANTREL_COMMIT STREQUAL "")
  set(VANTREL_COMMIT unknown)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --always --dirty --abbrev=12
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE vantrel_git_failed
      OUTPUT_VARIABLE vantrel_described OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # The files that change when the checkout moves: HEAD, and the branch it stands on.
    # The checkout must be this source tree, not a repository that holds an export of it.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute
        --show-toplevel --git-path HEAD --git-common-dir --symbolic-full-name HEAD
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE vantrel_git_paths
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REPLACE "\n" ";" vantrel_git_paths "${vantrel_git_paths}")
    list(POP_FRONT vantrel_git_paths vantrel_top)
    file(REAL_PATH "${PROJECT_SOURCE_DIR}" vantrel_source)
    if(NOT vantrel_git_failed AND vantrel_described AND vantrel_top STREQUAL vantrel_source)
      set(VANTREL_COMMIT ${vantrel_described})
      list(GET vantrel_git_paths 0 vantrel_head)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vantrel_head})
      list(LENGTH vantrel_git_paths vantrel_count)
      if(vantrel_count EQUAL 3)
        list(GET vantrel_git_paths 1 vantrel_common)
        list(GET vantrel_git_paths 2 vantrel_branch)
        if(EXISTS ${vantrel_common}/${vantrel_branch})
          set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vantrel_common}/${vantrel_branch})
        endif()
      endif()
    endif()
  endif()
endif()
# For the tests that check what the programs say of themselves.
set(VANTREL_BUILT_COMMIT ${VANTREL_COMMIT} CACHE INTERNAL "The commit this build names")
