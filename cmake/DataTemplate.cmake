# One templated file of the data build (cmake -P): TEMPLATE, OUTPUT, and
# VARIABLES, NAME=VALUE pairs joined by "|" that the template's @NAME@ take. Run at
# build time, so that a missing output is made again by the next build. The
# output is replaced only once it is whole.
string(REPLACE "|" ";" pairs "${VARIABLES}")
foreach(pair IN LISTS pairs)
  string(FIND "${pair}" "=" at)
  string(SUBSTRING "${pair}" 0 ${at} name)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${pair}" ${at} -1 value)
  set(${name} "${value}")
endforeach()
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
configure_file(${TEMPLATE} ${OUTPUT}.tmp @ONLY)
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
