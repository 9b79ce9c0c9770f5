# SPDX-License-Identifier: MIT
# Writes the DLL's exports from the public headers: clang reads them once as
# Microsoft's compiler would (the decorated names applications import) and once
# as mingw g++ (the names our objects define). Every function marked BRIXEL_API
# is exported, under its decorated name only.
#
# cmake -DCLANG=... -DJQ=... -DMSVC_TARGET=... -DGNU_TARGET=... -DHEADER=...
#       -DOUT_DIR=... -P msvc_exports.cmake
# writes into OUT_DIR:
#   BrixelLibrary.def       for the mingw link: decorated name = our symbol
#   BrixelLibrary-msvc.def  for an MSVC-style import library
#   BrixelLibrary-mingw.def for a mingw application's import library: the
#                           names g++ gives, bound to the decorated exports
#   exports.txt             decorated name, tab, the header's signature
#   exports.inc             {"function", "decorated name"}, for C++ tests

cmake_minimum_required(VERSION 3.25)
foreach(var CLANG JQ MSVC_TARGET GNU_TARGET HEADER OUT_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "msvc_exports.cmake: ${var} is not set")
    endif()
endforeach()
file(MAKE_DIRECTORY ${OUT_DIR})

# name, mangled name and type of each top-level function that BRIXEL_API marks
# (the annotation is the only one in the headers; clang 14 does not dump its text)
set(select [=[.inner[] | select(.kind == "FunctionDecl" and ((.inner // []) | map(select(.kind == "AnnotateAttr")) | length > 0)) | [.name, .mangledName, .type.qualType] | @tsv]=])

function(exported_functions target out)
    execute_process(
        COMMAND ${CLANG} --target=${target} -std=c++20 -ffreestanding -fsyntax-only -x c++
                "-DBRIXEL_API=__attribute__((annotate(\"brixel_api\")))" -Xclang -ast-dump=json ${HEADER}
        OUTPUT_FILE ${OUT_DIR}/ast-${target}.json
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "clang could not read ${HEADER} for ${target}")
    endif()
    execute_process(COMMAND ${JQ} -r ${select} ${OUT_DIR}/ast-${target}.json
        OUTPUT_VARIABLE lines RESULT_VARIABLE status)
    file(REMOVE ${OUT_DIR}/ast-${target}.json)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "jq could not read the declarations for ${target}")
    endif()
    string(STRIP "${lines}" lines)
    string(REPLACE "\n" ";" lines "${lines}")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()

exported_functions(${MSVC_TARGET} msvc)
exported_functions(${GNU_TARGET} gnu)
list(LENGTH msvc count)
list(LENGTH gnu gnuCount)
if(count EQUAL 0 OR NOT count EQUAL gnuCount)
    message(FATAL_ERROR "found ${count} exported functions for ${MSVC_TARGET}, ${gnuCount} for ${GNU_TARGET}")
endif()

set(def "LIBRARY BrixelLibrary.dll\nEXPORTS\n")
set(msvcDef "${def}")
set(mingwDef "${def}")
set(list "")
set(inc "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET msvc ${i} m)
    list(GET gnu ${i} g)
    string(REPLACE "\t" ";" m "${m}")
    string(REPLACE "\t" ";" g "${g}")
    list(GET m 0 name)
    list(GET m 1 decorated)
    list(GET m 2 type)
    list(GET g 0 gnuName)
    list(GET g 1 symbol)
    if(NOT name STREQUAL gnuName)
        message(FATAL_ERROR "declarations differ between targets: ${name} and ${gnuName}")
    endif()
    # On 32-bit x86 clang gives the COFF symbol; the .def wants the C-level name.
    if(GNU_TARGET MATCHES "^i.86" AND symbol MATCHES "^_")
        string(SUBSTRING "${symbol}" 1 -1 symbol)
    endif()
    # "bool (BRIXEL_INPORT)" -> "bool setActivePort(BRIXEL_INPORT)": the name
    # before the first parenthesis only (a parameter may be a function pointer).
    string(FIND "${type}" "(" open)
    string(SUBSTRING "${type}" 0 ${open} result)
    string(SUBSTRING "${type}" ${open} -1 parameters)
    string(STRIP "${result}" result)
    set(signature "${result} ${name}${parameters}")
    string(APPEND def "    ${decorated}=${symbol}\n")
    string(APPEND msvcDef "    ${decorated}\n")
    string(APPEND mingwDef "    ${symbol} == ${decorated}\n")
    string(APPEND list "${decorated}\t${signature}\n")
    string(APPEND inc "{\"${name}\", \"${decorated}\"},\n")
endforeach()

# Rewrite only what changed, so that an unchanged header relinks nothing.
foreach(pair "BrixelLibrary.def;def" "BrixelLibrary-msvc.def;msvcDef" "BrixelLibrary-mingw.def;mingwDef"
             "exports.txt;list" "exports.inc;inc")
    list(GET pair 0 file)
    list(GET pair 1 var)
    set(old "")
    if(EXISTS ${OUT_DIR}/${file})
        file(READ ${OUT_DIR}/${file} old)
    endif()
    if(NOT old STREQUAL "${${var}}")
        file(WRITE ${OUT_DIR}/${file} "${${var}}")
    endif()
endforeach()
