// Writing small PNG fixtures from tests (the one stb_image_write copy in the
// test binary lives in test_png.cpp).
#pragma once

#include <string>
#include <vector>

// Writes width x height pixels of `components` bytes each (3 = RGB, 4 = RGBA).
bool writeTestPng(const std::string& path, int width, int height, int components,
                  const std::vector<unsigned char>& bytes);

// A fresh empty directory under the system's temporary folder.
std::string makeTempDir();
