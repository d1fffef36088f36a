// The sample package's add-in: a placeholder that a CAD application can load and that does
// nothing. A real add-in puts its start-up and shut-down work into these two entry points; the
// package only needs a DLL of each bitness to install and to name in the loadpoints' registry
// files.
extern "C" {

__declspec(dllexport) int user_initialize() {
    return 0;
}

__declspec(dllexport) void user_terminate() {}

}  // extern "C"
