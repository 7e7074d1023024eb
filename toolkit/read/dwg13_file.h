// PROVISIONAL (replaced by the file layer): what the object readers need of the open file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/handle.h"

struct TkDrawing;
struct TkBitReader;
struct Dwg13Objects;

TkBitReader* dwg13_bits(TkDrawing* drawing);
Dwg13Objects* dwg13_objects(TkDrawing* drawing);
int16_t dwg13_state_attach(TkDrawing* drawing);
int16_t dwg_objmap_seek(TkDrawing* drawing, const TkHandle* handle);
size_t dwg13_object_count(TkDrawing* drawing);
int16_t dwg13_object_handle(TkDrawing* drawing, size_t index, TkHandle* handle);
uint32_t dwg13_object_area_end(TkDrawing* drawing);
TkHandle* dwg13_control_handle(TkDrawing* drawing, int table);
int16_t dwg_read_object_at(TkDrawing* drawing, const TkHandle* handle, bool extra_byte);
int16_t dwg13_open_classes(TkDrawing* drawing);
int16_t lineweight_from_code(int code);
void dwg13_progress_range(TkDrawing* drawing);
// Test set-up: the object map as handles and file offsets in ascending handle order.
int16_t dwg13_objmap_set(TkDrawing* drawing, const TkHandle* handles, const uint32_t* offsets,
                         size_t count, uint32_t area_end);
