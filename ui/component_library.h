// Stands in for the operating system's component object library, which the
// data-access layer initialises when the application is initialised and
// uninitialises at shut-down. Nothing here needs it; the stand-in keeps the
// start-up and shut-down order and reports success.
#pragma once

namespace dravlik {

// True when the library is ready for use.
bool InitializeComponentLibrary();
void UninitializeComponentLibrary();
// How many initialisations are not yet undone.
int ComponentLibraryUsers();

}  // namespace dravlik
