// The product catalogue: which device model an image is for.
#pragma once

constexpr int kDisplayNameSize = 16;

struct ProductProfile {
  char displayName[kDisplayNameSize];
  int phoneFamily;  // 1 for the IP-phone family
};

extern ProductProfile gProductProfile;

// Identifies the product from the first bytes of an image header.
void IdentifyProduct(const unsigned char* header, ProductProfile* profile);
