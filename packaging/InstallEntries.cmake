# Run by `cmake --install`: writes the desktop entry and the session bus's activation file with
# the installed program's path, then installs them (file(INSTALL) adds DESTDIR itself).
set(name org.morvanteel.Morvanteel)
if(IS_ABSOLUTE "${MORVANTEEL_BINDIR}")
  set(bindir "${MORVANTEEL_BINDIR}")
else()
  set(bindir "${CMAKE_INSTALL_PREFIX}/${MORVANTEEL_BINDIR}")
endif()
if(IS_ABSOLUTE "${MORVANTEEL_DATADIR}")
  set(datadir "${MORVANTEEL_DATADIR}")
else()
  set(datadir "${CMAKE_INSTALL_PREFIX}/${MORVANTEEL_DATADIR}")
endif()
set(program "${bindir}/morvanteel")

# Debian's xdg-open runs an Exec line by splitting it on blanks, without the quoting the entry
# rules allow, so a quoted path is run as a program named with its quotes. A path of plain
# characters needs no quotes and runs everywhere; any other falls back to the name on PATH.
if(program MATCHES "^[A-Za-z0-9/._+-]+$")
  set(entry_program "${program}")
  set(service_program "${program}")
else()
  message(WARNING "the install path ${program} holds characters a desktop entry would have to quote; "
                  "the entry names the program as `morvanteel`, to be found on PATH")
  set(entry_program morvanteel)
  # The bus reads Exec as a shell would: single quotes hold any path.
  string(REPLACE "'" "'\\''" quoted "${program}")
  set(service_program "'${quoted}'")
endif()

file(MAKE_DIRECTORY "${MORVANTEEL_STAGING_DIR}")

# The lines of a file as a list; its own semicolons (the entry's lists) held aside meanwhile.
function(read_lines path out)
  file(READ "${path}" content)
  string(REPLACE ";" "<semicolon>" content "${content}")
  string(REGEX REPLACE "\n$" "" content "${content}")
  string(REPLACE "\n" ";" content "${content}")
  set(${out} "${content}" PARENT_SCOPE)
endfunction()
function(write_lines path text)
  string(REPLACE "<semicolon>" ";" text "${text}")
  file(WRITE "${path}" "${text}")
endfunction()

read_lines("${MORVANTEEL_PACKAGING_DIR}/${name}.desktop" lines)
set(entry "")
foreach(line IN LISTS lines)
  if(line MATCHES "^Exec=morvanteel( .*)$")
    string(APPEND entry "Exec=${entry_program}${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^TryExec=")
    string(APPEND entry "TryExec=${entry_program}\n")
  elseif(line MATCHES "^StartupNotify=")
    # The activation file is installed beside the entry, so launchers may start it by its bus name.
    string(APPEND entry "${line}\nDBusActivatable=true\n")
  else()
    string(APPEND entry "${line}\n")
  endif()
endforeach()
write_lines("${MORVANTEEL_STAGING_DIR}/${name}.desktop" "${entry}")

read_lines("${MORVANTEEL_PACKAGING_DIR}/${name}.service" lines)
set(service "")
foreach(line IN LISTS lines)
  if(line MATCHES "^Exec=")
    string(APPEND service "Exec=${service_program}\n")
  else()
    string(APPEND service "${line}\n")
  endif()
endforeach()
write_lines("${MORVANTEEL_STAGING_DIR}/${name}.service" "${service}")

file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES "${MORVANTEEL_STAGING_DIR}/${name}.desktop")
file(INSTALL DESTINATION "${datadir}/dbus-1/services" TYPE FILE PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES "${MORVANTEEL_STAGING_DIR}/${name}.service")
