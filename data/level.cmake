# The nonogram level, its result and hint screens and the tutorial: art,
# fonts, sounds, texts, the resource list, and the board parts made per
# board size. Included by CMakeLists.txt.

# The level's art takes the palette from the folder above it, which the SVG
# renderer does not read from a subfolder: each picture is rasterised from a
# copy staged beside a copy of the palette. The copies are made by the build
# (as is every file of the data build), so a build remakes any that is gone.
set(level_art_stage ${CMAKE_CURRENT_BINARY_DIR}/art-level)
add_custom_command(OUTPUT ${level_art_stage}/palette.css
  COMMAND ${CMAKE_COMMAND} -E make_directory ${level_art_stage}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/art/palette.css
          ${level_art_stage}/palette.css
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/art/palette.css
  COMMENT "Data: the level's palette staged" VERBATIM)
function(level_art name)
  cmake_parse_arguments(ARG "" "OUTPUT;WIDTH;HEIGHT" "" ${ARGN})
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/art/level/${name}.svg)
  set(staged ${level_art_stage}/${name}.svg)
  # Each picture is staged once, however many sizes are made of it.
  get_property(done DIRECTORY PROPERTY QM_LEVEL_ART_STAGED)
  if(NOT staged IN_LIST done)
    set_property(DIRECTORY APPEND PROPERTY QM_LEVEL_ART_STAGED ${staged})
    add_custom_command(OUTPUT ${staged}
      COMMAND ${CMAKE_COMMAND} -DSOURCE=${source} -DOUTPUT=${staged}
              -P ${PROJECT_SOURCE_DIR}/cmake/DataStageArt.cmake
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/DataStageArt.cmake
      COMMENT "Data: art/level/${name}.svg staged" VERBATIM)
  endif()
  set(size "")
  if(ARG_WIDTH)
    list(APPEND size WIDTH ${ARG_WIDTH})
  endif()
  if(ARG_HEIGHT)
    list(APPEND size HEIGHT ${ARG_HEIGHT})
  endif()
  if(NOT ARG_OUTPUT)
    set(ARG_OUTPUT ${name})
  endif()
  qm_data_svg(SOURCE ${staged} OUTPUT data/images/level/${ARG_OUTPUT}.png ${size}
              DEPENDS art/palette.css ${level_art_stage}/palette.css)
endfunction()

# Pictures at their own size.
foreach(picture tool_arrow tool_hammer tool_frame hint_normal hint_selected hint_disabled
                error_marker cursor_hammer cursor_hint level_panel hint_bubble medal crystal
                spark mini_frame expert_badge)
  level_art(${picture})
endforeach()

# The tutorial's text panel: the dialogs' panel at its size.
qm_data_svg(SOURCE art/panel.svg OUTPUT data/images/level/tutorial_panel.png WIDTH 400 HEIGHT 460
            DEPENDS art/palette.css)
# The level's menu: the same panel, tall.
qm_data_svg(SOURCE art/panel.svg OUTPUT data/images/level/menu_panel.png WIDTH 320 HEIGHT 600
            DEPENDS art/palette.css)

# Each board size: its cell and clue sizes, and where the board stands so
# that the largest clues fit left of and above it beside the side panel.
#   rows cols  cell shift fivefold  digit digit-shift  start_x start_y
set(level_boards
  "5 5     56 3 0   28 2   300 318"
  "10 10   38 2 4   24 2   244 290"
  "15 15   28 1 3   22 1   230 276"
  "20 20   22 1 2   18 1   230 270")
