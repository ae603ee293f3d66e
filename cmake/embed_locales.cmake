# Script mode: writes OUT, a C++ source holding every table in CODES as one raw deflate stream
# (the tables in CODES order, back to back) and each table's code and length. The stream is
# about a quarter of the tables' size; i18n/embedded_locales.cpp expands it on first use.
string(REPLACE "," ";" CODES "${CODES}")
get_filename_component(work ${OUT} DIRECTORY)
set(joined ${work}/locale_tables.bin)
set(packed ${work}/locale_tables.gz)

set(files "")
set(entries "")
set(total 0)
foreach(code IN LISTS CODES)
  set(file ${DIR}/${code}.json)
  file(SIZE ${file} size)
  list(APPEND files ${file})
  string(APPEND entries "    {\"${code}\", ${size}},\n")
  math(EXPR total "${total} + ${size}")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${files} OUTPUT_FILE ${joined}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not join the locale tables: ${failed}")
endif()
file(ARCHIVE_CREATE OUTPUT ${packed} PATHS ${joined} FORMAT raw COMPRESSION GZip
     COMPRESSION_LEVEL 9)

# A gzip member (RFC 1952) without optional fields: a 10-byte header (whose time stamp is the
# only part that changes from run to run), the deflate stream, CRC-32 and length (8 bytes).
file(READ ${packed} hex HEX)
string(LENGTH "${hex}" hex_len)
string(SUBSTRING "${hex}" 0 8 head)
if(NOT head STREQUAL "1f8b0800")
  message(FATAL_ERROR "${packed}: not a plain gzip member (header ${head})")
endif()
math(EXPR stream_len "${hex_len} - 20 - 16")
string(SUBSTRING "${hex}" 20 ${stream_len} stream)
math(EXPR isize_at "${hex_len} - 8")
string(SUBSTRING "${hex}" ${isize_at} 8 isize)
string(REGEX REPLACE "(..)(..)(..)(..)" "0x\\4\\3\\2\\1" isize "${isize}")
math(EXPR isize "${isize}")
if(NOT isize EQUAL total)
  message(FATAL_ERROR "${packed} holds ${isize} bytes, the tables ${total}")
endif()
file(REMOVE ${joined} ${packed})

string(REGEX REPLACE "(..)" "0x\\1," bytes "${stream}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
       bytes "${bytes}")
file(WRITE ${OUT} "// Generated from src/i18n/locales by cmake/embed_locales.cmake; do not edit.
#include \"i18n/packed_locales.hpp\"

namespace corvald::i18n {
namespace {

const unsigned char stream[] = {
${bytes}};

const PackedLocale tables[] = {
${entries}};

}  // namespace

PackedLocales packed_locales() { return {stream, tables, ${total}}; }

}  // namespace corvald::i18n
")
