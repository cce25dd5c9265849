#include "firmware/product.h"

#include <cstring>

ProductProfile gProductProfile;

namespace {

struct CatalogueRow {
  const char* tag;
  bool caseSensitive;
  int length;
  const char* displayName;
  int phoneFamily;
};

// The order decides between overlapping tags: "zelvar" catches what rows 4,
// 5 and 8 leave over, and "DuXq900t" must come before "duxq900".
constexpr CatalogueRow kCatalogue[] = {
    {"duxr400", false, 7, "DUX-R400", 0},
    {"duxr200", false, 7, "DUX-R100/R200", 0},
    {"duxr110", false, 7, "DUX-R110", 0},
    {"zelvarh", false, 7, "DUX-P70/P75", 1},
    {"zelvarj", false, 7, "DUX-P80", 1},
    {"XzElVaM", true, 7, "DUX-P72/P77", 1},
    {"zElVp60", false, 7, "DUX-P60", 1},
    {"ZeLvArQ", true, 7, "DUXT4gN", 0},
    {"zelvar", false, 6, "DUX-P50", 1},
    {"quorvel", false, 7, "Quorvel TA2", 0},
    {"QlTaN5W8", false, 8, "Quorvel TA2X", 0},
    {"DuXr620", true, 7, "DUX-R620", 0},
    {"DuXr730", true, 7, "DUX-R730", 0},
    {"DuXr720", true, 7, "DUX-R720", 0},
    {"duxr700", false, 7, "DUX-R700", 0},
    {"DuXq900t", true, 8, "DUXQ900", 0},
    {"duxq900", false, 7, "DUX-Q900", 0},
    {"DuXq800", true, 7, "DUXQ800", 0},
    {"DuXq880", true, 7, "DUXQ880", 0},
    {"XzElVaT", true, 7, "DUXT6eM", 0},
};

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// Compares at most `length` characters; a NUL in either text before that
// is a mismatch, so a tag matches only a header that begins with it.
bool TagMatches(const unsigned char* header, const CatalogueRow& row) {
  for (int i = 0; i < row.length; ++i) {
    char h = static_cast<char>(header[i]);
    char t = row.tag[i];
    if (h == 0 || t == 0) return false;
    if (row.caseSensitive ? h != t : FoldAscii(h) != FoldAscii(t)) return false;
  }
  return true;
}

}  // namespace

void IdentifyProduct(const unsigned char* header, ProductProfile* profile) {
  profile->phoneFamily = 0;
  const char* name = "ODM-Product";
  for (const CatalogueRow& row : kCatalogue) {
    if (TagMatches(header, row)) {
      name = row.displayName;
      profile->phoneFamily = row.phoneFamily;
      break;
    }
  }
  strncpy(profile->displayName, name, kDisplayNameSize - 1);
  profile->displayName[kDisplayNameSize - 1] = 0;
}
