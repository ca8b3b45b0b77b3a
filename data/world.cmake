# The game world's data around the map: the main menu, the map and its
# places, the medallion, the story, the trophy cabinet and their dialogs.
# The SVG sources in art/world/ are written by art/world/make_world_art.py.
qm_data_xml(SOURCE resources/world.xml OUTPUT data/resources/world.xml KEY ${QM_DATA_FILE_KEY})

# Full-screen pictures, as JPEG.
foreach(picture map_background cabinet_background story_page)
  qm_data_svg(SOURCE art/world/${picture}.svg OUTPUT data/images/world/${picture}.jpg QUALITY 88)
endforeach()

set(world_pictures map_location_glow map_progress_frame map_progress_fill map_panel scroll_edge
    marker_locked marker_current marker_expert marker_non_expert marker_glow
    medallion_base trophy_empty_cup trophy_empty_plaque trophy_bubble medal_plate
    medal_error medal_hint medal_speed spark)
foreach(location japan rome tibet egypt greece aztecs china)
  foreach(look plain locked gold silver)
    list(APPEND world_pictures map_${location}_${look})
  endforeach()
  list(APPEND world_pictures medallion_${location}_gold medallion_${location}_silver
       trophy_${location})
endforeach()
foreach(kind error hint speed)
  list(APPEND world_pictures trophy_${kind}_small trophy_${kind}_big)
endforeach()
# The main menu's panel behind the medallion: the dialogs' panel at another size.
qm_data_svg(SOURCE art/panel.svg OUTPUT data/images/world/menu_panel.png WIDTH 400 HEIGHT 384
            DEPENDS art/palette.css)
foreach(picture ${world_pictures})
  qm_data_svg(SOURCE art/world/${picture}.svg OUTPUT data/images/world/${picture}.png)
endforeach()
