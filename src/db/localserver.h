#pragma once
// This machine's server: reached over its socket (host empty or "localhost"), where the
// program's accounts are the desktop users' own and log in through the operating system
// (unix_socket), so a profile there without a password names the desktop user.
#include "connection.h"

namespace orvena {

// The operating system's name of the account this program runs as.
QString loginName();
// The profile reaches this machine's server over its socket.
bool isLocalServer(const ConnectionProfile& profile);

} // namespace orvena
