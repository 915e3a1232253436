cmake_minimum_required(VERSION 3.25)
# The test `layers`: the rules of cmake/KlvLayerRules.cmake over the record the configuration wrote
# (layers.txt), with every source read again as it is now, so an include added since the last
# configuration is checked too.
#   cmake -DLAYERS=<build>/layers.txt -DSRC=<source>/src -P layers_check.cmake
include("${CMAKE_CURRENT_LIST_DIR}/../cmake/KlvLayerRules.cmake")
if(NOT EXISTS "${LAYERS}")
  message(FATAL_ERROR "no layer record in ${LAYERS}")
endif()
file(STRINGS "${LAYERS}" lines)
klv_layer_violations("${lines}" "${SRC}" errors)
if(errors)
  list(JOIN errors "\n  " text)
  message(FATAL_ERROR "Layers broken (platform -> core -> logic -> shell -> forms -> programs):\n  ${text}")
endif()
message(STATUS "layers: clean")
