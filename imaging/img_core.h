// The portable core of the imaging library: the image store, reading and writing raster files,
// the pixel operations and the reduced-view renderer. It knows nothing of Windows: the Win32 part
// of the library (handles, device contexts, clipboard bitmaps, scanner) is built on top of it and
// turns the view buffers this core renders into blits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Error numbers: every failing operation returns one of these (always negative); img_error_text
// gives the text the application shows. -1 means "no image", as callers of the library expect.
enum ImgError : int32_t {
  IMG_OK = 0,
  IMG_ERR_NO_IMAGE = -1,          // no image (an empty or freed handle)
  IMG_ERR_OPEN = -2,              // the file cannot be opened
  IMG_ERR_READ = -3,              // the file cannot be read
  IMG_ERR_UNKNOWN_FORMAT = -4,    // the content is no raster format the library knows
  IMG_ERR_CORRUPT = -5,           // the data is truncated or damaged
  IMG_ERR_UNSUPPORTED = -6,       // a known format in a variant the library cannot decode
  IMG_ERR_TOO_LARGE = -7,         // the image is larger than the library accepts, or memory ran out
  IMG_ERR_NO_PAGE = -8,           // the page does not exist in the file
  IMG_ERR_WRITE = -9,             // the file cannot be written
  IMG_ERR_CANNOT_WRITE = -10,     // the library cannot write this format
  IMG_ERR_DEPTH = -11,            // the format cannot hold this number of bits per pixel
  IMG_ERR_ARGUMENT = -12,         // a size, rectangle, angle or mode out of range
  IMG_ERR_CALS_HEADER = -13,      // a CALS header field is missing or malformed
  IMG_ERR_NO_CLIPBOARD = -14,     // the clipboard holds no image
  IMG_ERR_CALS_SIZE = -15,        // the CALS pixel count disagrees with the image data
  IMG_ERR_HANDLE = -16,           // the handle names no image
  IMG_ERR_NO_HANDLES = -17,       // too many images are open
  IMG_ERR_NO_SCANNER = -18,       // no scanner source manager on this system
  IMG_ERR_SCANNER = -19,          // the scanner source failed or was cancelled
  IMG_ERR_DEVICE = -20,           // drawing to a device failed
  IMG_ERR_UNDOCUMENTED = -21,     // a format of the lists with no public description to follow
};

// The text for an error number; unknown numbers give a generic text, never null.
const char* img_error_text(int32_t code);

// File format codes: the library's numbers, as the application's format lists name them.
enum ImgFormat : int32_t {
  IMG_FMT_TIFF = 0,          // TIFF uncompressed
  IMG_FMT_BMP = 1,
  IMG_FMT_PCX = 2,
  IMG_FMT_TGA = 3,
  IMG_FMT_GIF = 4,
  IMG_FMT_WPG = 5,           // WordPerfect Graphics bitmap
  IMG_FMT_WMF = 6,           // Windows metafile holding the image
  IMG_FMT_TIFF_HUFFMAN = 7,  // TIFF CCITT modified Huffman (RLE)
  IMG_FMT_TIFF_G3 = 8,       // TIFF CCITT G3, one-dimensional
  IMG_FMT_TIFF_LZW = 9,
  IMG_FMT_TIFF_G4 = 10,
  IMG_FMT_DCX = 11,          // multi-page PCX
  IMG_FMT_BMP_RLE = 12,
  IMG_FMT_JPEG = 13,
  IMG_FMT_EPS = 14,          // Encapsulated PostScript
  IMG_FMT_PICT = 15,         // Macintosh PICT
  IMG_FMT_TIFF_PACKBITS = 16,
  IMG_FMT_TIFF_2D = 17,      // TIFF CCITT G3, two-dimensional
  IMG_FMT_CALS = 18,
  IMG_FMT_LDA = 19,          // Laser Data
  IMG_FMT_XBM = 20,
  IMG_FMT_MACPAINT = 21,
  IMG_FMT_KOFAX = 23,
  IMG_FMT_ICO = 25,
  IMG_FMT_IFF = 26,          // IFF ILBM
  IMG_FMT_CLP = 27,          // Windows clipboard file
  IMG_FMT_GEM = 28,          // GEM IMG
  IMG_FMT_BROOKTROUT = 29,
  IMG_FMT_MSP = 30,          // Microsoft Paint
  IMG_FMT_CUT = 31,          // Dr. Halo CUT
  IMG_FMT_TGA16 = 32,        // TARGA with 16-bit pixels
  IMG_FMT_G3 = 33,           // raw CCITT G3 fax data
  IMG_FMT_G4 = 34,           // raw CCITT G4 fax data
  IMG_FMT_XPM = 35,
  IMG_FMT_XWD = 36,
  IMG_FMT_SUN = 37,          // Sun raster
  IMG_FMT_PCD = 39,          // Kodak Photo CD
  IMG_FMT_TIFF_JPEG = 40,
  IMG_FMT_PSD = 41,          // Photoshop
  IMG_FMT_IMNET = 42,
  IMG_FMT_PNG = 43,
  IMG_FMT_GIF_INTERLACED = 44,
  IMG_FMT_XEROX_EPS = 45,
  IMG_FMT_DIB = 48,          // a packed DIB: bitmap header, colour table, bits; no file header
  IMG_FMT_IOCA = 49,         // MO:DCA IOCA
  IMG_FMT_TIFF_OTHER = 50,   // TIFF with a compression that has no code of its own (Deflate, ...)
  IMG_FMT_TIFF_G4_FO = 51,   // TIFF G4 with the bits of each byte in reversed fill order
  IMG_FMT_G4_FO = 52,        // raw G4, bits of each byte in reversed fill order
  IMG_FMT_G3_FO = 53,        // raw G3, bits of each byte in reversed fill order
  IMG_FMT_JEDMICS = 56,      // JEDMICS C4
  IMG_FMT_PCL = 57,          // PCL raster graphics
  IMG_FMT_PDF = 59,
};

