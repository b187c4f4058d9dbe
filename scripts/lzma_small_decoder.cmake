# Included into liblzma's own build by scripts/bootstrap: its LZMA decoder
# with the loops that the default build unrolls kept as loops (8 KB less in
# every installer; no slower measurably). HAVE_SMALL for the whole library
# breaks its CRC build, and the installer needs the decoder alone small.
set_source_files_properties("${CMAKE_SOURCE_DIR}/src/liblzma/lzma/lzma_decoder.c"
  PROPERTIES COMPILE_DEFINITIONS HAVE_SMALL)
