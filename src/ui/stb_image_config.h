#pragma once

// The one set of options stb_image is built with here: PNG only, from memory only, no stdio.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 4096
#include <stb/stb_image.h>