// A rectangle in image pixels.
struct ImgRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

// One decoded image. Rows are stored top-down, each row padded to a multiple of 4 bytes (so a row
// is a DIB scan line and the Win32 part can blit without copying). Pixel layouts:
//  1 bpp: 8 pixels a byte, leftmost in the most significant bit; index into a 2-entry palette.
//         Bitonal scans stay packed (an A0 sheet at 400 dpi is about 30 MB, not 250).
//  4 bpp: 2 pixels a byte, leftmost in the high nibble; index into a palette of up to 16.
//  8 bpp: index into a palette of up to 256 (grey images carry a grey ramp).
//  24 bpp: blue, green, red bytes.  32 bpp: blue, green, red, alpha bytes.
// Palette entries are 0x00RRGGBB.
struct ImgImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bpp = 0;               // 1, 4, 8, 24 or 32
  size_t stride = 0;             // bytes per row
  std::vector<uint32_t> palette; // for 1, 4 and 8 bpp
  int32_t dpi_x = 0, dpi_y = 0;  // 0 when the file states none
  int32_t format = -1;           // the code of the file it came from, -1 when made in memory
  int32_t page_count = 1;        // pages of that file
  ImgRect region;                // the part that draw, copy and save use; the whole image by default
  std::vector<uint8_t> pixels;   // height * stride bytes (plus slack the renderer may read)

  uint8_t* row(int32_t y) { return pixels.data() + size_t(y) * stride; }
  const uint8_t* row(int32_t y) const { return pixels.data() + size_t(y) * stride; }
};

// Largest image the library accepts, so a hostile header cannot ask for gigabytes. Fuzzing runs
// under a memory limit of its own, so there the cap is lower.
constexpr int64_t IMG_MAX_DIMENSION = 200000;
#ifdef VV_FUZZING
constexpr int64_t IMG_MAX_PIXEL_BYTES = int64_t(1) << 26;
#else
constexpr int64_t IMG_MAX_PIXEL_BYTES = int64_t(1) << 31;
#endif

// Sets up an image of the given size and depth, pixels zeroed, region the whole image; a 1-bit
// image gets the white/black palette. IMG_OK, IMG_ERR_ARGUMENT or IMG_ERR_TOO_LARGE.
int32_t img_create(ImgImage& img, int32_t width, int32_t height, int32_t bpp);

// Progress during loads: the callback is called with its record and the total number of calls the
// load will make (at most 100), once per step; its result is ignored.
typedef int32_t (*ImgProgressFn)(void* record, int32_t total);
struct ImgProgress {
  ImgProgressFn fn = nullptr;
  void* record = nullptr;
};

// Probing by content, never by name: the format code, or IMG_ERR_UNKNOWN_FORMAT.
int32_t img_probe_memory(const uint8_t* data, size_t size);
int32_t img_probe_file(const char* path);

// Pages in a file (1 for single-image formats), or a negative error.
int32_t img_page_count_memory(const uint8_t* data, size_t size);
int32_t img_page_count_file(const char* path);

