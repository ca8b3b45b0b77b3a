# A picture of the data build staged beside the palette (cmake -P): SOURCE
# (an SVG that reads "../palette.css"), OUTPUT (its copy, reading
# "palette.css"). Run at build time, so that a missing copy is made again.
file(READ ${SOURCE} text)
string(REPLACE "href=\"../palette.css\"" "href=\"palette.css\"" text "${text}")
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(WRITE ${OUTPUT}.tmp "${text}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
