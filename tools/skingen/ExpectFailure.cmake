# Runs the skin painter where it cannot write and checks that it fails with a
# message naming what it could not write. Called by ctest with -DTOOL=... and
# -DWORK=... (a scratch folder of the build tree).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(expect_failure what output pattern)
  execute_process(COMMAND ${TOOL} ${output} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT rc STREQUAL "1")
    message(FATAL_ERROR "${what}: expected exit status 1, got '${rc}'; stderr: ${err}")
  endif()
  if(NOT err MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: the message does not say '${pattern}': ${err}")
  endif()
endfunction()

# The output folder lies under a plain file.
file(WRITE ${WORK}/plain-file "")
expect_failure("folder under a file" ${WORK}/plain-file/skins
               "cannot create the folder .*plain-file/skins")

# An image's place is taken by a folder.
file(MAKE_DIRECTORY ${WORK}/taken/Obsidian/button-normal.png)
expect_failure("file taken by a folder" ${WORK}/taken "cannot write .*button-normal.png")

file(REMOVE_RECURSE ${WORK})
