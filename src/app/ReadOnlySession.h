#pragma once

// Keeps the libraries under the app from writing into the user's folders: the
// app reads photos and writes nothing. Called before the application object
// is made.
namespace optara {

void prepareReadOnlySession();

} // namespace optara
