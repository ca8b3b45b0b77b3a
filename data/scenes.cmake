# The location scenes: their screens and texts, the pictures of the seven
# locations (art/scenes/generate.py writes the SVG sources, the picture group,
# the item store and scenes_art.cmake), the scene's interface pictures and
# sounds.
qm_data_xml(SOURCE resources/scenes.xml OUTPUT data/resources/scenes.xml KEY ${QM_DATA_FILE_KEY})

# A location's pictures: the three layers as JPEG; each item's look, its
# silhouette and its icon at 170 and 105 pixels as PNG.
function(qm_scene_pictures location)
  set(source art/scenes/${location})
  set(output data/images/scenes/${location})
  foreach(layer layer_1 layer_2 layer_3)
    qm_data_svg(SOURCE ${source}/${layer}.svg OUTPUT ${output}/${layer}.jpg QUALITY 86)
  endforeach()
  foreach(item ${ARGN})
    qm_data_svg(SOURCE ${source}/${item}.svg OUTPUT ${output}/${item}.png)
    qm_data_svg(SOURCE ${source}/${item}_shadow.svg OUTPUT ${output}/${item}_shadow.png)
    qm_data_svg(SOURCE ${source}/${item}_icon.svg OUTPUT ${output}/${item}_icon170.png WIDTH 170 HEIGHT 170)
    qm_data_svg(SOURCE ${source}/${item}_icon.svg OUTPUT ${output}/${item}_icon105.png WIDTH 105 HEIGHT 105)
  endforeach()
endfunction()
include(scenes_art.cmake)

foreach(picture top_panel bottom_panel level_locked level_current level_done level_expert level_glow
                mana medal_speed medal_speed_no medal_hint medal_hint_no medal_error medal_error_no
                scroll_edge hint_panel shop_counter shop_panel mana_small hint_strip)
  qm_data_svg(SOURCE art/scenes/ui/${picture}.svg OUTPUT data/images/scenes/ui/${picture}.png
              DEPENDS art/scenes/ui/palette.css)
endforeach()

foreach(sound show_panel buy_item change_layer new_line)
  qm_data_sound(RECIPE sounds/scenes/${sound}.recipe OUTPUT data/sounds/scenes_${sound}.wav)
endforeach()
