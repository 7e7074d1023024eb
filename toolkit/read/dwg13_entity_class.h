// Byte places in the data record of the class-registered entities as the bit-stream reader
// fills them (the stored format keeps them as they stand). The blob places are those the core
// frees for each class; the LWPOLYLINE places are the core's own (load_entities.h).
#pragma once

#include <cstddef>

enum : size_t {
  // HATCH: the core's layout (TK_HATCH_* in toolkit/core/entity.h).

  // IMAGE (176 bytes) and WIPEOUT (168 bytes).
  DWG13_IMAGE_VERSION = 0,      // u32
  DWG13_IMAGE_INSERTION = 8,    // 3 f64
  DWG13_IMAGE_U = 32,           // 3 f64
  DWG13_IMAGE_V = 56,           // 3 f64
  DWG13_IMAGE_SIZE = 80,        // 2 f64, pixels
  DWG13_IMAGE_DISPLAY = 96,     // i16
  DWG13_IMAGE_CLIPPING = 98,    // u8
  DWG13_IMAGE_BRIGHTNESS = 99,  // u8
  DWG13_IMAGE_CONTRAST = 100,   // u8
  DWG13_IMAGE_FADE = 101,       // u8
  DWG13_IMAGE_CLIP_TYPE = 102,  // i16
  DWG13_IMAGE_CLIP_COUNT = 104, // u32
  DWG13_IMAGE_DEFINITION = 112, // handle
  DWG13_IMAGE_REACTOR = 120,    // handle (IMAGE only)
  DWG13_IMAGE_CLIP = 144,       // 2D points
  DWG13_IMAGE_GRAPHICS = 152,   // proxy graphics

  // OLE2FRAME (72 bytes).
  DWG13_OLE_FLAGS = 0,    // i16
  DWG13_OLE_MODE = 2,     // i16
  DWG13_OLE_LENGTH = 4,   // u32
  DWG13_OLE_CORNER1 = 8,  // 3 f64
  DWG13_OLE_CORNER2 = 32, // 3 f64
  DWG13_OLE_TRAILER = 56, // u8
  DWG13_OLE_DATA = 64,

  // RTEXT (1080 bytes).
  DWG13_RTEXT_INSERTION = 0,  // 3 f64
  DWG13_RTEXT_ROTATION = 24,
  DWG13_RTEXT_HEIGHT = 32,
  DWG13_RTEXT_FLAGS = 40,     // i16
  DWG13_RTEXT_STYLE = 48,     // handle
  DWG13_RTEXT_GRAPHICS = 56,
  DWG13_RTEXT_CONTENTS = 64,  // up to 1,015 characters

  // ARCALIGNEDTEXT (2192 bytes).
  DWG13_ARCTEXT_CENTRE = 0,     // 3 f64
  DWG13_ARCTEXT_RADIUS = 24,    // radius, start and end angle
  DWG13_ARCTEXT_COLOUR = 48,    // u32
  DWG13_ARCTEXT_SETTINGS = 52,  // 11 i16
  DWG13_ARCTEXT_STYLE = 80,     // handle
  DWG13_ARCTEXT_TEXT1 = 88,     // 512
  DWG13_ARCTEXT_TEXT2 = 600,    // 512
  DWG13_ARCTEXT_TEXT = 1112,    // 1,024
  DWG13_ARCTEXT_GRAPHICS = 2184,

  // Proxies and classes kept raw (40 bytes).
  DWG13_RAW_CLASS_ID = 0,  // u32, AC1015 proxies
  DWG13_RAW_SIZE = 4,      // u32 data bytes
  DWG13_RAW_DATA = 16,
  DWG13_RAW_HANDLES = 24,  // 9-byte references; present when the word at 8 is not 0
  DWG13_RAW_GRAPHICS = 32,
};
