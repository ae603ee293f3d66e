# Compiles the locale tables (UTF-8 JSON files) into a C++ source, packed, in the fixed table
# order that language matching relies on.
set(CORVALD_LOCALES ar-EG de-DE en es-ES fr-FR he-IL hi-IN id-ID it-IT ja-JP ko-KR ms-MY
    nl-NL pl-PL pt-BR ru-RU th-TH zh-CN zh-TW)
set(CORVALD_LOCALE_DIR ${CMAKE_SOURCE_DIR}/src/i18n/locales)
set(CORVALD_LOCALE_SOURCE ${CMAKE_BINARY_DIR}/generated/locale_data.cpp)
set(_locale_files)
foreach(code IN LISTS CORVALD_LOCALES)
  list(APPEND _locale_files ${CORVALD_LOCALE_DIR}/${code}.json)
endforeach()
string(REPLACE ";" "," _locale_codes "${CORVALD_LOCALES}")
add_custom_command(
  OUTPUT ${CORVALD_LOCALE_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DOUT=${CORVALD_LOCALE_SOURCE} -DDIR=${CORVALD_LOCALE_DIR}
          -DCODES=${_locale_codes} -P ${CMAKE_SOURCE_DIR}/cmake/embed_locales.cmake
  DEPENDS ${_locale_files} ${CMAKE_SOURCE_DIR}/cmake/embed_locales.cmake
  COMMENT "Embedding locale tables" VERBATIM)
