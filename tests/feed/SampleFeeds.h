// Real-looking feeds of any length for tests and benchmarks: Turkish
// headlines of varied length, summaries of a few sentences behind a linked
// picture, links and dates. The same count and seed always give the same
// bytes.
#pragma once

#include <cstdint>
#include <string>

namespace varnika::testing {

namespace sample_detail {

inline const char* const kTitleWords[] = {
    "Ekonomi",  "İstanbul", "seçim",    "açıklama", "yağış",   "ihracat", "rekor",  "Meclis",  "gündem",
    "şampiyon", "derbi",    "ulaşım",   "öğrenci",  "sağlık",  "çevre",   "göç",    "deprem",  "bütçe",
    "enflasyon", "teknoloji", "yapay",  "zekâ",     "Ankara",  "İzmir",   "kültür", "sanat",   "festival"};
inline const char* const kSentences[] = {
    "Yetkililer konuya ilişkin yazılı bir açıklama yaptı.",
    "Uzmanlar önümüzdeki günlerde gelişmelerin hızlanacağını belirtiyor.",
    "Vatandaşlar sosyal medyada tepkilerini dile getirdi.",
    "Toplantıda bütçe, istihdam ve yatırım planları ele alındı.",
    "Meteoroloji, hafta sonuna kadar sağanak yağış uyarısında bulundu.",
    "Kulüp başkanı, sezonun ikinci yarısı için iddialı konuştu.",
    "Araştırmanın sonuçları uluslararası bir dergide yayımlandı.",
    "Bölgedeki çalışmalar gece boyunca aralıksız sürdü.",
    "Sektör temsilcileri, yeni düzenlemenin maliyetleri artıracağını söyledi.",
    "Program kapsamında öğrencilere burs ve barınma desteği verilecek."};

inline std::uint32_t Next(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

}  // namespace sample_detail

// About one kilobyte per item.
inline std::string RealLookingRss(int items, std::uint32_t seed = 1) {
  using namespace sample_detail;
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
      "<title>Son Dakika</title>\n<link>https://haber.example/</link>\n";
  std::uint32_t state = seed;
  for (int i = 0; i < items; ++i) {
    std::string title;
    int words = 4 + static_cast<int>(Next(state) % 9);
    for (int w = 0; w < words; ++w) {
      if (w) title += ' ';
      title += kTitleWords[Next(state) % std::size(kTitleWords)];
    }
    title += " (" + std::to_string(i + 1) + ")";
    std::string summary;
    int sentences = 4 + static_cast<int>(Next(state) % 4);
    for (int s = 0; s < sentences; ++s) {
      if (s) summary += ' ';
      summary += kSentences[Next(state) % std::size(kSentences)];
    }
    std::string link = "https://haber.example/haber/" + std::to_string(100000 + i);
    xml += "<item>\n<title>" + title + "</title>\n<link>" + link + "</link>\n";
    xml += "<guid isPermaLink=\"true\">" + link + "</guid>\n<category>Gündem</category>\n";
    xml += "<enclosure url=\"" + link + ".jpg\" length=\"48213\" type=\"image/jpeg\"/>\n";
    xml += "<pubDate>Fri, 01 Mar 2024 " + std::to_string(10 + i % 10) + ":00:00 +0300</pubDate>\n";
    xml += "<description>&lt;a href=\"" + link + "\"&gt;&lt;img src=\"" + link +
           ".jpg\" width=\"120\" height=\"80\"/&gt;&lt;/a&gt;" + summary + "</description>\n</item>\n";
  }
  xml += "</channel>\n</rss>\n";
  return xml;
}

}  // namespace varnika::testing
