# Runs one route script through the real tonwerk-cli and compares standard output, standard error
# and the exit status with the expected files beside the script.
# -DCLI=<tonwerk-cli> -DSCRIPT=<dir/name.script>
get_filename_component(dir "${SCRIPT}" DIRECTORY)
get_filename_component(name "${SCRIPT}" NAME_WE)
execute_process(COMMAND "${CLI}" route "${SCRIPT}"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)

file(READ "${dir}/${name}.expected" expected_out)
set(expected_err "")
if(EXISTS "${dir}/${name}.stderr")
  file(READ "${dir}/${name}.stderr" expected_err)
endif()
file(READ "${dir}/${name}.status" expected_status)
string(STRIP "${expected_status}" expected_status)

if(NOT out STREQUAL expected_out)
  message(FATAL_ERROR "standard output differs for ${name}:\n--- got\n${out}--- expected\n${expected_out}")
endif()
if(NOT err STREQUAL expected_err)
  message(FATAL_ERROR "standard error differs for ${name}:\n--- got\n${err}--- expected\n${expected_err}")
endif()
if(NOT status STREQUAL expected_status)
  message(FATAL_ERROR "exit status ${status}, expected ${expected_status} for ${name}")
endif()
