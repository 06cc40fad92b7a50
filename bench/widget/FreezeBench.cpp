// How long one feed body holds the UI thread: the work the widget does on
// that thread when a worker has read a download (save the cache, measure the
// headlines, compose the face) and when it has read the cache at start
// (measure, compose). The worker's parse runs with the clock stopped and is
// reported as worker_ms. The bodies are
// a normal 40-item feed, the baseline, and hostile shapes within the 32 MB
// download cap:
//
//   OneLongSummary     one item with an 800 KB summary
//   LongTitles         2,000 items with 14 KB titles
//   ManyAttributes     one 1.4 MB item with 100,000 attributes
//   DeepNesting        2,000 items whose summaries nest 250 elements deep
//   ManyItems          32 MB of small items (about 340,000)
//
// Each shape runs once per phase (some take long before they are bounded).
// The times are the UI thread's CPU time (this machine is shared; all the
// work runs on the calling thread). The report names the worst freeze, its
// time and its ratio against the baseline; the bound is 1 s for any body.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "base/Stream.h"
#include "base/Utf.h"
#include "bench/RatioReporter.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/feed/SampleFeeds.h"
#include "toolkit/WindowEx.h"
#include "widget/ContainerEx.h"
#include "widget/ContentEx.h"
#include "widget/FeedRead.h"

