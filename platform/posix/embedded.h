// The table of resources that the build embeds into an executable.
#pragma once

struct PlatEmbeddedResource {
  const char* typeName;  // null ends the table
  int id;
  const unsigned char* begin;
  const unsigned char* end;
};

// Generated per executable by the build.
extern const PlatEmbeddedResource kPlatEmbeddedResources[];
