# SPDX-License-Identifier: MIT
# The notices of the libraries whose code is compiled into what we ship, taken
# at configure time from the copyright files Debian installs for the packages
# the build takes them from (/usr/share/doc/PACKAGE/copyright), whole: so they
# are always those of the very copies compiled in, and stay Debian's to keep
# right. Libraries loaded at run time are named only: their notices travel
# with them, and the packages depend on them.
#
#   brixel_third_party_notices(FILE SUBJECT
#       COMPILED "NAME|A FILE OF IT|WHERE IT IS" ...
#       NO_NOTICE "TEXT" ...)
#
# SUBJECT names what the notices are for; a file of each library (a header, an
# archive) tells dpkg which package it came from.
function(brixel_third_party_notices output subject)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "COMPILED;NO_NOTICE")
    find_program(BRIXEL_DPKG_QUERY dpkg-query)
    set(rule "========================================================================")
    set(summary "")
    set(notices "")
    foreach(entry IN LISTS arg_COMPILED)
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 name)
        list(GET entry 1 file)
        list(GET entry 2 where)
        file(REAL_PATH "${file}" file)
        set(package "")
        if(BRIXEL_DPKG_QUERY)
            execute_process(COMMAND ${BRIXEL_DPKG_QUERY} --search "${file}"
                OUTPUT_VARIABLE owner OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            string(REGEX REPLACE "^([^:,]+)(:[^:,]+)?: .*$" "\\1" package "${owner}")
        endif()
        set(copyright /usr/share/doc/${package}/copyright)
        if(NOT package)
            # A file of a Debian source package unpacked (scripts/install-deps):
            # its debian/ folder holds the copyright file and the version.
            set(dir ${file})
            while(NOT dir STREQUAL "/" AND NOT EXISTS ${dir}/debian/copyright)
                get_filename_component(dir ${dir} DIRECTORY)
            endwhile()
            if(EXISTS ${dir}/debian/copyright)
                file(STRINGS ${dir}/debian/changelog top LIMIT_COUNT 1)
                string(REGEX REPLACE "^([^ ]+) \\(([^)]+)\\).*$" "\\1;\\2" top "${top}")
                list(GET top 0 package)
                list(GET top 1 version)
                set(copyright ${dir}/debian/copyright)
            endif()
        elseif(EXISTS ${copyright})
            execute_process(COMMAND ${BRIXEL_DPKG_QUERY} --showformat=\${Version} --show ${package}
                OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        endif()
        if(NOT package OR NOT EXISTS ${copyright})
            # Never a notice left out without a word: say where it should come from.
            message(WARNING "${output}: no Debian copyright file for ${name} (${file}); its notice is missing")
            string(APPEND summary "  ${name}, in ${where}: NOTICE MISSING, no Debian package owns ${file}\n")
            continue()
        endif()
        set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${copyright})
        file(READ ${copyright} text)
        string(APPEND summary "  ${name}, in ${where} (Debian's ${package} ${version})\n")
        string(APPEND notices "\n${rule}\n${name}: ${copyright} of ${package} ${version}\n${rule}\n\n${text}")
    endforeach()
    set(unnoticed "")
    if(arg_NO_NOTICE)
        list(JOIN arg_NO_NOTICE "\n  " unnoticed)
        set(unnoticed "\nThese are in it too, or loaded by it, and need no notice here:\n  ${unnoticed}\n")
    endif()
    file(WRITE ${output}.new
        "Third-party notices of ${subject}\n\n"
        "${PROJECT_NAME} is under the MIT licence. The code of these libraries is\n"
        "compiled into ${subject} too; each one's notice follows, as Debian gives it\n"
        "for the package the build took the library from:\n${summary}${unnoticed}${notices}")
    file(COPY_FILE ${output}.new ${output} ONLY_IF_DIFFERENT)
    file(REMOVE ${output}.new)
endfunction()
