// ReadString on a large section against a plain unordered_map, and loading a
// 1 MB INI file against reading the same file and splitting its lines. The
// ratios at the end come from the times measured in this run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/RatioReporter.h"
#include "base/Utf.h"
#include "text/WIniFiles.h"

using namespace varnika;

namespace {

constexpr int kKeys = 10000;

std::u16string Numbered(const char16_t* prefix, int n) {
  std::u16string digits = Utf8ToUtf16(std::to_string(n));
  return prefix + std::u16string(5 - digits.size(), u'0') + digits;
}

// The keys of the section, in a fixed shuffled order of look-up.
const std::vector<std::u16string>& LookupKeys() {
  static const std::vector<std::u16string> keys = [] {
    std::vector<std::u16string> k;
    for (int i = 0; i < kKeys; ++i) k.push_back(Numbered(u"key", i));
    std::shuffle(k.begin(), k.end(), std::mt19937(42));
    return k;
  }();
  return keys;
}

void IniReadString(benchmark::State& state) {
  TWMemIniFile ini(u"");
  for (int i = 0; i < kKeys; ++i) ini.WriteString(u"bench", Numbered(u"key", i), Numbered(u"value", i));
  const auto& keys = LookupKeys();
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ini.ReadString(u"bench", keys[next], u""));
    if (++next == keys.size()) next = 0;
  }
}
BENCHMARK(IniReadString);

void UnorderedMapLookup(benchmark::State& state) {
  std::unordered_map<std::u16string, std::u16string> map;
  for (int i = 0; i < kKeys; ++i) map.emplace(Numbered(u"key", i), Numbered(u"value", i));
  const auto& keys = LookupKeys();
  std::size_t next = 0;
  for (auto _ : state) {
    const auto it = map.find(keys[next]);
    benchmark::DoNotOptimize(it == map.end() ? std::u16string() : it->second);
    if (++next == keys.size()) next = 0;
  }
}
BENCHMARK(UnorderedMapLookup);

// About 1 MB of UTF-16: sections of 100 entries with comments and escapes.
const std::string& IniPath() {
  static const std::string path = [] {
    std::u16string text = u"\xFEFF";
    int n = 0;
    while (text.size() * 2 < (1 << 20)) {
      text += u"; section " + Numbered(u"", n) + u"\r\n[section" + Numbered(u"", n) + u"]\r\n";
      for (int i = 0; i < 100; ++i, ++n)
        text += Numbered(u"name", n) + u" = some value text " + Numbered(u"", n) + u" with a\\ttab\r\n";
      text += u"\r\n";
    }
    const std::string p = "/tmp/varnika-bench-text-" + std::to_string(::getpid()) + ".ini";
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(text.data()),
                                             static_cast<std::streamsize>(text.size() * 2));
    return p;
  }();
  return path;
}

void IniLoad(benchmark::State& state) {
  const std::u16string path = Utf8ToUtf16(IniPath());
  for (auto _ : state) {
    TWMemIniFile ini(path);
    benchmark::DoNotOptimize(ini);
  }
}
BENCHMARK(IniLoad)->Unit(benchmark::kMillisecond);

void ReadAndSplitLines(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(IniPath(), std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::size_t>(in.tellg());
    in.seekg(0);
    std::u16string text(size / 2, u'\0');
    in.read(reinterpret_cast<char*>(text.data()), static_cast<std::streamsize>(text.size() * 2));
    std::vector<std::u16string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
      const std::size_t end = std::min(text.find_first_of(u"\r\n", pos), text.size());
      lines.emplace_back(text, pos, end - pos);
      pos = end;
      if (pos < text.size() && text[pos] == u'\r') ++pos;
      if (pos < text.size() && text[pos] == u'\n') ++pos;
    }
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(ReadAndSplitLines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  varnika::TRatioReporter reporter(varnika::TRatioReporter::Clock::Cpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::remove(IniPath().c_str());
  reporter.PrintRatio("ReadString/unordered_map", "IniReadString", "UnorderedMapLookup", 3);
  reporter.PrintRatio("INI load/read and split lines", "IniLoad", "ReadAndSplitLines", 2);
  benchmark::Shutdown();
  return 0;
}
