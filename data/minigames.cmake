# The mini-games' data: their resource list and the pictures, rasterised
# from the SVGs of art/minigames (written by art/minigames/generate.py).
qm_data_xml(SOURCE resources/minigames.xml OUTPUT data/resources/minigames.xml KEY ${QM_DATA_FILE_KEY})
foreach(location japan rome tibet egypt greece aztecs china)
  foreach(picture mosaic_${location} mosaic_${location}Mat bonus_${location})
    qm_data_svg(SOURCE art/minigames/${picture}.svg OUTPUT data/images/minigames/${picture}.jpg
                QUALITY 90 DEPENDS art/palette.css)
  endforeach()
  # The bonus card's miniature of the location's picture.
  qm_data_svg(SOURCE art/minigames/mosaic_${location}.svg OUTPUT data/images/minigames/thumb_${location}.jpg
              WIDTH 160 HEIGHT 120 QUALITY 90 DEPENDS art/palette.css)
endforeach()
foreach(picture scroll_edge tip_ribbon bonus_card bonus_card_locked hint_normal hint_selected hint_disabled
                tool_open tool_break record_seal)
  qm_data_svg(SOURCE art/minigames/${picture}.svg OUTPUT data/images/minigames/${picture}.png
              DEPENDS art/palette.css)
endforeach()
# The mosaic's pause menu: the shared panel at the menu's size.
qm_data_svg(SOURCE art/panel.svg OUTPUT data/images/minigames/panel_menu.png WIDTH 336 HEIGHT 320
            DEPENDS art/palette.css)
