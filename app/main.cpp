// varnika: the news widget.
#include <malloc.h>

#include <cstdio>
#include <exception>
#include <string>

#include "app/Application.h"
#include "base/Exceptions.h"
#include "platform/x11/X11Backend.h"

int main() {
  using namespace varnika;
  // One heap for all threads: the UI thread does nearly all the work and the
  // download threads live for a request; a heap per thread only keeps free
  // space of its own (0.2 MB at start, measured).
  mallopt(M_ARENA_MAX, 1);
  // Blocks of 128 KB and more (pictures, list tiles, downloaded bodies) get
  // pages of their own, returned to the system when freed. Left to itself
  // the allocator raises that bound to the largest block freed so far and
  // then serves pictures from the heap, where a freed one stays resident.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  TApplication application([] {
    std::string error;
    auto backend = X11Backend::Open(nullptr, &error);
    if (!backend) throw Exception(u"Varnika: " + std::u16string(error.begin(), error.end()));
    return std::unique_ptr<Backend>(std::move(backend));
  });
  try {
    application.Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
