#include "remote/process/databasememory.h"

#include <sqlcipher/sqlite3.h>

namespace remote::process {

bool growPageCachesOnDemand() {
    // No buffer of our own and no first batch: pages come from the engine's allocator one
    // by one as they are read.
    return sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0) == SQLITE_OK;
}

} // namespace remote::process
