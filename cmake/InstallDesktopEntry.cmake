# Writes the desktop entry at install time, naming the installed program by
# its full path so that the menu and file managers start it whatever the
# user's PATH holds. Expects RASTELLE_DESKTOP_IN, RASTELLE_DESKTOP_OUT (both
# with any DESTDIR already applied to the second) and RASTELLE_EXECUTABLE.

# A path with characters the Exec key reserves is quoted, with the quoted
# form's own escapes, then escaped again as a desktop-entry string; "%" is
# doubled so that only the field code is a field code.
set(exec "${RASTELLE_EXECUTABLE}")
if(exec MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
    string(REPLACE "\\" "\\\\" exec "${exec}")
    string(REPLACE "\"" "\\\"" exec "${exec}")
    string(REPLACE "`" "\\`" exec "${exec}")
    string(REPLACE "$" "\\$" exec "${exec}")
    set(exec "\"${exec}\"")
    string(REPLACE "\\" "\\\\" exec "${exec}")
endif()
string(REPLACE "%" "%%" exec "${exec}")
set(RASTELLE_EXEC "${exec}")
configure_file("${RASTELLE_DESKTOP_IN}" "${RASTELLE_DESKTOP_OUT}" @ONLY)
message(STATUS "Installing: ${RASTELLE_DESKTOP_OUT}")
