#pragma once

namespace optara {

// Syncs, then drops the page cache, so that what is read next comes from the
// disk rather than from memory. Root only: false when it cannot.
bool dropPageCache();

} // namespace optara
