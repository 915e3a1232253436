cmake_minimum_required(VERSION 3.25)
# The test `death_tests_leave_no_folder`: a suite's death tests run with the temporary folder
# pointed at an empty one of their own, which must hold none of the suite's folders afterwards
# (a death test's child dies before it can remove what it made).
#   cmake -DSUITE=<suite executable> -DFILTER=<gtest filter> -DTMP=<folder> -P death_tmp_check.cmake
# A folder of this run's own below TMP: two runs of the suite at once do not share it.
string(RANDOM LENGTH 10 run)
set(TMP "${TMP}/${run}")
file(MAKE_DIRECTORY "${TMP}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "TMPDIR=${TMP}" "${SUITE}" "--gtest_filter=${FILTER}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
get_filename_component(name "${SUITE}" NAME)
file(GLOB left RELATIVE "${TMP}" "${TMP}/${name}-*")
file(REMOVE_RECURSE "${TMP}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${name} --gtest_filter=${FILTER} failed (${rc})")
endif()
if(left)
  list(LENGTH left n)
  message(FATAL_ERROR "${name}'s death tests left ${n} folders in the temporary folder: ${left}")
endif()
message(STATUS "${name}: no folder left")
