// The decoder's implementation, compiled once (third-party code, built without our warnings).
#include <string.h>

// stb_image copies zero bytes from a null pointer for an empty IDAT chunk, which is undefined
// behaviour for memcpy; this copy does nothing for zero bytes.
static void* CopyBytes(void* to, const void* from, size_t count) {
    return count != 0 ? memcpy(to, from, count) : to;
}
#define memcpy CopyBytes

#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
#include "ui/stb_image_config.h"
