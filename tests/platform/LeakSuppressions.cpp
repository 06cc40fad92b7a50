// fontconfig keeps its pattern caches in memory that the leak checker cannot
// trace back to a root (it stores offsets, not pointers); those blocks live
// for the whole process and are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
