# Runs when installing: writes the desktop entry with Exec and TryExec naming
# the installed program by its full path. Expects INKWRIGHT_DESKTOP_TEMPLATE,
# INKWRIGHT_DESKTOP_ENTRY (the file to write) and INKWRIGHT_PROGRAM (the
# program's path below the install prefix).

get_filename_component(program "${CMAKE_INSTALL_PREFIX}/${INKWRIGHT_PROGRAM}" ABSOLUTE)

# A desktop entry string escapes a backslash as two.
function(desktop_string value out)
    string(REPLACE "\\" "\\\\" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

# The program of an Exec line is quoted when it holds a reserved character;
# inside the quotes ", `, $ and \ take a backslash. A % is written as %%.
function(exec_argument value out)
    if(value MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
        string(REPLACE "\\" "\\\\" value "${value}")
        string(REPLACE "\"" "\\\"" value "${value}")
        string(REPLACE "`" "\\`" value "${value}")
        string(REPLACE "$" "\\$" value "${value}")
        set(value "\"${value}\"")
    endif()
    string(REPLACE "%" "%%" value "${value}")
    desktop_string("${value}" value)
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

exec_argument("${program}" exec)
desktop_string("${program}" tryExec)

file(READ "${INKWRIGHT_DESKTOP_TEMPLATE}" entry)
string(REGEX REPLACE "\nExec=[^\n]*" "\nExec=${exec}" entry "${entry}")
string(REGEX REPLACE "\nTryExec=[^\n]*" "\nTryExec=${tryExec}" entry "${entry}")
file(WRITE "${INKWRIGHT_DESKTOP_ENTRY}" "${entry}")
