#pragma once

#include <span>
#include <string>

namespace optara {

// Asks the kernel for the heads of these files at once, without waiting for
// them, so that a disk serves them together while a reader takes them one by
// one. The last file tells whether that pays: nothing is asked where it is in
// memory already. For a local disk: over a network or through FUSE, opening
// each file a second time would cost a round trip.
void readAhead(std::span<const std::string> files);

} // namespace optara
