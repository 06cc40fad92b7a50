// Keeps libxml2 from reporting on the process's output while the feed
// library calls it.
#pragma once

#include <libxml/globals.h>
#include <libxml/xmlerror.h>

namespace varnika {

inline void IgnoreXmlGenericError(void*, const char*, ...) {}
inline void IgnoreXmlStructuredError(void*, xmlErrorPtr) {}

// A few of libxml2's reports (failed character conversions, some I/O) do not
// go through the parser context but through the thread's error handlers.
// They are silenced for the time of one call into libxml2 and restored
// afterwards, so whatever else runs on the thread keeps its own handlers.
class ThreadErrorSilence {
 public:
  ThreadErrorSilence()
      : generic_(xmlGenericError),
        generic_context_(xmlGenericErrorContext),
        structured_(xmlStructuredError),
        structured_context_(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, &IgnoreXmlGenericError);
    xmlSetStructuredErrorFunc(nullptr, &IgnoreXmlStructuredError);
  }
  ~ThreadErrorSilence() {
    xmlSetGenericErrorFunc(generic_context_, generic_);
    xmlSetStructuredErrorFunc(structured_context_, structured_);
  }
  ThreadErrorSilence(const ThreadErrorSilence&) = delete;
  ThreadErrorSilence& operator=(const ThreadErrorSilence&) = delete;

 private:
  xmlGenericErrorFunc generic_;
  void* generic_context_;
  xmlStructuredErrorFunc structured_;
  void* structured_context_;
};

}  // namespace varnika