namespace varnika {
namespace {

std::string Words(std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += "kelime uzun bir metin ";
  return text;
}

std::string Rss(const std::string& items) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>t</title>" + items +
         "</channel></rss>";
}

std::string Item(const std::string& title, const std::string& summary, const std::string& attributes = "") {
  return "<item" + attributes + "><title>" + title + "</title><link>http://haber.example/1</link><description>" +
         summary + "</description></item>";
}

std::string OneLongSummary() { return Rss(Item("Başlık", Words(800 << 10))); }

std::string LongTitles() {
  std::string items;
  const std::string title = Words(14 << 10);
  for (int i = 0; i < 2000; ++i) items += Item(title, "Özet");
  return Rss(items);
}

std::string ManyAttributes() {
  std::string attributes;
  for (int i = 0; i < 100000; ++i) attributes += " a" + std::to_string(i) + "=\"x\"";
  return Rss(Item("Başlık", "Özet", attributes));
}

std::string DeepNesting() {
  std::string summary;
  for (int i = 0; i < 250; ++i) summary += "<b>";
  summary += "derin";
  for (int i = 0; i < 250; ++i) summary += "</b>";
  std::string items;
  for (int i = 0; i < 2000; ++i) items += Item("Başlık " + std::to_string(i), summary);
  return Rss(items);
}

std::string ManyItems() {
  std::string items;
  for (int i = 0; items.size() < (32 << 20) - 200; ++i) items += Item("B " + std::to_string(i), "Ö");
  return Rss(items);
}

// The widget's face around its headline list, on the headless display, and
// a folder for the cache.
struct Face {
  Face() {
    InitWindowSystem(std::make_unique<HeadlessBackend>());
    owner = std::make_unique<TComponent>(nullptr);
    window = new TWindowEx(owner.get());
    window->SetSize(475, 350);
    box = new TContainerEx(owner.get());
    box->SetParent(window);
    box->SetLeft(30);
    box->SetTop(75);
    box->SetSize(415, 213);
    list = new TContentEx(owner.get());
    list->SetParent(box);
    list->SetSize(390, 213);
    list->Canvas().SetAntialias(false);
    list->Font().SetName(u"Trebuchet MS");
    list->Font().SetSize(9);
    list->SetCached(true);
    window->Handle();
    box->Show();
    list->Show();
    window->Show();
    std::string pattern = (std::filesystem::temp_directory_path() / "varnika-freeze-XXXXXX").string();
    folder = ::mkdtemp(pattern.data()) ? pattern : std::filesystem::temp_directory_path().string();
    cache = Widen(folder + "/news.xml");
  }
  ~Face() {
    owner.reset();
    ShutdownWindowSystem();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  // What the UI thread does with a body that a worker has read: save the
  // cache, show and measure the headlines, compose the face.
  void ShowDownload(TFeedRead& read) {
    std::unique_ptr<TElementList> items = read.TakeItems();
    if (!items) return;
    SaveBytesToFile(cache, read.Bytes());
    Show(std::move(items));
  }

  // The same with the cache at start.
  void ShowCache(TFeedRead& read) {
    if (std::unique_ptr<TElementList> items = read.TakeItems()) Show(std::move(items));
  }

  void Show(std::unique_ptr<TElementList> items) {
    list->SetRedraw(true);
    list->SetItems(std::move(items), cache);
    window->Invalidate();
    list->SetRedraw(false);
  }

  std::unique_ptr<TComponent> owner;
  TWindowEx* window = nullptr;
  TContainerEx* box = nullptr;
  TContentEx* list = nullptr;
  std::string folder;
  std::u16string cache;
};

// The worker's part runs with the clock stopped; its time is reported as a
// counter.
std::unique_ptr<TFeedRead> ReadOffThread(benchmark::State& state, TFeedRead::Source source, std::string input,
                                         double& worker_seconds) {
  state.PauseTiming();
  const auto start = std::chrono::steady_clock::now();
  auto read = std::make_unique<TFeedRead>(nullptr, 0, nullptr, source, std::move(input));
  read->Start();
  read->WaitFor();
  worker_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.ResumeTiming();
  return read;
}

void Download(benchmark::State& state, std::string (*shape)()) {
  const std::string body = shape();
  Face face;
  double worker = 0;
  for (auto _ : state) {
    auto read = ReadOffThread(state, TFeedRead::Source::Bytes, body, worker);
    face.ShowDownload(*read);
  }
  state.counters["items"] = face.list->Items() ? face.list->Items()->Count() : 0;
  state.counters["MB"] = static_cast<double>(body.size()) / (1 << 20);
  state.counters["worker_ms"] = worker * 1000 / static_cast<double>(state.iterations());
}

void Start(benchmark::State& state, std::string (*shape)()) {
  Face face;
  SaveBytesToFile(face.cache, shape());
  double worker = 0;
  for (auto _ : state) {
    auto read = ReadOffThread(state, TFeedRead::Source::File, Narrow(face.cache), worker);
    face.ShowCache(*read);
  }
  state.counters["items"] = face.list->Items() ? face.list->Items()->Count() : 0;
  state.counters["worker_ms"] = worker * 1000 / static_cast<double>(state.iterations());
}

std::string Normal40() { return testing::RealLookingRss(40); }

struct Shape {
  const char* name;
  std::string (*make)();
};
constexpr Shape kShapes[] = {
    {"OneLongSummary", &OneLongSummary}, {"LongTitles", &LongTitles},   {"ManyAttributes", &ManyAttributes},
    {"DeepNesting", &DeepNesting},       {"ManyItems", &ManyItems},
};

void Register() {
  benchmark::RegisterBenchmark("Download/Normal40", Download, &Normal40)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Start/Normal40", Start, &Normal40)->Unit(benchmark::kMillisecond);
  for (const Shape& shape : kShapes) {
    benchmark::RegisterBenchmark((std::string("Download/") + shape.name).c_str(), Download, shape.make)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark((std::string("Start/") + shape.name).c_str(), Start, shape.make)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
}

}  // namespace
}  // namespace varnika

int main(int argc, char** argv) {
  using varnika::TRatioReporter;
  benchmark::Initialize(&argc, argv);
  varnika::Register();
  TRatioReporter reporter(TRatioReporter::Clock::Cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::string worst;
  double worst_time = 0;
  for (const char* phase : {"Download/", "Start/"}) {
    for (const varnika::Shape& shape : varnika::kShapes) {
      const std::string name = std::string(phase) + shape.name;
      if (reporter.Time(name) > worst_time) worst_time = reporter.Time(name), worst = name;
    }
  }
  const double baseline = std::max(reporter.Time("Download/Normal40"), reporter.Time("Start/Normal40"));
  if (worst_time > 0 && baseline > 0) {
    std::printf("worst freeze: %s, %.0f ms, %.1fx the 40-item feed (%.1f ms); bound 1000 ms%s\n", worst.c_str(),
                worst_time * 1000, worst_time / baseline, baseline * 1000, worst_time <= 1 ? "" : "  MISSED");
  }
  benchmark::Shutdown();
  return 0;
}
