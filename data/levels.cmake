# The levels: a picture (levels/<set>/<n>.txt) and the settings of each set
# (levels/<set>/levels.xml, with levels/defaults.xml by picture size) and each
# location's emblem (levels/emblems/<location>.txt) made by
# tools/leveltool into the level files and the generated catalogue parts
# (levels/catalogue.xml, bonus_catalogue.xml, tutorial_catalogue.xml,
# params.xml). A picture the tool refuses fails the build.
set(level_locations japan rome tibet egypt greece aztecs china)
set(level_sets tutorial ${level_locations})
foreach(location ${level_locations})
  list(APPEND level_sets bonus/${location})
endforeach()

if(QM_DATA_PACK)
  set(level_output ${QM_DATA_PACK_STAGE}/data/levels)
else()
  set(level_output ${QM_DATA_DIR}/data/levels)
endif()
set(level_sources ${CMAKE_CURRENT_SOURCE_DIR}/levels/defaults.xml)
set(level_files "")
foreach(level_set ${level_sets})
  file(GLOB pictures CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/levels/${level_set}/*.txt)
  list(APPEND level_sources ${pictures} ${CMAKE_CURRENT_SOURCE_DIR}/levels/${level_set}/levels.xml)
  foreach(picture ${pictures})
    get_filename_component(n ${picture} NAME_WE)
    _qm_data_output(data/levels/${level_set}/${n}.xml output)
    list(APPEND level_files ${output})
  endforeach()
endforeach()
# Each location's emblem: the picture the results show for the location.
foreach(location ${level_locations})
  list(APPEND level_sources ${CMAKE_CURRENT_SOURCE_DIR}/levels/emblems/${location}.txt)
  _qm_data_output(data/levels/emblems/${location}.xml output)
  list(APPEND level_files ${output})
endforeach()
set(level_parts "")
foreach(part catalogue bonus_catalogue tutorial_catalogue params)
  list(APPEND level_parts ${QM_DATA_GENERATED_DIR}/levels/${part}.xml)
endforeach()
add_custom_command(OUTPUT ${level_files} ${level_parts}
  COMMAND leveltool ${CMAKE_CURRENT_SOURCE_DIR}/levels ${level_output}
          ${QM_DATA_GENERATED_DIR} ${level_sets}
  DEPENDS leveltool ${level_sources}
  COMMENT "Data: levels" VERBATIM)
qm_data_generated(${level_parts})
