// dux-make-image: writes a deterministic synthetic firmware image.
//
// Layout: the product tag at offset 0, the version text at offset 92 (NUL
// padded up to offset 128), then bytes from a seeded xorshift generator, so
// that every build makes the same image and a corrupted transfer shows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static void Usage(FILE* out) {
  fprintf(out,
          "usage: dux-make-image --size BYTES --tag TAG --version TEXT "
          "[--seed N] --output PATH\n"
          "Writes a synthetic firmware image: TAG at offset 0, TEXT and a NUL "
          "at offset 92,\npseudo-random bytes from seed N after the 128-byte "
          "header.\n");
}

int main(int argc, char** argv) {
  long long size = -1;
  const char* tag = nullptr;
  const char* version = nullptr;
  const char* output = nullptr;
  unsigned long long seed = 1;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
      Usage(stdout);
      return 0;
    }
    if (i + 1 >= argc) {
      fprintf(stderr, "dux-make-image: %s needs a value\n", a);
      return 2;
    }
    const char* v = argv[++i];
    if (!strcmp(a, "--size")) {
      size = atoll(v);
    } else if (!strcmp(a, "--tag")) {
      tag = v;
    } else if (!strcmp(a, "--version")) {
      version = v;
    } else if (!strcmp(a, "--seed")) {
      seed = strtoull(v, nullptr, 0);
    } else if (!strcmp(a, "--output")) {
      output = v;
    } else {
      fprintf(stderr, "dux-make-image: unknown option %s\n", a);
      Usage(stderr);
      return 2;
    }
  }
  if (size < 128 || !tag || !version || !output) {
    fprintf(stderr,
            "dux-make-image: --size (at least 128), --tag, --version and "
            "--output are required\n");
    return 2;
  }
  if (strlen(tag) > 92 || strlen(version) > 35) {
    fprintf(stderr, "dux-make-image: tag or version too long\n");
    return 2;
  }
  std::vector<unsigned char> image(static_cast<size_t>(size));
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
  for (size_t i = 0; i < image.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    image[i] = static_cast<unsigned char>(x >> 24);
  }
  memset(image.data(), 0, 128);
  memcpy(image.data(), tag, strlen(tag));
  memcpy(image.data() + 92, version, strlen(version));
  FILE* f = fopen(output, "wb");
  if (!f || fwrite(image.data(), 1, image.size(), f) != image.size() ||
      fclose(f) != 0) {
    fprintf(stderr, "dux-make-image: cannot write %s\n", output);
    return 1;
  }
  return 0;
}
