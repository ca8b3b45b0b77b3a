# The data build: the readable sources in data/ made into the folder the
# program reads (QM_DATA_DIR, build/gamedata), by the target `data`, which is
# part of `all`. Each step is one custom command with its own inputs, so a
# build remakes only what changed.
#
#   qm_data_xml(SOURCE src.xml OUTPUT rel/path [KEY key])
#       puts in the parts the source names by "<?include part.xml?>"
#       (tools/xmlassemble), checks that the XML parses as the game parses
#       it, then copies it, or enciphers it as HexCipherText under KEY
#       followed by a line feed.
#   qm_data_svg(SOURCE art.svg OUTPUT rel/name.png|.jpg [WIDTH w] [HEIGHT h]
#               [QUALITY q] [DEPENDS files...])
#       (a relative DEPENDS is in the calling folder; an absolute one may be
#       the output of another step)
#       rasterises with rsvg-convert; a .jpg goes through tools/pngtojpeg.
#   qm_data_font(SPEC spec.xml OUTPUT rel/name)
#       tools/fonttool: rel/name.png (the atlas) and rel/name.xml (the glyph
#       table, which a font resource reads as its out-storage).
#   qm_data_sound(RECIPE recipe.txt OUTPUT rel/name.wav|.ogg|.mod)
#       tools/soundtool.
#   qm_data_generated(files...)
#       names files that a step of the data build makes in
#       QM_DATA_GENERATED_DIR (the level catalogue, the board parts...): they
#       are made before any source is assembled, since a source may include
#       them. Nothing is written there while configuring: every such file is
#       a step's output, so a build remakes whatever is missing.
#   qm_data_finish()
#       the target `data`; with QM_DATA_PACK every output under data/ goes
#       into the pack data.sgd instead of the folder data/.
#
# Paths given as SOURCE, SPEC or RECIPE are relative to the calling folder;
# OUTPUT is relative to QM_DATA_DIR. A failing step fails the build with the
# tool's message.

set(QM_DATA_DIR ${CMAKE_BINARY_DIR}/gamedata)
# XML sources with their parts put in, as the tests read them; and the
# sources the data build itself makes (the level catalogue...), which a
# source includes as "@generated/...".
set(QM_DATA_ASSEMBLED_DIR ${CMAKE_BINARY_DIR}/gamedata-assembled)
set(QM_DATA_GENERATED_DIR ${CMAKE_BINARY_DIR}/gamedata-generated)
file(MAKE_DIRECTORY ${QM_DATA_GENERATED_DIR})
option(QM_DATA_PACK "Pack the data/ part of the built data into data.sgd" OFF)
set(QM_DATA_PACK_STAGE ${CMAKE_BINARY_DIR}/gamedata-pack)

find_program(QM_RSVG_CONVERT rsvg-convert REQUIRED)
find_path(QM_FONT_DIR DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu REQUIRED)

# The keys are the game's own (game/GameConfig.cpp), read from there so that
# the data and the program cannot disagree.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/game/GameConfig.cpp)
function(_qm_data_key setter out)
  file(READ ${PROJECT_SOURCE_DIR}/game/GameConfig.cpp config)
  if(NOT config MATCHES "${setter}\\(\"([^\"]+)\"\\)")
    message(FATAL_ERROR "game/GameConfig.cpp holds no ${setter}(\"...\") for the data build")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
_qm_data_key(SetDataFileKey QM_DATA_FILE_KEY)
_qm_data_key(SetHighScoresFileKey QM_HIGH_SCORES_FILE_KEY)

set_property(GLOBAL PROPERTY QM_DATA_OUTPUTS "")
set_property(GLOBAL PROPERTY QM_DATA_PACKED "")

# Where an output goes: the pack's staging folder for data/ when packing.
function(_qm_data_output relative out)
  if(QM_DATA_PACK AND relative MATCHES "^data/")
    set(path ${QM_DATA_PACK_STAGE}/${relative})
    set_property(GLOBAL APPEND PROPERTY QM_DATA_PACKED ${path})
  else()
    set(path ${QM_DATA_DIR}/${relative})
    set_property(GLOBAL APPEND PROPERTY QM_DATA_OUTPUTS ${path})
  endif()
  get_filename_component(folder ${path} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  set(${out} ${path} PARENT_SCOPE)
endfunction()

function(qm_data_xml)
  cmake_parse_arguments(ARG "" "SOURCE;OUTPUT;KEY" "" ${ARGN})
  get_filename_component(source ${ARG_SOURCE} ABSOLUTE)
  _qm_data_output(${ARG_OUTPUT} output)
  # First the source with its parts put in, kept readable for the tests.
  file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR}/data ${source})
  set(assembled ${QM_DATA_ASSEMBLED_DIR}/${relative})
  get_filename_component(folder ${assembled} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  add_custom_command(OUTPUT ${assembled}
    COMMAND xmlassemble ${source} ${assembled} ${assembled}.d ${QM_DATA_GENERATED_DIR}
    DEPFILE ${assembled}.d
    DEPENDS ${source} xmlassemble qm_data_generated
    COMMENT "Data: ${relative} assembled" VERBATIM)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:sgdtool> -DSOURCE=${assembled}
            -DOUTPUT=${output} -DKEY=${ARG_KEY} -P ${PROJECT_SOURCE_DIR}/cmake/DataXml.cmake
    DEPENDS ${assembled} sgdtool ${PROJECT_SOURCE_DIR}/cmake/DataXml.cmake
    COMMENT "Data: ${ARG_OUTPUT}" VERBATIM)
