# The rules of the layers, over the record that klv_check_layers() writes to layers.txt. Used at
# configure time (cmake/KlvLayers.cmake) and by the test `layers` (tests/layers_check.cmake), which
# reads the sources again as they are when it runs.
#
# The record has one item a line:
#   floor <target> <n>         0 platform, 1 core, 2 logic, 3 shell, 4 forms, 5 program
#   depends <target> <target>  every project library the target depends on, directly or not
#   source <target> <path>     a source or header of the target (absolute path)
#   widgets <target> <chain>   the target links Qt6::Widgets, through the chain of targets shown
#   program-without-forms <target> <folder>
#
# Rules:
#   - A target depends only on targets of lower floors; a logic library may also depend on other
#     logic libraries (the import builds on the parties' and the transactions' logic), a program
#     on the top floor's library (QM8027 on klv_qm8027).
#   - Nothing below the shell's floor (platform, core, a logic library) links Qt6::Widgets, not even
#     through another library: their test programs and every program stay free of the widgets
#     unless they show windows.
#   - A program without the module's forms (act8027, 8027REP, klv-host) depends on neither the
#     shell nor another folder's forms library: it may show message boxes (the platform's forms,
#     klv_platform_forms) and a window of its own folder (klv-host's klv_host_forms).
#   - A source includes only headers of its own target or of a target it depends on, so no library
#     includes a folder above it and every arrow of the include graph runs downwards.
#   - Every header under src/ belongs to one target, and no two headers share a name (an include
#     names a header by its file name).

set(KLV_FLOOR_NAMES platform core logic shell forms program)

function(_klv_floor_name floor out)
  list(GET KLV_FLOOR_NAMES ${floor} name)
  set(${out} "${name}" PARENT_SCOPE)
endfunction()

# Sets `out` to the list of broken rules found in `lines` (the record) for the sources under `src`.
function(klv_layer_violations lines src out)
  set(errors "")
  set(targets "")
  set(bare "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^floor ([^ ]+) ([0-9])$")
      list(APPEND targets "${CMAKE_MATCH_1}")
      set("floor_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    elseif(line MATCHES "^depends ([^ ]+) ([^ ]+)$")
      list(APPEND "deps_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    elseif(line MATCHES "^source ([^ ]+) (.+)$")
      list(APPEND "sources_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    elseif(line MATCHES "^widgets ([^ ]+) (.+)$")
      set("widgets_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    elseif(line MATCHES "^program-without-forms ([^ ]+) ([^ ]+)$")
      list(APPEND bare "${CMAKE_MATCH_1}")
      set("folder_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    endif()
  endforeach()
  if(NOT targets)
    set(${out} "no layer record" PARENT_SCOPE)
    return()
  endif()

  # Who owns each header.
  set(headers "")
  foreach(t IN LISTS targets)
    foreach(f IN LISTS "sources_${t}")
      if(f MATCHES "\\.h$")
        get_filename_component(n "${f}" NAME)
        if(DEFINED "owner_${n}")
          list(APPEND errors "two headers named ${n}: of ${owner_${n}} and of ${t}")
        endif()
        set("owner_${n}" "${t}")
        list(APPEND headers "${f}")
      endif()
    endforeach()
  endforeach()
  file(GLOB_RECURSE present "${src}/*.h")
  foreach(h IN LISTS present)
    if(NOT h IN_LIST headers)
      file(RELATIVE_PATH rel "${src}" "${h}")
      list(APPEND errors "src/${rel} is in no target's sources: list it beside its library's other files")
    endif()
  endforeach()

  foreach(t IN LISTS targets)
    set(f "${floor_${t}}")
    _klv_floor_name(${f} tname)
    if(f LESS 3 AND DEFINED "widgets_${t}")
      list(APPEND errors "${t} (${tname}) links Qt6::Widgets: ${widgets_${t}}")
    endif()
    foreach(d IN LISTS "deps_${t}")
      if(NOT DEFINED "floor_${d}")
        continue()
      endif()
      set(fd "${floor_${d}}")
      _klv_floor_name(${fd} dname)
      if(fd GREATER f OR (fd EQUAL f AND NOT f EQUAL 2 AND NOT f EQUAL 5))
        list(APPEND errors "${t} (${tname}) depends on ${d} (${dname})")
      elseif(t IN_LIST bare AND (d STREQUAL "klv_shell" OR (fd EQUAL 4 AND NOT d STREQUAL "klv_${folder_${t}}_forms" AND NOT d STREQUAL "klv_platform_forms")))
        list(APPEND errors "${t} shows none of the module's forms but depends on ${d} (${dname})")
      endif()
    endforeach()
    foreach(file IN LISTS "sources_${t}")
      if(NOT EXISTS "${file}")
        list(APPEND errors "${file} of ${t} is gone: configure again")
        continue()
      endif()
      file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
      foreach(inc IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" h "${inc}")
        get_filename_component(n "${h}" NAME)
        if(NOT DEFINED "owner_${n}")
          continue()  # not a header of the project
        endif()
        set(o "${owner_${n}}")
        if(o STREQUAL t OR o IN_LIST "deps_${t}")
          continue()
        endif()
        _klv_floor_name(${floor_${o}} oname)
        file(RELATIVE_PATH rel "${src}" "${file}")
        list(APPEND errors "src/${rel} (${t}, ${tname}) includes ${h} of ${o} (${oname}), which ${t} does not build on")
      endforeach()
    endforeach()
  endforeach()
  set(${out} "${errors}" PARENT_SCOPE)
endfunction()
