# The data check's command line: exit status 1 and one line per failing file
# for a folder without data, 2 for misuse. Variables: CHECK, WORK_DIR.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/empty")

execute_process(COMMAND "${CHECK}" "${WORK_DIR}/empty" RESULT_VARIABLE rc OUTPUT_VARIABLE out)
string(REGEX MATCHALL "FAIL [a-z_0-9]+\\.(png|ase|ogg): missing" lines "${out}")
list(LENGTH lines count)
if(NOT rc EQUAL 1 OR NOT count EQUAL 43)
  message(FATAL_ERROR "empty folder: status ${rc}, ${count} missing files named:\n${out}")
endif()

execute_process(COMMAND "${CHECK}" --only-present "${WORK_DIR}/empty" RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "0 checked, 43 absent and skipped, 0 failed")
  message(FATAL_ERROR "--only-present on an empty folder: status ${rc}:\n${out}")
endif()

file(WRITE "${WORK_DIR}/list.txt" "font.png\nwarmer.ogg\n")
execute_process(COMMAND "${CHECK}" --only-present --require "${WORK_DIR}/list.txt" "${WORK_DIR}/empty"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 1 OR NOT out MATCHES "FAIL font.png: missing\nFAIL warmer.ogg: missing\n")
  message(FATAL_ERROR "required files: status ${rc}:\n${out}")
endif()

file(WRITE "${WORK_DIR}/bad.txt" "font.png\nfonts.png\n")
foreach(args "" "--bogus;${WORK_DIR}/empty" "--require" "--require;${WORK_DIR}/bad.txt;${WORK_DIR}/empty"
             "${WORK_DIR}/empty;${WORK_DIR}/empty")
  execute_process(COMMAND "${CHECK}" ${args} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 2)
    message(FATAL_ERROR "arguments '${args}': status ${rc}, expected 2")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
