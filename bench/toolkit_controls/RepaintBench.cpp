// A full repaint walk of a layered window shaped like the widget's face
// (475 x 350, about forty layered controls, one big cached list) against the
// same pixel work done with plain cairo calls in one loop: per control, clear
// its surface, paint its picture, compose it into its parent with its alpha.
// The ratio shows what the control tree, the window system and the frame
// hand-over add to the compositing itself.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "toolkit/ControlEx.h"
#include "toolkit/WindowEx.h"

namespace varnika {
namespace {

enum class Fill { Solid, Gradient };

struct NodeSpec {
  int parent;  // index of the parent node; -1: the window
  int left, top, width, height;
  Fill fill;
  double red, green, blue, alpha;
  BYTE opacity = 255;
  bool cached = false;
  bool visible = true;
};

// The face: a root panel, a header with buttons, the news box with its long
// scrolled list and scroll bar, a footer, rules, icons and two hidden panels.
std::vector<NodeSpec> FaceLayout() {
  std::vector<NodeSpec> n;
  n.push_back({-1, 0, 0, 475, 350, Fill::Gradient, 0.10, 0.20, 0.35, 0.95});   // 0 root
  n.push_back({0, 10, 10, 455, 40, Fill::Gradient, 0.30, 0.40, 0.60, 0.90});   // 1 header
  n.push_back({1, 5, 4, 32, 32, Fill::Solid, 0.90, 0.60, 0.10, 1.00});         // 2 logo
  for (int i = 0; i < 4; ++i)                                                   // 3-6 buttons
    n.push_back({1, 350 + i * 25, 10, 20, 20, Fill::Gradient, 0.80, 0.80, 0.85, 0.85, 230});
  n.push_back({0, 20, 60, 415, 213, Fill::Solid, 1.00, 1.00, 1.00, 0.75});     // 7 news box
  const int news_box = 7;
  n.push_back({news_box, 0, -300, 390, 1400, Fill::Gradient, 0.95, 0.95, 0.90, 1.00, 255, true});  // 8 list
  n.push_back({news_box, 395, 0, 20, 213, Fill::Solid, 0.70, 0.70, 0.75, 0.60});  // 9 scroll bar
  const int bar = 9;
  n.push_back({bar, 0, 40, 20, 60, Fill::Gradient, 0.40, 0.40, 0.50, 0.90});   // 10 thumb
  n.push_back({bar, 0, 0, 20, 16, Fill::Solid, 0.30, 0.30, 0.35, 1.00});       // 11 up
  n.push_back({bar, 0, 197, 20, 16, Fill::Solid, 0.30, 0.30, 0.35, 1.00});     // 12 down
  for (int i = 0; i < 8; ++i)                                                   // 13-20 footer items
    n.push_back({0, 20 + i * 55, 300, 40, 18, Fill::Gradient, 0.50, 0.55, 0.70, 0.80});
  for (int i = 0; i < 8; ++i)                                                   // 21-28 rules
    n.push_back({0, 10, 55 + i * 30, 455, 1, Fill::Solid, 0.00, 0.00, 0.00, 0.30});
  n.push_back({0, 440, 290, 24, 24, Fill::Gradient, 0.20, 0.80, 0.30, 0.90});  // 29 busy animation
  for (int i = 0; i < 9; ++i)                                                   // 30-38 icons
    n.push_back({0, 440, 60 + i * 24, 16, 16, Fill::Solid, 0.60, 0.20 + i * 0.05, 0.20, 1.00, 200});
  n.push_back({0, 20, 60, 415, 200, Fill::Gradient, 0.9, 0.9, 0.9, 0.95, 255, false, false});  // 39 about
  n.push_back({39, 10, 10, 100, 20, Fill::Solid, 0.1, 0.1, 0.1, 1.0});        // 40 its button
  n.push_back({0, 20, 60, 415, 200, Fill::Gradient, 0.9, 0.9, 0.9, 0.95, 255, false, false});  // 41 options
  return n;
}

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

// The picture of one node: a solid or vertically graded premultiplied image.
std::unique_ptr<TBitmapEx> MakePicture(const NodeSpec& s) {
  auto bitmap = std::make_unique<TBitmapEx>(s.width, s.height);
  ContextPtr cr(cairo_create(bitmap->Image()), &cairo_destroy);
  if (s.fill == Fill::Solid) {
    cairo_set_source_rgba(cr.get(), s.red, s.green, s.blue, s.alpha);
    cairo_paint(cr.get());
  } else {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, s.height);
    cairo_pattern_add_color_stop_rgba(gradient, 0, s.red, s.green, s.blue, s.alpha);
    cairo_pattern_add_color_stop_rgba(gradient, 1, s.red * 0.5, s.green * 0.5, s.blue * 0.5, s.alpha * 0.7);
    cairo_set_source(cr.get(), gradient);
    cairo_paint(cr.get());
    cairo_pattern_destroy(gradient);
  }
  return bitmap;
}

// The layered control of one node: its OnPaint draws the node's picture.
class PictureControl : public TControlEx {
 public:
  PictureControl(TComponent* owner, const TBitmapEx* picture) : TControlEx(owner) {
    OnPaint = [this, picture](TControl*) { Canvas().Draw(*picture, 0, 0); };
  }
};

struct Scene {
  Scene() {
    auto backend = std::make_unique<HeadlessBackend>();
    InitWindowSystem(std::move(backend));
    owner = std::make_unique<TComponent>(nullptr);
    window = new TWindowEx(owner.get());
    window->SetSize(475, 350);
    specs = FaceLayout();
    for (const NodeSpec& s : specs) pictures.push_back(MakePicture(s));
    for (std::size_t i = 0; i < specs.size(); ++i) {
      const NodeSpec& s = specs[i];
      auto* control = new PictureControl(owner.get(), pictures[i].get());
      control->SetParent(s.parent < 0 ? static_cast<TControl*>(window) : controls[static_cast<std::size_t>(s.parent)]);
      control->SetLeft(s.left);
      control->SetTop(s.top);
      control->SetSize(s.width, s.height);
      control->SetOpacity(s.opacity);
      control->SetCached(s.cached);
      if (s.visible)
        control->Show();
      else
        control->Handle();
      controls.push_back(control);
    }
    window->Show();
    window->Invalidate();
  }
  ~Scene() {
    owner.reset();
    ShutdownWindowSystem();
  }

