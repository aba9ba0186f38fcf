#pragma once

namespace optara {

// How the process's heaps hold memory. Called first in main, before any
// thread starts.
void configureHeaps();

// Hands memory that has been freed back to the system, as the heaps keep it
// for reuse otherwise. For a worker, after a run ends or a window lets go of
// its photos.
void returnFreedMemory();

} // namespace optara
