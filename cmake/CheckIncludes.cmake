# The include half of the layering rule (see cmake/PyrandelLibrary.cmake), run as a ctest case:
#   cmake -DSOURCE_DIR=<project> -DLAYERS=<build>/pyrandel_layers.cmake -P cmake/CheckIncludes.cmake
# Every header and source of each library's folder is read; an include of another folder's header ("net/...",
# "game/qt/...") must name a folder that the library links, and a core folder includes no Qt header (<Q...>) and
# none of the dialog templates in res/, which are built on the qt folders' types. Fails listing every offence.

cmake_minimum_required(VERSION 3.25)
include(${LAYERS})

file(GLOB resource_headers RELATIVE ${SOURCE_DIR}/res ${SOURCE_DIR}/res/*.h)
set(offences)
foreach(folder ${FOLDERS})
  string(MAKE_C_IDENTIFIER "${folder}" key)
  set(allowed ${ALLOWED_${key}})
  set(core TRUE)
  if(folder MATCHES "(^|/)qt$")
    set(core FALSE)
  endif()
  file(GLOB files ${SOURCE_DIR}/src/${folder}/*.h ${SOURCE_DIR}/src/${folder}/*.cpp)
  foreach(path ${files})
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${path})
    file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
      if(line MATCHES "<Q" AND core)
        list(APPEND offences "${shown}: <${header}> is a Qt header in a core folder")
      elseif(line MATCHES "\"")
        if(header IN_LIST resource_headers)
          if(core)
            list(APPEND offences "${shown}: \"${header}\" is a dialog template, for the qt folders only")
          endif()
          continue()
        endif()
        get_filename_component(header_folder ${header} DIRECTORY)
        if(header_folder IN_LIST FOLDERS AND NOT header_folder IN_LIST allowed)
          list(APPEND offences
               "${shown}: \"${header}\" belongs to src/${header_folder}, which src/${folder} does not link")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(offences)
  list(JOIN offences "\n  " text)
  message(FATAL_ERROR "Includes against the layering:\n  ${text}")
endif()
list(LENGTH FOLDERS count)
message(STATUS "Includes follow the layering in all ${count} library folders")