endfunction()

function(qm_data_svg)
  cmake_parse_arguments(ARG "" "SOURCE;OUTPUT;WIDTH;HEIGHT;QUALITY" "DEPENDS" ${ARGN})
  get_filename_component(source ${ARG_SOURCE} ABSOLUTE)
  _qm_data_output(${ARG_OUTPUT} output)
  set(size "")
  if(ARG_WIDTH)
    list(APPEND size --width ${ARG_WIDTH})
  endif()
  if(ARG_HEIGHT)
    list(APPEND size --height ${ARG_HEIGHT})
  endif()
  if(NOT ARG_QUALITY)
    set(ARG_QUALITY 90)
  endif()
  if(output MATCHES "\\.png$")
    set(commands
      COMMAND ${QM_RSVG_CONVERT} ${size} --output ${output}.tmp ${source}
      COMMAND ${CMAKE_COMMAND} -E rename ${output}.tmp ${output})
    set(tools "")
  elseif(output MATCHES "\\.jpg$")
    set(commands
      COMMAND ${QM_RSVG_CONVERT} ${size} --output ${output}.png ${source}
      COMMAND $<TARGET_FILE:pngtojpeg> ${output}.png ${output} ${ARG_QUALITY}
      COMMAND ${CMAKE_COMMAND} -E rm ${output}.png)
    set(tools pngtojpeg)
  else()
    message(FATAL_ERROR "qm_data_svg: ${ARG_OUTPUT} is neither .png nor .jpg")
  endif()
  set(depends "")
  foreach(file IN LISTS ARG_DEPENDS)
    if(NOT IS_ABSOLUTE ${file})
      set(file ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endif()
    list(APPEND depends ${file})
  endforeach()
  add_custom_command(OUTPUT ${output} ${commands}
    DEPENDS ${source} ${depends} ${tools}
    COMMENT "Data: ${ARG_OUTPUT}" VERBATIM)
endfunction()

function(qm_data_font)
  cmake_parse_arguments(ARG "" "SPEC;OUTPUT" "" ${ARGN})
  get_filename_component(spec ${ARG_SPEC} ABSOLUTE)
  _qm_data_output(${ARG_OUTPUT}.png atlas)
  _qm_data_output(${ARG_OUTPUT}.xml table)
  # The face file is an input too; the font description is read again when it changes.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${spec})
  file(READ ${spec} text)
  set(face "")
  if(text MATCHES "face=\"([^\"]+)\"")
    set(face ${CMAKE_MATCH_1})
    if(NOT IS_ABSOLUTE ${face})
      set(face ${QM_FONT_DIR}/${face})
    endif()
  endif()
  add_custom_command(OUTPUT ${atlas} ${table}
    COMMAND fonttool ${spec} ${QM_FONT_DIR} ${atlas} ${table}
    DEPENDS ${spec} ${face} fonttool
    COMMENT "Data: ${ARG_OUTPUT}.png, ${ARG_OUTPUT}.xml" VERBATIM)
endfunction()

function(qm_data_sound)
  cmake_parse_arguments(ARG "" "RECIPE;OUTPUT" "" ${ARGN})
  get_filename_component(recipe ${ARG_RECIPE} ABSOLUTE)
  _qm_data_output(${ARG_OUTPUT} output)
  add_custom_command(OUTPUT ${output}
    COMMAND soundtool ${recipe} ${output}
    DEPENDS ${recipe} soundtool
    COMMENT "Data: ${ARG_OUTPUT}" VERBATIM)
endfunction()

function(qm_data_generated)
  set_property(GLOBAL APPEND PROPERTY QM_DATA_GENERATED ${ARGN})
endfunction()

function(qm_data_finish)
  # The parts the sources include come first (the depfiles tell the build
  # which source to remake when one changes).
  get_property(generated GLOBAL PROPERTY QM_DATA_GENERATED)
  add_custom_target(qm_data_generated DEPENDS ${generated})
  get_property(outputs GLOBAL PROPERTY QM_DATA_OUTPUTS)
  get_property(packed GLOBAL PROPERTY QM_DATA_PACKED)
  if(QM_DATA_PACK)
    # A folder data/ would be read before the pack: one left from a build
    # without packing goes.
    file(REMOVE_RECURSE ${QM_DATA_DIR}/data)
    set(pack ${QM_DATA_DIR}/data.sgd)
    add_custom_command(OUTPUT ${pack}
      COMMAND sgdtool pack ${QM_DATA_PACK_STAGE}/data ${pack}
      DEPENDS ${packed} sgdtool
      COMMENT "Data: data.sgd" VERBATIM)
    list(APPEND outputs ${pack})
  else()
    file(REMOVE ${QM_DATA_DIR}/data.sgd)
    file(REMOVE_RECURSE ${QM_DATA_PACK_STAGE})
  endif()
  add_custom_target(data ALL DEPENDS ${outputs})
endfunction()