  std::unique_ptr<TComponent> owner;
  TWindowEx* window = nullptr;
  std::vector<NodeSpec> specs;
  std::vector<std::unique_ptr<TBitmapEx>> pictures;
  std::vector<PictureControl*> controls;
};

void RepaintWalk(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) scene.window->Invalidate();
}
BENCHMARK(RepaintWalk)->Unit(benchmark::kMicrosecond);

// The part of the walk that the window system does: taking the finished
// frame (UpdateLayeredWindow copies it into the window's frame).
void FrameHandOver(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) scene.window->UpdateLayer();
}
BENCHMARK(FrameHandOver)->Unit(benchmark::kMicrosecond);

// The baseline: one surface per node and one per window, and a flat list of
// steps in the walk's order (paint a node, later compose it into its parent).
struct PlainCairoScene {
  struct Step {
    bool paint;  // paint the node's picture, else compose it into its parent
    int node;
  };

  PlainCairoScene() : window(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 475, 350), &cairo_surface_destroy) {
    specs = FaceLayout();
    window_cr.reset(cairo_create(window.get()));
    for (const NodeSpec& s : specs) {
      pictures.push_back(MakePicture(s));
      surfaces.emplace_back(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, s.width, s.height),
                            &cairo_surface_destroy);
      contexts.emplace_back(cairo_create(surfaces.back().get()), &cairo_destroy);
    }
    AddSteps(-1);
    for (std::size_t i = 0; i < specs.size(); ++i)
      if (specs[i].cached) PaintNode(static_cast<int>(i));
  }

  // Paint each visible node, then its children, then compose it: the order
  // of the repaint walk.
  void AddSteps(int parent) {
    for (std::size_t i = 0; i < specs.size(); ++i) {
      const NodeSpec& s = specs[i];
      if (s.parent != parent || !s.visible) continue;
      if (!s.cached) steps.push_back({true, static_cast<int>(i)});
      AddSteps(static_cast<int>(i));
      steps.push_back({false, static_cast<int>(i)});
    }
  }

  void PaintNode(int i) {
    cairo_t* cr = contexts[static_cast<std::size_t>(i)].get();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_set_source_surface(cr, pictures[static_cast<std::size_t>(i)]->Image(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
  }

  void Frame() {
    cairo_t* top = window_cr.get();
    cairo_save(top);
    cairo_set_operator(top, CAIRO_OPERATOR_CLEAR);
    cairo_paint(top);
    cairo_restore(top);
    for (const Step& step : steps) {
      const NodeSpec& s = specs[static_cast<std::size_t>(step.node)];
      if (step.paint) {
        PaintNode(step.node);
        continue;
      }
      cairo_t* cr = s.parent < 0 ? top : contexts[static_cast<std::size_t>(s.parent)].get();
      cairo_save(cr);
      cairo_set_source_surface(cr, surfaces[static_cast<std::size_t>(step.node)].get(), s.left, s.top);
      if (s.opacity == 255)
        cairo_paint(cr);
      else
        cairo_paint_with_alpha(cr, s.opacity / 255.0);
      cairo_restore(cr);
    }
    cairo_surface_flush(window.get());
  }

  std::vector<NodeSpec> specs;
  std::vector<std::unique_ptr<TBitmapEx>> pictures;
  SurfacePtr window;
  ContextPtr window_cr{nullptr, &cairo_destroy};
  std::vector<SurfacePtr> surfaces;
  std::vector<ContextPtr> contexts;
  std::vector<Step> steps;
};

void PlainCairoCompose(benchmark::State& state) {
  PlainCairoScene scene;
  for (auto _ : state) scene.Frame();
}
BENCHMARK(PlainCairoCompose)->Unit(benchmark::kMicrosecond);

// The walk's own share: the frame hand-over is the window system's.
void PrintWalkWithoutHandOver(const TRatioReporter& r) {
  const double walk = r.Time("RepaintWalk"), hand_over = r.Time("FrameHandOver"), plain = r.Time("PlainCairoCompose");
  if (walk <= 0 || hand_over <= 0 || plain <= 0) return;
  std::printf("ratio repaint walk without the frame hand-over/plain cairo: %.2fx (hand-over %.0f us)\n",
              (walk - hand_over) / plain, hand_over * 1e6);
}

}  // namespace
}  // namespace varnika

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  varnika::TRatioReporter reporter(varnika::TRatioReporter::Clock::Cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("repaint walk/plain cairo", "RepaintWalk", "PlainCairoCompose", 1.3);
  varnika::PrintWalkWithoutHandOver(reporter);
  benchmark::Shutdown();
  return 0;
}
