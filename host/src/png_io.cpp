#include <png.h>

#include <cstring>
#include <stdexcept>

#include "lw/host/io.h"

namespace lw::host {

RgbImage ReadPng(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    throw std::runtime_error("cannot read image " + path + ": " + image.message);
  image.format = PNG_FORMAT_RGB;
  if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
    png_image_free(&image);
    throw std::runtime_error("image " + path + " has an unusable size");
  }
  RgbImage out{static_cast<int>(image.width), static_cast<int>(image.height), {}};
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
    std::string why = image.message;
    png_image_free(&image);
    throw std::runtime_error("cannot decode image " + path + ": " + why);
  }
  return out;
}

void WritePng(const std::string& path, const RgbImage& img) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(img.width);
  image.height = static_cast<png_uint_32>(img.height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, img.rgb.data(), 0, nullptr))
    throw std::runtime_error("cannot write " + path + ": " + image.message);
}

}  // namespace lw::host
