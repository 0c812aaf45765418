/* stb_image, GIF decoding only, for the benchmark's comparison. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_GIF
#include <stb_image.h>
