// The one compiled copy of stb_image, from Debian's header. Only PNG is used.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include "stb_image.h"
