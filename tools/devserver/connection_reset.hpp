// Resetting the connection a request came in on, from inside its handler: httplib hands a
// handler no socket, and its own ways to end a connection all send the status line first.
#pragma once

namespace corvald::devserver {

// Finds this process's TCP socket with these loopback ports and resets it: the peer sees the
// connection end at once, with no status line if none was sent yet. False when none matched.
bool reset_connection(int local_port, int remote_port);

}  // namespace corvald::devserver
