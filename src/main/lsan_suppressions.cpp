// Leak reports a sanitized build must not fail on: sdl12-compat keeps
// the shadow surface that SDL_SetVideoMode creates after SDL_Quit (a program
// that only opens a mode and quits leaks the same 360 bytes). The SDL
// libraries have no frame pointers, so the reports show only the allocation
// inside the library: the suppression names the libraries. Our own code
// allocates with new and malloc directly, so none of its leaks is hidden.

// LeakSanitizer asks the program for default suppressions through this hook.
extern "C" const char* __lsan_default_suppressions() { return "leak:libSDL2-2.0.so\nleak:libSDL-1.2.so\n"; }

// The list of suppressions used would land on standard error after every
// run, where the show's own messages are checked; real reports still print.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
