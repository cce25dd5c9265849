// Writes the program's icon: one 32 x 32 image in the 16 standard colours,
// a blue tile with a white arrow pointing down into a green chip.
//
//   dux-make-icon FILE.ico
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSide = 32;

// The 16-colour palette, as blue, green, red triples.
const uint8_t kPalette[16][3] = {
    {0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
    {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
    {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
// Palette indices: BGR order above, so 4 = dark blue, 12 = blue.
constexpr uint8_t kDarkBlue = 4, kBlue = 12, kWhite = 15, kGreen = 2,
                  kLightGreen = 10, kGrey = 8;

// Colour of the pixel in column x, row y (row 0 at the top); -1 for
// transparent.
int Pixel(int x, int y) {
  // The tile, its corners cut.
  int cx = x < 16 ? 15 - x : x - 16, cy = y < 16 ? 15 - y : y - 16;
  if (cx + cy > 27) return -1;
  if (x == 0 || y == 0 || x == 31 || y == 31 || cx + cy == 27) return kDarkBlue;
  // The chip at the bottom, with its pins.
  if (y >= 23 && y <= 27 && x >= 8 && x <= 23) {
    if (y == 23 || y == 27 || x == 8 || x == 23) return kGreen;
    return kLightGreen;
  }
  if (y == 28 && x >= 10 && x <= 21 && x % 3 == 1) return kGrey;
  // The arrow: a shaft and a head that ends just above the chip.
  if (x >= 13 && x <= 18 && y >= 4 && y <= 12) return kWhite;
  if (y >= 13 && y <= 21) {
    int half = 21 - y;
    if (x >= 16 - half - 1 && x <= 15 + half + 1) return kWhite;
  }
  return kBlue;
}

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(v & 0xff);
  out->push_back((v >> 8) & 0xff);
}
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: dux-make-icon FILE.ico\n");
    return 2;
  }
  constexpr uint32_t kXorBytes = kSide * kSide / 2;  // 4 bits a pixel
  constexpr uint32_t kAndBytes = kSide * kSide / 8;  // rows of 4 bytes
  constexpr uint32_t kImageBytes = 40 + 16 * 4 + kXorBytes + kAndBytes;
  std::vector<uint8_t> ico;
  // Directory: reserved, type 1 (icon), one image.
  Put16(&ico, 0);
  Put16(&ico, 1);
  Put16(&ico, 1);
  ico.push_back(kSide);
  ico.push_back(kSide);
  ico.push_back(16);  // colours
  ico.push_back(0);
  Put16(&ico, 1);  // planes
  Put16(&ico, 4);  // bits per pixel
  Put32(&ico, kImageBytes);
  Put32(&ico, 6 + 16);
  // Bitmap header; the height counts the colour and the mask bitmaps.
  Put32(&ico, 40);
  Put32(&ico, kSide);
  Put32(&ico, kSide * 2);
  Put16(&ico, 1);
  Put16(&ico, 4);
  Put32(&ico, 0);  // no compression
  Put32(&ico, kXorBytes + kAndBytes);
  Put32(&ico, 0);
  Put32(&ico, 0);
  Put32(&ico, 16);
  Put32(&ico, 0);
  for (const auto& c : kPalette) {
    ico.push_back(c[0]);
    ico.push_back(c[1]);
    ico.push_back(c[2]);
    ico.push_back(0);
  }
  // Rows from the bottom up.
  for (int y = kSide - 1; y >= 0; --y) {
    for (int x = 0; x < kSide; x += 2) {
      int a = Pixel(x, y), b = Pixel(x + 1, y);
      ico.push_back(
          static_cast<uint8_t>(((a < 0 ? 0 : a) << 4) | (b < 0 ? 0 : b)));
    }
  }
  for (int y = kSide - 1; y >= 0; --y) {
    for (int x = 0; x < kSide; x += 8) {
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i)
        if (Pixel(x + i, y) < 0) bits |= static_cast<uint8_t>(0x80 >> i);
      ico.push_back(bits);
    }
  }
  FILE* f = fopen(argv[1], "wb");
  if (!f || fwrite(ico.data(), 1, ico.size(), f) != ico.size() ||
      fclose(f) != 0) {
    perror(argv[1]);
    return 1;
  }
  return 0;
}
