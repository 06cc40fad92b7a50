// varnika: the news widget.
#include <cstdio>
#include <exception>
#include <string>

#include "app/Application.h"
#include "base/Exceptions.h"
#include "platform/x11/X11Backend.h"

int main() {
  using namespace varnika;
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
