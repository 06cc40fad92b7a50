// The headline list: loading a feed against the floor of that work, a scroll
// step against a plain repaint walk, and how a feed ten times longer grows.
//
// - LoadFeed1000 is TContentEx::Load of a 1,000-item feed of about 1 MB
//   (detection, parsing, wrapping, measuring). LoadFloor1000 is the work no
//   loader can avoid: libxml2 parsing the same bytes once, and pango
//   measuring the same wrapped texts (each title's height at the list's
//   width and its width without trailing spaces, each summary's height at
//   the list's width), with the list's font and text settings. Target:
//   within 1.5x.
// - ScrollStep is a wheel notch (ScrollBy plus the repaint walk that
//   composes the cached list at its new offset), moving back and forth
//   within the painted tiles; RepaintWalk repaints the same face unchanged.
//   Target: within 1.2x, and no text measured or drawn while scrolling.
// - LoadFeed10000 against LoadFeed1000: within 11x (linear growth), and the
//   list's pixel memory after scrolling through the whole 10,000-item list
//   stays within 16 MB.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/Utf.h"
#include "bench/RatioReporter.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/feed/SampleFeeds.h"
#include "toolkit/CairoHandles.h"
#include "toolkit/RenderingHints.h"
#include "toolkit/WindowEx.h"
#include "widget/BitmapControls.h"
#include "widget/ContainerEx.h"
#include "widget/ContentEx.h"
#include "widget/NewsScroll.h"

