// fontconfig keeps its pattern caches in blocks that the leak checker cannot
// trace to a root (it stores offsets, not pointers); they live for the whole
// process and are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
