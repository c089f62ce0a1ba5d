// The three query exports the player calls before it offers the plug-in.
#pragma once

#include "plugin_host/plugin.h"

namespace host {

// Calls IsPlayListSupport, GetModuleName and GetExt, prints one line per call
// with its result and verdict, and returns the number of failed checks (a
// missing export counts as failed).
int CheckQueries(const Plugin& plugin);

}  // namespace host