namespace varnika {
namespace {

// The feeds, written once per run into a folder of their own.
struct Feeds {
  Feeds() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnika-bench-XXXXXX").string();
    folder = ::mkdtemp(pattern.data()) ? pattern : std::filesystem::temp_directory_path().string();
    small = Write("feed1000.xml", testing::RealLookingRss(1000));
    large = Write("feed10000.xml", testing::RealLookingRss(10000));
  }
  ~Feeds() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string folder, small, large;
};

Feeds& TheFeeds() {
  static Feeds feeds;
  return feeds;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A window system for the controls and the list as the widget sets it up.
struct ListScene {
  ListScene() {
    InitWindowSystem(std::make_unique<HeadlessBackend>());
    owner = std::make_unique<TComponent>(nullptr);
    list = new TContentEx(owner.get());
    list->SetSize(390, 213);
    list->Canvas().SetAntialias(false);
    list->Font().SetName(u"Trebuchet MS");
    list->Font().SetSize(9);
    list->SetCached(true);
  }
  ~ListScene() {
    owner.reset();
    ShutdownWindowSystem();
  }
  std::unique_ptr<TComponent> owner;
  TContentEx* list = nullptr;
};

void Load(benchmark::State& state, const std::string& path) {
  ListScene scene;
  for (auto _ : state) scene.list->Load(Widen(path));
  state.counters["items"] = scene.list->Items() ? scene.list->Items()->Count() : 0;
  state.counters["height"] = scene.list->Height();
}

void LoadFeed1000(benchmark::State& state) { Load(state, TheFeeds().small); }
BENCHMARK(LoadFeed1000)->Unit(benchmark::kMillisecond)->MinTime(3);

void LoadFeed10000(benchmark::State& state) { Load(state, TheFeeds().large); }
BENCHMARK(LoadFeed10000)->Unit(benchmark::kMillisecond)->Iterations(3);

std::string WithoutTrailingSpaces(const std::string& text) {
  std::string out;
  std::size_t spaces = 0;
  for (char c : text) {
    if (c == ' ') {
      ++spaces;
      continue;
    }
    if (c != '\r' && c != '\n') out.append(spaces, ' ');
    spaces = 0;
    out += c;
  }
  return out;
}

struct FloorTexts {
  std::vector<std::string> title_heights, title_widths, summaries;
};

// The same wrapped texts the list measures, in pango's UTF-8.
FloorTexts WrappedTexts() {
  TFeedParser parser;
  parser.SetFileName(Widen(TheFeeds().small));
  parser.Parse();
  FloorTexts texts;
  for (int i = 0; i < parser.Items()->Count(); ++i) {
    std::string title = Narrow((*parser.Items())[i].Title);
    texts.title_widths.push_back(WithoutTrailingSpaces(title));
    texts.title_heights.push_back(std::move(title));
    texts.summaries.push_back(Narrow((*parser.Items())[i].Summary));
  }
  return texts;
}

void LoadFloor1000(benchmark::State& state) {
  const std::string path = TheFeeds().small;
  const FloorTexts texts = WrappedTexts();
  TFontEx probe;  // the family the list's font resolves to
  probe.SetName(u"Trebuchet MS");
  const std::string family = Narrow(probe.FamilyName());
  PangoContextPtr context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
  pango_cairo_context_set_resolution(context.get(), kFontResolutionDpi);
  ApplyTextRenderingHint(context.get(), TextRenderingHintAntiAliasGridFit);
  PangoLayoutPtr layout(pango_layout_new(context.get()));
  PangoFontDescriptionPtr bold(pango_font_description_new()), regular(pango_font_description_new());
  for (auto [description, size, weight] : {std::tuple{bold.get(), 10, PANGO_WEIGHT_BOLD},
                                            std::tuple{regular.get(), 9, PANGO_WEIGHT_NORMAL}}) {
    pango_font_description_set_family(description, family.c_str());
    pango_font_description_set_size(description, size * PANGO_SCALE);
    pango_font_description_set_weight(description, weight);
  }
  // Heights are measured as wide as the list draws the texts.
  const int list_width = 390 * PANGO_SCALE;
  pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
  auto measure = [&](const std::string& text, int width) {
    pango_layout_set_width(layout.get(), width);
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    benchmark::DoNotOptimize(logical);
  };
  for (auto _ : state) {
    std::string bytes = ReadBytes(path);
    xmlDocPtr document = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
    benchmark::DoNotOptimize(document);
    xmlFreeDoc(document);
    pango_layout_set_font_description(layout.get(), bold.get());
    for (std::size_t i = 0; i < texts.title_heights.size(); ++i) {
      measure(texts.title_heights[i], list_width);
      measure(texts.title_widths[i], -1);
    }
    pango_layout_set_font_description(layout.get(), regular.get());
    for (const std::string& summary : texts.summaries) measure(summary, list_width);
  }
}
BENCHMARK(LoadFloor1000)->Unit(benchmark::kMillisecond);

// The widget's face around a loaded 1,000-item list.
struct FaceScene : ListScene {
  FaceScene() {
    window = new TWindowEx(owner.get());
    window->SetSize(475, 350);
    background = new TBackgroundEx(owner.get());
    background->SetParent(window);
    background->SetSize(475, 350);
    background->SetBitmap(Solid(475, 350, 0.96, 0.95, 0.92));
    box = new TContainerEx(owner.get());
    box->SetParent(background);
    box->SetLeft(30);
    box->SetTop(75);
    box->SetSize(415, 213);
    list->SetParent(box);
    scroller = new TScrollerEx(owner.get());
    scroller->SetParent(box);
    scroller->SetLeft(395);
    scroller->SetSize(20, 213);
    scroller->SetBitmap(Solid(20, 213, 0.8, 0.8, 0.85));
    thumb = new TThumbEx(owner.get());
    thumb->SetParent(scroller);
    thumb->SetLeft(1);
    thumb->SetSize(18, 70);
    thumb->SetBitmap(Solid(18, 70, 0.4, 0.5, 0.7));
    scroll = std::make_unique<TNewsScroll>(*window, *box, *list, *scroller, *thumb);
    window->Handle();
    for (TControl* c : std::initializer_list<TControl*>{background, box, list, scroller, thumb}) c->Show();
    window->Show();
    list->SetRedraw(true);
    list->Load(Widen(TheFeeds().small));
    scroll->UpdateScrollBar();
    scroll->ScrollBy(-100);
    list->ResetCounters();
  }
  static std::unique_ptr<TBitmapEx> Solid(int w, int h, double r, double g, double b) {
    auto bitmap = std::make_unique<TBitmapEx>(w, h);
    CairoContextPtr cr(cairo_create(bitmap->Image()));
    cairo_set_source_rgb(cr.get(), r, g, b);
    cairo_paint(cr.get());
    return bitmap;
  }
  TWindowEx* window = nullptr;
  TBackgroundEx* background = nullptr;
  TContainerEx* box = nullptr;
  TScrollerEx* scroller = nullptr;
  TThumbEx* thumb = nullptr;
  std::unique_ptr<TNewsScroll> scroll;
};

void ReportCounters(benchmark::State& state, const TContentEx& list) {
  state.counters["text_measures"] = static_cast<double>(list.Counters().TextMeasures);
  state.counters["text_draws"] = static_cast<double>(list.Counters().TextDraws);
  state.counters["tile_paints"] = static_cast<double>(list.Counters().TilePaints);
}

// Ten notches down, ten back up, and again.
void ScrollStep(benchmark::State& state) {
  FaceScene scene;
  long step = 0;
  for (auto _ : state) scene.scroll->MouseWheel((step++ / 10) % 2 ? 120 : -120);
  ReportCounters(state, *scene.list);
}
BENCHMARK(ScrollStep)->Unit(benchmark::kMicrosecond);

void RepaintWalk(benchmark::State& state) {
  FaceScene scene;
  for (auto _ : state) scene.window->Invalidate();
  ReportCounters(state, *scene.list);
}
BENCHMARK(RepaintWalk)->Unit(benchmark::kMicrosecond);

// Composes the 10,000-item list at twenty places from top to bottom and
// reports the largest pixel memory the list held.
double PixelMegabytesOfTenThousand() {
  ListScene scene;
  auto* window = new TWindowEx(scene.owner.get());
  window->SetSize(475, 350);
  auto* box = new TContainerEx(scene.owner.get());
  box->SetParent(window);
  box->SetSize(415, 213);
  scene.list->SetParent(box);
  window->Handle();
  box->Show();
  scene.list->Show();
  scene.list->Load(Widen(TheFeeds().large));
  std::size_t most = 0;
  for (int step = 0; step <= 20; ++step) {
    scene.list->SetTop(static_cast<int>(static_cast<long long>(213 - scene.list->Height()) * step / 20));
    window->Invalidate();
    most = std::max(most, scene.list->PixelBytes());
  }
  return static_cast<double>(most) / (1 << 20);
}

}  // namespace
}  // namespace varnika

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  varnika::TRatioReporter reporter(varnika::TRatioReporter::Clock::Cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("load 1000 items/floor (libxml2 parse + pango measure)", "LoadFeed1000", "LoadFloor1000", 1.5);
  reporter.PrintRatio("scroll step/repaint walk", "ScrollStep", "RepaintWalk", 1.2);
  reporter.PrintRatio("load 10000 items/load 1000 items", "LoadFeed10000", "LoadFeed1000", 11);
  if (reporter.Time("LoadFeed10000") > 0) {
    const double megabytes = varnika::PixelMegabytesOfTenThousand();
    std::printf("list pixel memory, 10000 items: %.1f MB (target <= 16 MB)%s\n", megabytes,
                megabytes <= 16 ? "" : "  MISSED");
  }
  benchmark::Shutdown();
  return 0;
}
