// port_permission.h: why a serial device cannot be opened when the reason is the
// system's permissions, and what the user does about it. Any thread.
#pragma once

#include "link/messages.h"

#include <string>

// The advice shown after "Open communicate port fail!!!" when the calling process
// may not read and write device: the device, the group that owns it, and the fix
// (join that group, then log in again). Empty when device is missing, is not a
// path, or could be opened as far as permissions go.
std::string PortPermissionAdvice(const std::string& device, Language language);
