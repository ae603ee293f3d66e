# corvald_add_devserver_fixture(NAME DIR [devserver arguments...])
#
# Adds the ctest fixture NAME: the test NAME_start starts corvald-devserver in the background
# (tests/devserver/start.sh) with DIR/port, DIR/requests.jsonl and DIR/pid, and NAME_stop ends
# it. A test that needs the server sets
#   FIXTURES_REQUIRED NAME  and  ENVIRONMENT CORVALD_DEVSERVER_DIR=DIR
# and reads the port with devserver_base_url() from tests/support/devserver_port.hpp.
# The server is the native build's (build/native/bin/corvald-devserver) unless the CMake
# variable or the environment variable CORVALD_DEVSERVER names another.
function(corvald_add_devserver_fixture name dir)
  set(scripts ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../devserver)
  set(environment)
  if(DEFINED CORVALD_DEVSERVER)
    set(environment ENVIRONMENT "CORVALD_DEVSERVER=${CORVALD_DEVSERVER}")
  endif()
  add_test(NAME ${name}_start
           COMMAND bash ${scripts}/start.sh ${dir} ${ARGN})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 90
                       LABELS devserver ${environment})
  add_test(NAME ${name}_stop COMMAND bash ${scripts}/stop.sh ${dir})
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 30
                       LABELS devserver)
endfunction()
