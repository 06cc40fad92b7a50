// Writes the small images the graphics tests embed, with exact straight
// (not premultiplied) RGBA values, through a minimal PNG encoder of its own
// (stored deflate blocks), so that decoding is checked against bytes that
// cairo did not write. Usage: make_toolkit_test_images <output folder>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBigEndian(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  PutBigEndian(out, Crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
Bytes StoredZlib(const Bytes& raw) {
  Bytes out{0x78, 0x01};
  std::size_t pos = 0;
  do {
    std::size_t n = std::min<std::size_t>(raw.size() - pos, 65535);
    bool last = pos + n == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(n));
    out.push_back(static_cast<std::uint8_t>(n >> 8));
    out.push_back(static_cast<std::uint8_t>(~n));
    out.push_back(static_cast<std::uint8_t>(~n >> 8));
    out.insert(out.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
    pos += n;
  } while (pos < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(out, b << 16 | a);
  return out;
}

// pixels: rows of channels-byte pixels (3 = RGB, 4 = RGBA), 8 bits each.
Bytes EncodePng(int width, int height, int channels, const Bytes& pixels) {
  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, static_cast<std::uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0});
  PutChunk(out, "IHDR", header);
  Bytes raw;
  std::size_t row = static_cast<std::size_t>(width) * channels;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), pixels.begin() + static_cast<long>(y * row), pixels.begin() + static_cast<long>((y + 1) * row));
  }
  PutChunk(out, "IDAT", StoredZlib(raw));
  PutChunk(out, "IEND", {});
  return out;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// 3 x 2: half-transparent white, transparent black, opaque red /
// half-transparent orange, opaque dark blue, transparent white.
Bytes PixelsImage() {
  return EncodePng(3, 2, 4,
                   {255, 255, 255, 128, 0, 0, 0, 0, 255, 0, 0, 255,  //
                    200, 100, 50, 128, 10, 20, 30, 255, 255, 255, 255, 0});
}

// 18 x 324: eighteen opaque 18 x 18 frames stacked vertically, frame n in the
// colour (10 n, 255 - 10 n, n).
Bytes StripImage() {
  Bytes pixels;
  for (int y = 0; y < 324; ++y) {
    int n = y / 18;
    for (int x = 0; x < 18; ++x) {
      pixels.insert(pixels.end(), {static_cast<std::uint8_t>(10 * n), static_cast<std::uint8_t>(255 - 10 * n),
                                   static_cast<std::uint8_t>(n), 255});
    }
  }
  return EncodePng(18, 324, 4, pixels);
}

// 2 x 1 without an alpha channel.
Bytes OpaqueImage() { return EncodePng(2, 1, 3, {10, 20, 30, 40, 50, 60}); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  std::string dir = argv[1];
  Bytes pixels = PixelsImage();
  Bytes truncated(pixels.begin(), pixels.begin() + static_cast<long>(pixels.size() / 2));
  std::string garbage = "these bytes are not an image";
  bool ok = WriteFile(dir + "/pixels.png", pixels) && WriteFile(dir + "/strip.png", StripImage()) &&
            WriteFile(dir + "/opaque.png", OpaqueImage()) && WriteFile(dir + "/truncated.png", truncated) &&
            WriteFile(dir + "/garbage.png", Bytes(garbage.begin(), garbage.end()));
  if (!ok) {
    std::perror(dir.c_str());
    return 1;
  }
  return 0;
}
