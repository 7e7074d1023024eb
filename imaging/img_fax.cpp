// Raw CCITT fax data without a container (ITU-T T.4 one-dimensional coding with its end-of-line
// codes, and T.6, Group 4), in either bit fill order, coded through libtiff's fax codec. Such a file
// states neither its width nor its height and has no signature of its own, so the library writes
// it for the fax programs that expect it but cannot recognise one by its content.
#include "img_codec.h"

int32_t fax_write(const ImgImage& img, int32_t format, std::vector<uint8_t>& out) {
  if (img.bpp != 1) return IMG_ERR_DEPTH;
  ImgImage scratch;
  bool g4 = format == IMG_FMT_G4 || format == IMG_FMT_G4_FO;
  int32_t rc = tiff_encode_strip(img_bitonal_ink_is_one(img, scratch), g4 ? IMG_FMT_TIFF_G4 : IMG_FMT_TIFF_G3, out);
  if (rc != IMG_OK) return rc;
  if (format == IMG_FMT_G4_FO || format == IMG_FMT_G3_FO)
    for (uint8_t& b : out) b = img_reverse_bits(b);
  return IMG_OK;
}
