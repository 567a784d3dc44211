# `cmake --install` of the build into a DESTDIR under the build folder, for two prefixes: one
# with a plain path and one with a space in it. Each time the program, the desktop entry (valid
# for desktop-file-validate), the icon and the bus activation file must be there, and every Exec
# that runs the program must name it in a way Debian's xdg-open runs: the plain path as it will
# be once installed (without DESTDIR), or, for a path that would need quotes, the bare name.
# Called with -DBUILD_DIR=... ; prints "SKIP: ..." when a tool it needs is missing.
cmake_minimum_required(VERSION 3.25)

set(root "${BUILD_DIR}/install-check")
set(name org.morvanteel.Morvanteel)

function(check_install prefix expected_program expected_service)
  file(REMOVE_RECURSE "${root}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${root}"
                          "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install into ${root}${prefix} failed (${result}):\n${output}")
  endif()
  set(base "${root}${prefix}")
  set(program "${base}/bin/morvanteel")
  set(entry "${base}/share/applications/${name}.desktop")
  set(service "${base}/share/dbus-1/services/${name}.service")
  foreach(path "${program}" "${entry}" "${service}" "${base}/share/icons/hicolor/scalable/apps/morvanteel.svg")
    if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
      message(FATAL_ERROR "not installed: ${path}\n${output}")
    endif()
  endforeach()
  execute_process(COMMAND test -x "${program}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the installed program is not executable: ${program}")
  endif()

  execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate ${entry} (${result}):\n${output}")
  endif()

  # Every Exec of the entry, the entry's own and its actions', save the bus's gapplication one.
  file(STRINGS "${entry}" execs REGEX "^Exec=")
  set(found "")
  foreach(exec IN LISTS execs)
    if(exec MATCHES "^Exec=gapplication ")
      continue()
    endif()
    string(REGEX MATCH "^Exec=([^ ]*)( .*)?$" matched "${exec}")
    if(NOT CMAKE_MATCH_1 STREQUAL expected_program)
      message(FATAL_ERROR "${entry}: '${exec}' does not start with ${expected_program}")
    endif()
    list(APPEND found "${CMAKE_MATCH_2}")
  endforeach()
  if(NOT found STREQUAL " %u; morvanteel://spot-search; morvanteel://smart-tidy")
    message(FATAL_ERROR "${entry}: unexpected Exec arguments '${found}'")
  endif()
  file(STRINGS "${entry}" try REGEX "^TryExec=")
  if(NOT try STREQUAL "TryExec=${expected_program}")
    message(FATAL_ERROR "${entry}: '${try}' is not TryExec=${expected_program}")
  endif()
  file(STRINGS "${entry}" activatable REGEX "^DBusActivatable=")
  if(NOT activatable STREQUAL "DBusActivatable=true")
    message(FATAL_ERROR "${entry}: the entry does not say it is started over the bus")
  endif()
  file(STRINGS "${service}" service_exec REGEX "^Exec=")
  if(NOT service_exec STREQUAL "Exec=${expected_service}")
    message(FATAL_ERROR "${service}: '${service_exec}' is not Exec=${expected_service}")
  endif()
endfunction()

find_program(VALIDATE desktop-file-validate)
if(NOT VALIDATE)
  message("SKIP: desktop-file-validate is not installed (Debian package desktop-file-utils)")
  return()
endif()

check_install("/opt/morvanteel-check" "/opt/morvanteel-check/bin/morvanteel" "/opt/morvanteel-check/bin/morvanteel")
check_install("/opt/morvanteel check's" "morvanteel" "'/opt/morvanteel check'\\''s/bin/morvanteel'")
file(REMOVE_RECURSE "${root}")
message("installed and checked")
