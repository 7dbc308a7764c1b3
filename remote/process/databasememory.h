#pragma once

namespace remote::process {

// By default every database connection sets aside room for a batch of pages the first time
// it reads one, whether it ever reads more or not; the station keeps several connections
// open for the whole run (the history file's writer and its checkpointer, the settings
// file's) and most read only a few pages. This makes each connection take page memory only
// as it reads pages. It holds for the whole process and only before the engine has started,
// so it is called first thing in main(); false when the engine had already started (nothing
// changes then, everything still works).
bool growPageCachesOnDemand();

} // namespace remote::process
