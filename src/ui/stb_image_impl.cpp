// The decoder's implementation, compiled once (third-party code, built without our warnings).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
#include "ui/stb_image_config.h"
