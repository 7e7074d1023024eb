// Texts of the imaging library's error numbers, for the messages the application shows.
#include "img_core.h"

const char* img_error_text(int32_t code) {
  switch (code) {
    case IMG_OK: return "No error";
    case IMG_ERR_NO_IMAGE: return "No image";
    case IMG_ERR_OPEN: return "The file cannot be opened";
    case IMG_ERR_READ: return "The file cannot be read";
    case IMG_ERR_UNKNOWN_FORMAT: return "The file is not a raster format the imaging library knows";
    case IMG_ERR_CORRUPT: return "The raster file is truncated or damaged";
    case IMG_ERR_UNSUPPORTED: return "The raster file uses a variant the imaging library cannot decode";
    case IMG_ERR_TOO_LARGE: return "The image is too large";
    case IMG_ERR_NO_PAGE: return "The page does not exist in the file";
    case IMG_ERR_WRITE: return "The file cannot be written";
    case IMG_ERR_CANNOT_WRITE: return "The imaging library cannot write this file format";
    case IMG_ERR_DEPTH: return "The file format cannot hold the colour depth of this image";
    case IMG_ERR_ARGUMENT: return "Invalid size, rectangle, angle or mode";
    case IMG_ERR_CALS_HEADER: return "A CALS header field is missing or malformed";
    case IMG_ERR_NO_CLIPBOARD: return "The clipboard holds no image";
    case IMG_ERR_CALS_SIZE: return "The CALS pixel count disagrees with the image data";
    case IMG_ERR_HANDLE: return "Invalid image handle";
    case IMG_ERR_NO_HANDLES: return "Too many images are open";
    case IMG_ERR_NO_SCANNER: return "No scanner source is available";
    case IMG_ERR_SCANNER: return "The scanner did not deliver an image";
    case IMG_ERR_DEVICE: return "The image cannot be drawn on this device";
    case IMG_ERR_UNDOCUMENTED:
      return "The imaging library does not support this file format: no public description of it exists";
  }
  return "Unknown imaging error";
}