foreach(board IN LISTS level_boards)
  string(REGEX REPLACE " +" ";" board "${board}")
  list(GET board 0 LEVEL_ROWS)
  list(GET board 1 LEVEL_COLS)
  list(GET board 2 LEVEL_CELL)
  list(GET board 3 LEVEL_SHIFT)
  list(GET board 4 LEVEL_FIVEFOLD)
  list(GET board 5 LEVEL_DIGIT)
  list(GET board 6 LEVEL_DIGIT_SHIFT)
  list(GET board 7 LEVEL_START_X)
  list(GET board 8 LEVEL_START_Y)
  set(key ${LEVEL_ROWS}_${LEVEL_COLS})
  foreach(picture cell_closed cell_lit cell_active cell_empty cell_full_1 cell_full_2 cell_full_3
                  cell_full_4 cell_full_5)
    level_art(${picture} OUTPUT ${picture}_${key} WIDTH ${LEVEL_CELL} HEIGHT ${LEVEL_CELL})
  endforeach()
  foreach(strip cell_final_1:6 cell_final_2:6 cell_final_3:6 cell_final_4:6 cell_final_5:6
                cell_appear:5 cell_break:6)
    string(REPLACE ":" ";" strip ${strip})
    list(GET strip 0 picture)
    list(GET strip 1 frames)
    math(EXPR width "${frames} * ${LEVEL_CELL}")
    level_art(${picture} OUTPUT ${picture}_${key} WIDTH ${width} HEIGHT ${LEVEL_CELL})
  endforeach()
  foreach(picture digit_plate digit_lit digit_cross)
    level_art(${picture} OUTPUT ${picture}_${key} WIDTH ${LEVEL_DIGIT} HEIGHT ${LEVEL_DIGIT})
  endforeach()
  # The board's grid definition, factories and miniature, from one template.
  math(EXPR LEVEL_INFO_X "-(${LEVEL_DIGIT} + 6)")
  math(EXPR LEVEL_INFO_Y "-(${LEVEL_DIGIT} + 6)")
  math(EXPR LEVEL_FINAL_STRIP "6 * ${LEVEL_CELL}")
  math(EXPR LEVEL_APPEAR_STRIP "5 * ${LEVEL_CELL}")
  math(EXPR LEVEL_BREAK_STRIP "6 * ${LEVEL_CELL}")
  # The miniature on the results: 150 pixels a side.
  math(EXPR LEVEL_MINI_CELL "150 / ${LEVEL_COLS}")
  math(EXPR LEVEL_MINI_W "${LEVEL_MINI_CELL} * ${LEVEL_COLS} + 6")
  math(EXPR LEVEL_MINI_H "${LEVEL_MINI_CELL} * ${LEVEL_ROWS} + 6")
  # Two digits of the large font take 24 pixels: a smaller plate takes the
  # narrow font, or a clue of 10 and more loses its second digit.
  if(LEVEL_DIGIT GREATER_EQUAL 24)
    set(LEVEL_DIGIT_FONT level_font_digits_large)
  else()
    set(LEVEL_DIGIT_FONT level_font_digits)
  endif()
  # Made by the build, like every file of the data build, so that a build
  # remakes any that is gone; declared generated, so that they are made
  # before a source that includes them is assembled.
  set(values "")
  foreach(name LEVEL_ROWS LEVEL_COLS LEVEL_CELL LEVEL_SHIFT LEVEL_FIVEFOLD LEVEL_DIGIT
               LEVEL_DIGIT_SHIFT LEVEL_START_X LEVEL_START_Y LEVEL_INFO_X LEVEL_INFO_Y
               LEVEL_FINAL_STRIP LEVEL_APPEAR_STRIP LEVEL_BREAK_STRIP LEVEL_MINI_CELL
               LEVEL_MINI_W LEVEL_MINI_H LEVEL_DIGIT_FONT)
    list(APPEND values "${name}=${${name}}")
  endforeach()
  list(JOIN values "|" values)
  foreach(part ini/screens/level_grid.xml.in:grid ini/screens/level_board.xml.in:board
               ini/screens/level_result_board.xml.in:result_board
               resources/level_board.xml.in:resources)
    string(REPLACE ":" ";" part ${part})
    list(GET part 0 template)
    list(GET part 1 stem)
    set(output ${QM_DATA_GENERATED_DIR}/level/${stem}_${key}.xml)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} "-DVARIABLES=${values}"
              -DTEMPLATE=${CMAKE_CURRENT_SOURCE_DIR}/${template} -DOUTPUT=${output}
              -P ${PROJECT_SOURCE_DIR}/cmake/DataTemplate.cmake
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${template}
              ${PROJECT_SOURCE_DIR}/cmake/DataTemplate.cmake
      COMMENT "Data: level/${stem}_${key}.xml" VERBATIM)
    qm_data_generated(${output})
  endforeach()
endforeach()

# Fonts of the board and the level name.
foreach(font level_digits level_digits_large level_name)
  qm_data_font(SPEC fonts/${font}.spec.xml OUTPUT data/fonts/${font})
endforeach()

# Sounds of the board and of the results.
foreach(sound cell_open cell_break new_line stat_medal level_failed)
  qm_data_sound(RECIPE sounds/level/${sound}.recipe OUTPUT data/sounds/level/${sound}.wav)
endforeach()

# The resource list.
qm_data_xml(SOURCE resources/level.xml OUTPUT data/resources/level.xml KEY ${QM_DATA_FILE_KEY})
