// HTTP Digest access authentication (RFC 2617), the client's side: the
// credentials the user typed and what the device's last challenge said.
#pragma once

#include <cstdint>

constexpr int kDigestTextSize = 128;
constexpr int kDigestShortSize = 16;

struct DigestState {
  // Requests that carried the Authorization line since the nonce changed.
  uint32_t nonceCount;
  char previousNonce[kDigestTextSize];  // only to notice a change of nonce
  char nonce[kDigestTextSize];
  char clientNonce[kDigestTextSize];  // "%x" of rand(), new every challenge
  char userName[kDigestTextSize];
  char password[kDigestTextSize];  // known when its first character is set
  char realm[kDigestTextSize];
  char qop[kDigestShortSize];        // verbatim, a list stays whole
  char algorithm[kDigestShortSize];  // verbatim
  char digestUri[kDigestTextSize];   // never filled: the uri sent is empty
  char opaque[kDigestTextSize];
};

extern DigestState gDigestState;

// Fills the state from a challenge (the text from "WWW-Authenticate:" to the
// end of the response). 0 when it carried a realm and a nonce, else 1. A
// value longer than its field is cut at the field's limit.
int32_t ParseDigestChallenge(const char* challenge, DigestState* state);

// HA1 and the request digest as 32 lowercase hexadecimal characters and a
// NUL, into 33-byte outputs.
void ComputeDigestHA1(const char* algorithm, const char* userName,
                      const char* realm, const char* password,
                      const char* nonce, const char* clientNonce, char* out);
void ComputeDigestResponse(const char* ha1, const char* nonce,
                           const char* nonceCountText, const char* clientNonce,
                           const char* qop, const char* method,
                           const char* digestUri, const char* entityBody,
                           char* out);

// Writes the whole "Authorization: Digest ..." line with its CR LF and a NUL
// behind it at `out` and returns the number of characters written (without
// the NUL). Never writes more than `capacity` bytes: a line that does not fit
// whole is not written (0, and an empty text at `out` when capacity > 0).
int32_t BuildDigestAuthorization(const DigestState* state, char* out,
                                 int32_t capacity);
