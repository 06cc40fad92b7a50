// Every canvas owns a font, and fonts ask fontconfig for their family.
// fontconfig keeps its caches in blocks that the leak checker cannot trace to
// a root (it stores offsets, not pointers); they live for the whole process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
