# Runs the case list under Wine, then compares with our driver. Every step has
# a time limit, and every failure ends the test with an error: it never skips.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${CASES} DESTINATION ${WORK})

set(ENV{WINEPREFIX} ${PREFIX})
# Quiet, except Wine's own errors: they reach the .err files and explain a failed run.
set(ENV{WINEDEBUG} -all,err+all)
set(ENV{WINEARCH} win64)
# No Mono or Gecko installer prompts, no window: the program is console-only.
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})

# Kills the server and waits until it is gone: a run started while the old
# server still winds down can fail before the program starts.
function(stop_wineserver)
  execute_process(COMMAND ${WINESERVER} -k TIMEOUT 30 RESULT_VARIABLE ignored OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${WINESERVER} -w TIMEOUT 30 RESULT_VARIABLE ignored OUTPUT_QUIET ERROR_QUIET)
endfunction()

# One run of the Windows program. Wine itself can fail to start under load
# (seen once in CI: exit 1, nothing printed), so a run that printed nothing is
# tried once more and says so; a run that printed anything counts as it is.
function(run_windows_program language result)
  foreach(attempt 1 2)
    execute_process(COMMAND ${WINE} ${EXE} cases.txt ${language}
                    WORKING_DIRECTORY ${WORK} TIMEOUT 120 RESULT_VARIABLE ran
                    OUTPUT_FILE ${WORK}/wine-${language}.out ERROR_FILE ${WORK}/wine-${language}.err)
    stop_wineserver()
    file(SIZE ${WORK}/wine-${language}.out printed)
    if(ran STREQUAL "0" OR NOT printed EQUAL 0 OR attempt EQUAL 2)
      break()
    endif()
    file(READ ${WORK}/wine-${language}.err err)
    message(STATUS "the Windows program did not start under Wine (${language}, ${ran}); once more:\n${err}")
  endforeach()
  set(${result} ${ran} PARENT_SCOPE)
endfunction()

if(NOT EXISTS ${PREFIX}/system.reg)
  string(TIMESTAMP started "%s")
  execute_process(COMMAND ${WINE} wineboot --init
                  WORKING_DIRECTORY ${WORK} TIMEOUT 300 RESULT_VARIABLE boot
                  OUTPUT_FILE ${WORK}/wineboot.log ERROR_FILE ${WORK}/wineboot.log)
  # The registry reaches the prefix only when the server ends.
  execute_process(COMMAND ${WINESERVER} -w TIMEOUT 120 RESULT_VARIABLE ignored)
  string(TIMESTAMP finished "%s")
  math(EXPR seconds "${finished} - ${started}")
  message(STATUS "wineboot: ${seconds} s (result ${boot})")
  if(NOT EXISTS ${PREFIX}/system.reg)
    stop_wineserver()
    file(READ ${WORK}/wineboot.log log)
    message(FATAL_ERROR "wineboot did not create the prefix (${boot}):\n${log}")
  endif()
endif()

# One run per installation language; the locale sets the system's ANSI code page.
set(locales "EN=en_US.UTF-8" "CHS=zh_CN.UTF-8")
file(WRITE ${WORK}/wine.out "")
foreach(entry IN LISTS locales)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 language)
  list(GET pair 1 locale)
  set(ENV{LANG} ${locale})
  set(ENV{LC_ALL} ${locale})
  run_windows_program(${language} ran)
  if(NOT ran STREQUAL "0")
    file(READ ${WORK}/wine-${language}.err err)
    file(READ ${WORK}/wine-${language}.out out)
    message(FATAL_ERROR "the Windows program failed under Wine (${language}, ${ran}):\n${err}\n${out}")
  endif()
  file(READ ${WORK}/wine-${language}.out part)
  file(APPEND ${WORK}/wine.out "${part}")
endforeach()

execute_process(COMMAND ${DRIVER} cases.txt wine.out ${TABLE}
                WORKING_DIRECTORY ${WORK} TIMEOUT 60 RESULT_VARIABLE compared)
if(NOT compared STREQUAL "0")
  message(FATAL_ERROR "our profile functions differ from Wine's beyond the table (${compared})")
endif()