// Loads one page (from 0) into img. IMG_OK or a negative error; on error img is left empty.
// progress may be null.
int32_t img_load_memory(const uint8_t* data, size_t size, int32_t page, ImgImage& img,
                        const ImgProgress* progress);
int32_t img_load_file(const char* path, int32_t page, ImgImage& img, const ImgProgress* progress);

// Writes the image's current region in the given format. The file is written under a temporary
// name beside the target and renamed over it in one step, so a failed save leaves nothing
// half-written and an existing file as it was.
// IMG_OK or a negative error (IMG_ERR_CANNOT_WRITE for a format the library cannot write,
// IMG_ERR_DEPTH for a depth the format cannot hold).
int32_t img_save_file(const ImgImage& img, const char* path, int32_t format);
// The same into memory (the CALS, TIFF and the other writers share it).
int32_t img_save_memory(const ImgImage& img, int32_t format, std::vector<uint8_t>& out);
// Whether an image of this depth can be saved in the format, asked before the user picks a file
// name: IMG_OK, IMG_ERR_CANNOT_WRITE or IMG_ERR_DEPTH (the error the save itself would give).
int32_t img_can_save(int32_t format, int32_t bpp);

// Pixel operations, in place; each keeps the depth and resets the region to the whole image when
// the size changes. IMG_OK or a negative error.
int32_t img_rotate(ImgImage& img, int32_t hundredths);  // clockwise; other than multiples of 90:
                                                        // resampled onto a larger white canvas
int32_t img_mirror_x(ImgImage& img);  // left and right exchanged
int32_t img_mirror_y(ImgImage& img);  // top and bottom exchanged
int32_t img_invert(ImgImage& img);  // palette images through their palette, the pixels untouched
// Nearest pixel; shrinking a bitonal image marks a pixel ink when any pixel under it is, so thin
// lines survive fitting a sheet to smaller paper. The resolution follows the size.
int32_t img_resize(ImgImage& img, int32_t width, int32_t height);
int32_t img_reduce_to_24(ImgImage& img);  // 32 bpp to 24; other depths unchanged

// Region: clipped to the image; an empty result is IMG_ERR_ARGUMENT.
int32_t img_set_region(ImgImage& img, ImgRect r);
// A new image holding the pixels of r (palette, dpi and depth kept).
int32_t img_crop(const ImgImage& img, ImgRect r, ImgImage& out);

// Display modes for reduced views. On colour and palette images modes 1 and 2 both show the average
// colour under each reduced pixel. Enlargements show the nearest pixel in every mode.
enum ImgDisplayMode : int32_t {
  IMG_VIEW_QUICK = 0,  // nearest pixel
  IMG_VIEW_ALIAS = 1,  // bitonal: a reduced pixel is ink when any pixel under it is ink
  IMG_VIEW_GREY = 2,   // bitonal: grey by the share of ink under each reduced pixel
};

// Pixels ready for a blit: top-down rows padded to 4 bytes; 8 bpp with a 256-entry palette
// (0x00RRGGBB) or 24 bpp blue-green-red.
struct ImgViewBuffer {
  int32_t width = 0, height = 0, bpp = 0;
  size_t stride = 0;
  uint32_t palette[256] = {};
  std::vector<uint8_t> pixels;
};

// Renders the source rectangle src of img scaled to width x height pixels. Only the rectangle
// [clip.x, clip.x + clip.w) x [clip.y, clip.y + clip.h) of that destination is produced (the part a
// window shows), so a view never scales more than it draws; out gets clip.w x clip.h pixels.
int32_t img_render_view(const ImgImage& img, ImgRect src, int32_t width, int32_t height,
                        ImgRect clip, int32_t mode, ImgViewBuffer& out);

// The CALS header fields that decide how the raster is decoded and shown; the descriptive records
// (document ids, notes) are the application's to read as text.
struct ImgCalsHeader {
  std::string rtype;
  int32_t orientation_pel = 0, orientation_line = 270;  // "rorient: 000,270"
  int32_t width = 0, height = 0;                         // "rpelcnt: 013250,018700"
  int32_t density = 0;                                   // "rdensty: 0400"
};

// Reads the 2048-byte CALS header at the start of data. IMG_OK, IMG_ERR_CORRUPT when shorter than
// the header, IMG_ERR_CALS_HEADER when a record the image needs ("rtype:", "rpelcnt:") is missing
// or malformed. Orientation and density fall back to 0,270 and 0 when absent.
int32_t img_cals_read_header(const uint8_t* data, size_t size, ImgCalsHeader& hdr);
