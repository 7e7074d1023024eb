// The caller-owned record through which the drawing toolkit hands a solid's SAT text to the SAT
// reader and receives the drawn polylines back: a read callback, begin/vertex/end callbacks with
// their context, and the settings the renderer and the NURBS tessellation read.
#ifndef SAT_RENDEROUTPUT_H
#define SAT_RENDEROUTPUT_H

#include <cstdint>

struct RenderOutput {
  // Copies at most size bytes of the SAT text into buffer; 0 when the text is exhausted.
  int32_t (*read)(char* buffer, int32_t size, void* ctx);
  // Opens a polyline: mode 1 separate two-point segments, mode 3 a connected strip.
  void (*begin)(int32_t mode, void* ctx);
  void (*end)(void* ctx);
  void (*vertex)(double x, double y, double z, void* ctx);
  void* ctx;
  int32_t pointsPerSpan;         // of the NURBS tessellation
  int32_t extraSilhouetteCount;  // rulings drawn on each cylinder or cone face
  int32_t qualityLevel;          // 1..10; anything else means 5
};

#endif
