# libyaml (feed reading) and OpenSSL's libcrypto (SHA-512): Debian's own packages for the
# native flavour, the copies cross-built by scripts/setup.sh for the Windows flavour.
if(WIN32)
  set(_deps ${CORVALD_MINGW_DEPS})
  if(NOT EXISTS ${_deps}/lib/libyaml.a OR NOT EXISTS ${_deps}/lib/libcrypto.a)
    message(FATAL_ERROR "cross-built libyaml/libcrypto not found in ${_deps}: run ./dev setup")
  endif()
  add_library(corvald_yaml STATIC IMPORTED)
  set_target_properties(corvald_yaml PROPERTIES
    IMPORTED_LOCATION ${_deps}/lib/libyaml.a
    INTERFACE_INCLUDE_DIRECTORIES ${_deps}/include
    INTERFACE_COMPILE_DEFINITIONS YAML_DECLARE_STATIC)
  add_library(corvald_crypto STATIC IMPORTED)
  set_target_properties(corvald_crypto PROPERTIES
    IMPORTED_LOCATION ${_deps}/lib/libcrypto.a
    INTERFACE_INCLUDE_DIRECTORIES ${_deps}/include
    INTERFACE_LINK_LIBRARIES "ws2_32;crypt32")
else()
  find_path(YAML_INCLUDE_DIR yaml.h REQUIRED)
  find_library(YAML_LIBRARY yaml REQUIRED)
  add_library(corvald_yaml UNKNOWN IMPORTED)
  set_target_properties(corvald_yaml PROPERTIES
    IMPORTED_LOCATION ${YAML_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${YAML_INCLUDE_DIR})
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  add_library(corvald_crypto INTERFACE IMPORTED)
  set_target_properties(corvald_crypto PROPERTIES INTERFACE_LINK_LIBRARIES OpenSSL::Crypto)
endif()
