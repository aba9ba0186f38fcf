#pragma once

namespace optara {

// The process-wide settings the app takes before its application object is
// made: how its heaps hold memory, a session that writes nothing, and the
// desktop's text smoothing. The benchmarks take them too, to measure the app.
void prepareAppProcess();

// Once the application object is made, before the first window: the
// application's names and the renderer its windows draw with.
void prepareApp();

} // namespace optara
