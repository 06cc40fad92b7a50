// Download of a 10 MB body from a loopback server: TRequest against the curl
// command line in the same run, and the peak memory of one request.
//
// Memory is measured in a child process (this program started again with
// --measure-memory) so that nothing of the benchmark or its server is in the
// figure: the child opens the session, warms it up with a small request,
// resets its peak RSS (/proc/self/clear_refs), runs the 10 MB request and
// reports how far its peak RSS (VmHWM) rose above the RSS before it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "net/Request.h"
#include "tests/net/LoopbackServer.h"

extern char** environ;

namespace varnika {
namespace {

constexpr std::size_t kBodySize = 10 * 1000 * 1000;

const std::string& Body() {
  static const std::string body = [] {
    std::string bytes(kBodySize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
  }();
  return body;
}

std::string ChunkedReply(const std::string& body) {
  std::string reply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (std::size_t at = 0; at < body.size(); at += 65536) {
    const std::size_t size = std::min<std::size_t>(65536, body.size() - at);
    char length[32];
    std::snprintf(length, sizeof length, "%zx\r\n", size);
    reply += length;
    reply.append(body, at, size);
    reply += "\r\n";
  }
  return reply + "0\r\n\r\n";
}

// Serves "/body" (Content-Length), "/chunked", and an empty "/empty".
test::TLoopbackServer::Handler Server() {
  return [](test::TServerConnection& c) {
    static const std::string sized = test::HttpReply("200 OK", Body());
    static const std::string chunked = ChunkedReply(Body());
    static const std::string empty = test::HttpReply("200 OK", "");
    c.ServeAll([](const std::string& request) -> const std::string& {
      if (request.rfind("GET /body ", 0) == 0) return sized;
      if (request.rfind("GET /chunked ", 0) == 0) return chunked;
      return empty;
    });
  };
}

test::TLoopbackServer& TheServer() {
  static test::TLoopbackServer server(Server());
  return server;
}

std::int32_t Download(const HINTERNET& internet, const std::string& host, const std::string& object,
                      std::int64_t* size) {
  TRequest request;
  request.SetValue(rvHost, host);
  request.SetValue(rvObject, object);
  const std::int32_t result = request.Execute(internet);
  *size = request.Response().Body().Size();
  return result;
}

// Runs argv and returns its exit status; stdout goes to out_fd (or /dev/null).
int Spawn(const std::vector<std::string>& args, int out_fd = -1) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out_fd >= 0)
    posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int CurlFetch(const std::string& object) {
  return Spawn({"/usr/bin/curl", "-s", "-o", "/dev/null", "http://" + TheServer().Host() + object});
}

void BM_TRequest(benchmark::State& state) {
  const HINTERNET internet = std::make_shared<TInternetSession>();
  for (auto _ : state) {
    std::int64_t size = 0;
    if (Download(internet, TheServer().Host(), "/body", &size) != 0 || size != static_cast<std::int64_t>(kBodySize))
      state.SkipWithError("download failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kBodySize));
}
BENCHMARK(BM_TRequest)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlCommandLine(benchmark::State& state) {
  for (auto _ : state)
    if (CurlFetch("/body") != 0) state.SkipWithError("curl failed");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kBodySize));
}
BENCHMARK(BM_CurlCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime();

// The part of a curl run that is process start-up, not transfer.
void BM_CurlCommandLineEmptyBody(benchmark::State& state) {
  for (auto _ : state)
    if (CurlFetch("/empty") != 0) state.SkipWithError("curl failed");
}
BENCHMARK(BM_CurlCommandLineEmptyBody)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- peak memory, measured in a child process -----------------------------------

std::int64_t StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, length, field) == 0) return std::atoll(line.c_str() + length + 1);
  return -1;
}

int MeasureMemoryChild(const std::string& host, const std::string& object) {
  const HINTERNET internet = std::make_shared<TInternetSession>();
  std::int64_t size = 0;
  if (Download(internet, host, "/empty", &size) != 0) return 1;
  std::ofstream("/proc/self/clear_refs") << "5";  // peak RSS := current RSS
  const std::int64_t before_kb = std::max(StatusKb("VmRSS:"), StatusKb("VmHWM:"));
  if (Download(internet, host, object, &size) != 0 || size != static_cast<std::int64_t>(kBodySize)) return 1;
  std::printf("%lld\n", static_cast<long long>((StatusKb("VmHWM:") - before_kb) * 1024));
  return 0;
}

// Peak memory in bytes of one download of object, or -1.
std::int64_t PeakMemoryOf(const std::string& object) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return -1;
  const int status = Spawn({self, "--measure-memory", TheServer().Host(), object}, pipe_fds[1]);
  close(pipe_fds[1]);
  char text[64] = {};
  const ssize_t n = read(pipe_fds[0], text, sizeof text - 1);
  close(pipe_fds[0]);
  return status == 0 && n > 0 ? std::atoll(text) : -1;
}

int Main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--measure-memory") return MeasureMemoryChild(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  // The transfers run in the server's thread and in curl's process: wall time.
  TRatioReporter reporter(TRatioReporter::Clock::Real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  reporter.PrintRatio("TRequest/curl time for 10 MB", "BM_TRequest", "BM_CurlCommandLine", 1.5);
  const double ours = reporter.Time("BM_TRequest");
  const double start_up = reporter.Time("BM_CurlCommandLineEmptyBody");
  if (ours > 0 && start_up > 0) {
    const double transfer_only = std::max(reporter.Time("BM_CurlCommandLine") - start_up, 1e-9);
    std::printf("ratio TRequest/curl time, curl's process start-up taken out: %.2fx (for information)\n",
                ours / transfer_only);
  }
  const double mb = 1024.0 * 1024.0;
  const std::int64_t sized = PeakMemoryOf("/body");
  const std::int64_t chunked = PeakMemoryOf("/chunked");
  std::printf("peak memory of one request: %.2f MB for a %.2f MB body, overhead %.2f MB (target <= 2 MB)\n",
              sized / mb, kBodySize / mb, (static_cast<double>(sized) - kBodySize) / mb);
  std::printf("ratio peak memory/body size: %.2fx (Content-Length), %.2fx (chunked, no length; for information)\n",
              static_cast<double>(sized) / kBodySize, static_cast<double>(chunked) / kBodySize);
  return 0;
}

}  // namespace
}  // namespace varnika

int main(int argc, char** argv) { return varnika::Main(argc, argv); }
