# The steps that need the 32-bit Wine report themselves skipped without it,
# with the reason, and nothing else does:
#  - every such step, run by its own CTest command, environment and working
#    folder with FERROLOK_TEST_FORCE_NO_WINE32=1, ends with its
#    SKIP_RETURN_CODE and prints why; no other test has a SKIP_RETURN_CODE;
#  - in the 64-bit prefix a Windows program that fails still fails under the
#    switch, and one that ends with the skip code is a failure;
#  - a 32-bit step with a failing program fails where the 32-bit Wine runs
#    and is skipped (loader missing, or installed on a kernel that cannot
#    start it) where it does not.
#
# cmake -DCTEST=ctest -DBUILD_DIR=DIR -DWINE_SH=wine.sh -DPREFIX=PREFIX64 -P skip_test.cmake
# BUILD_DIR is this folder's build folder, which holds every COM step: the
# listing writes its own Testing/ there, not over the running suite's log.
cmake_minimum_required(VERSION 3.25)

set(expected
  ferrolok_com_wine_prefix_32 ferrolok_com_register_32 ferrolok_com_client_32
  ferrolok_com_threads_32 ferrolok_com_crosscheck_32 ferrolok_com_vbscript_32 ferrolok_com_unregister_32
  ferrolok_com_register_wow32 ferrolok_com_views ferrolok_com_vbscript_wow32
  ferrolok_com_unregister_wow32)
set(reason "no 32-bit Wine \\(wine32:i386\\) that runs here: ")
set(errors "")
macro(fail message)
  string(APPEND errors "  ${message}\n")
endmacro()

execute_process(COMMAND ${CTEST} --test-dir ${BUILD_DIR} --show-only=json-v1
                OUTPUT_VARIABLE json RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ctest --show-only failed (${rc})")
endif()

string(JSON count LENGTH "${json}" tests)
math(EXPR last "${count} - 1")
set(seen "")
foreach(i RANGE ${last})
  string(JSON name GET "${json}" tests ${i} name)
  set(skip_code "")
  set(environment "")
  set(workdir "${BUILD_DIR}")
  string(JSON nprops ERROR_VARIABLE none LENGTH "${json}" tests ${i} properties)
  if(nprops GREATER 0)
    math(EXPR plast "${nprops} - 1")
    foreach(p RANGE ${plast})
      string(JSON pname GET "${json}" tests ${i} properties ${p} name)
      if(pname STREQUAL "SKIP_RETURN_CODE")
        string(JSON skip_code GET "${json}" tests ${i} properties ${p} value)
      elseif(pname STREQUAL "ENVIRONMENT")
        string(JSON nenv LENGTH "${json}" tests ${i} properties ${p} value)
        math(EXPR elast "${nenv} - 1")
        foreach(e RANGE ${elast})
          string(JSON v GET "${json}" tests ${i} properties ${p} value ${e})
          list(APPEND environment "${v}")
        endforeach()
      elseif(pname STREQUAL "WORKING_DIRECTORY")
        string(JSON workdir GET "${json}" tests ${i} properties ${p} value)
      endif()
    endforeach()
  endif()

  list(FIND expected "${name}" wanted)
  if(wanted EQUAL -1)
    if(NOT skip_code STREQUAL "")
      fail("${name} has SKIP_RETURN_CODE ${skip_code}")
    endif()
    continue()
  endif()
  list(APPEND seen "${name}")
  if(skip_code STREQUAL "")
    fail("${name} has no SKIP_RETURN_CODE")
  endif()

  set(command "")
  string(JSON nargs LENGTH "${json}" tests ${i} command)
  math(EXPR alast "${nargs} - 1")
  foreach(a RANGE ${alast})
    string(JSON v GET "${json}" tests ${i} command ${a})
    list(APPEND command "${v}")
  endforeach()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} FERROLOK_TEST_FORCE_NO_WINE32=1 ${command}
    WORKING_DIRECTORY "${workdir}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out
    TIMEOUT 30)
  if(NOT rc STREQUAL skip_code)
    fail("${name}: exit code ${rc}, not ${skip_code}: ${out}")
  elseif(NOT out MATCHES "${reason}")
    fail("${name} does not say why it is skipped: ${out}")
  endif()
  message(STATUS "${name}: ${rc}, ${out}")
endforeach()
foreach(name IN LISTS expected)
  list(FIND seen "${name}" found)
  if(found EQUAL -1)
    fail("${name} is not among the tests")
  endif()
endforeach()

# Windows programs in the 64-bit prefix through the step that runs them.
function(run_step bits code result_var output_var)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env FERROLOK_BITS=${bits} ${ARGN}
            ${WINE_SH} run ${PREFIX} "C:\\windows\\system32\\cmd.exe" /c exit ${code}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT 60)
  set(${result_var} "${rc}" PARENT_SCOPE)
  set(${output_var} "${out}" PARENT_SCOPE)
endfunction()

run_step(64 3 rc out FERROLOK_TEST_FORCE_NO_WINE32=1)
if(NOT rc STREQUAL "3")
  fail("a 64-bit program's exit code 3 under the switch came back as ${rc}: ${out}")
endif()
run_step(64 77 rc out)
if(NOT rc STREQUAL "1" OR NOT out MATCHES "would read as skipped")
  fail("a 64-bit program's exit code 77 came back as ${rc}: ${out}")
endif()

# The 32-bit loader runs here when it is installed and this kernel runs
# 32-bit programs.
set(wine32 /usr/lib/wine/wine)
set(wine32_runs FALSE)
if(EXISTS ${wine32})
  execute_process(COMMAND ${wine32} --version RESULT_VARIABLE vrc OUTPUT_QUIET ERROR_QUIET)
  if(vrc STREQUAL "0")
    set(wine32_runs TRUE)
  endif()
endif()
run_step(32 3 rc out)
if(wine32_runs)
  if(NOT rc STREQUAL "3")
    fail("a 32-bit program's exit code 3 came back as ${rc}: ${out}")
  endif()
  message(STATUS "32-bit Wine runs here: a failing 32-bit program fails (${rc})")
else()
  if(EXISTS ${wine32})
    set(why "${wine32} cannot be started")
  else()
    set(why "${wine32} is missing")
  endif()
  if(NOT rc STREQUAL "77" OR NOT out MATCHES "${reason}${why}")
    fail("without a 32-bit Wine that runs, a 32-bit step ended with ${rc}: ${out}")
  endif()
  message(STATUS "no 32-bit Wine that runs here: ${out}")
endif()

if(errors)
  message(FATAL_ERROR "\n${errors}")
endif()
list(LENGTH expected n)
message(STATUS "${count} tests read; the ${n} steps that need the 32-bit Wine skip with the reason")
