# One generated header carries every build-time constant of the stub. The version is written
# once, in the project() call: the header (user agent, telemetry, window), the version resource
# and the manifest all take it from there.
set(CORVALD_STUB_VERSION "${PROJECT_VERSION}")
set(CORVALD_BUILD_COMMIT "6c20bc0")
set(CORVALD_BUILD_DATETIME "2026-08-30 13:07:27 UTC")
set(CORVALD_BUILD_UNIX "1788095247")
set(CORVALD_APP_ID "{7A3C5E91-2B4D-4F60-8E17-C9D2B4A60315}")
set(CORVALD_PRODUCT_NAME "Corvald Tavrin")
set(CORVALD_FOLDER_NAME "corvald-installer")
string(REPLACE "." "," CORVALD_STUB_VERSION_COMMAS "${CORVALD_STUB_VERSION}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/build_info.hpp.in
               ${CMAKE_BINARY_DIR}/generated/build_info.hpp @ONLY)
