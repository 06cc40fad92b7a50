// Measuring one 60-character headline with the canvas (TextExtent) against a
// bare pango layout measuring the same line in the same font with the same
// font options. The ratio at the end comes from the times of this run.
#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench/RatioReporter.h"
#include "base/Utf.h"
#include "toolkit/CanvasEx.h"

using namespace varnika;

namespace {

const std::u16string kLine = u"Meclis'te bütçe görüşmeleri yarın yeniden başlayacak: açıkla";

void CanvasTextExtent(benchmark::State& state) {
  TCanvasEx canvas(475, 350);
  canvas.Font().SetName(u"DejaVu Sans");
  for (auto _ : state) benchmark::DoNotOptimize(canvas.TextExtent(kLine));
}
BENCHMARK(CanvasTextExtent);

void BarePangoLayout(benchmark::State& state) {
  PangoContextPtr context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
  pango_cairo_context_set_resolution(context.get(), 96);
  ApplyTextRenderingHint(context.get(), TextRenderingHintAntiAlias);
  PangoLayoutPtr layout(pango_layout_new(context.get()));
  PangoFontDescriptionPtr font(pango_font_description_from_string("DejaVu Sans 10"));
  pango_layout_set_font_description(layout.get(), font.get());
  const std::string utf8 = Utf16ToUtf8(kLine);
  for (auto _ : state) {
    pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    benchmark::DoNotOptimize(logical);
  }
}
BENCHMARK(BarePangoLayout);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  varnika::TRatioReporter reporter(varnika::TRatioReporter::Clock::Real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::string label = "TextExtent/bare pango layout (" + std::to_string(kLine.size()) + " characters)";
  reporter.PrintRatio(label.c_str(), "CanvasTextExtent", "BarePangoLayout", 1.2);
  benchmark::Shutdown();
  return 0;
}
