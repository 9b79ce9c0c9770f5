# SPDX-License-Identifier: MIT
# Writes a linker version script that exports only the functions the public
# headers declare with BRIXEL_API. Visibility alone is not enough: template
# code the library instantiates from the standard library would be exported too.
function(brixel_write_export_map output)
    set(names "")
    foreach(header IN LISTS ARGN)
        file(STRINGS ${header} lines REGEX "^[ \t]*BRIXEL_API")
        foreach(line IN LISTS lines)
            string(REGEX MATCH "([A-Za-z_][A-Za-z0-9_]*)[ \t]*\\(" match "${line}")
            list(APPEND names "${CMAKE_MATCH_1}")
        endforeach()
    endforeach()
    set(map "{\n  global:\n    extern \"C++\" {\n")
    foreach(name IN LISTS names)
        string(APPEND map "      ${name}*;\n")
    endforeach()
    string(APPEND map "    };\n  local: *;\n};\n")
    file(WRITE ${output} "${map}")
endfunction()
