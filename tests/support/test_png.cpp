// PNG fixture writing for the tests.
#include "support/test_png.h"

#include <cstdlib>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

bool writeTestPng(const std::string& path, int width, int height, int components,
                  const std::vector<unsigned char>& bytes) {
    if (bytes.size() != static_cast<size_t>(width) * height * components) return false;
    return stbi_write_png(path.c_str(), width, height, components, bytes.data(), width * components) != 0;
}

std::string makeTempDir() {
    char pattern[] = "/tmp/ambrelle-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}
