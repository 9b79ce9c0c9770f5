# SPDX-License-Identifier: MIT
# cmake -DOUTPUT=FILE "-DCOMMAND=EMULATOR...;brixelctl.exe" -P write_help.cmake
# Runs the tool to write its help; wine-run's exit 77 (no loader for this
# width on this machine) leaves the help out with a message, nothing else passes.
file(REMOVE ${OUTPUT}.skipped)
execute_process(COMMAND ${COMMAND} --write-help ${OUTPUT} RESULT_VARIABLE status)
if(status EQUAL 77)
    message(WARNING "brixelctl's help text was not written: this machine runs no program of this width")
    file(REMOVE ${OUTPUT})
    file(TOUCH ${OUTPUT}.skipped)
elseif(NOT status EQUAL 0)
    message(FATAL_ERROR "brixelctl --write-help failed (${status})")
endif()
