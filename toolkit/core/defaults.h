// The records every drawing must hold (linetypes ByBlock, ByLayer and Continuous, layer "0", the
// "*ACTIVE" viewport, application "ACAD", text and dimension style "Standard", the space blocks)
// and the classes the toolkit knows. A new drawing gets them all; the table loaders add those a
// file lacks. Each adder returns 1, or 0 with the last error of the failed store.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"

int16_t tk_add_default_linetypes(TkDrawing* drawing, const TkHandle* handle_template);
int16_t tk_add_linetype(TkDrawing* drawing, const char* name, const TkHandle* handle);
int16_t tk_add_continuous_linetype(TkDrawing* drawing, const TkHandle* handle_template);
int16_t tk_add_layer0(TkDrawing* drawing, const TkHandle* handle_template);
int16_t tk_add_active_vport(TkDrawing* drawing, const TkHandle* handle_template);
int16_t tk_add_acad_appid(TkDrawing* drawing, const TkHandle* handle_template);
int16_t tk_add_standard_style(TkDrawing* drawing, const TkHandle* handle_template);
int16_t tk_add_standard_dimstyle(TkDrawing* drawing, const TkHandle* handle_template);
// The model-space and paper-space block records, under their fixed handles.
int16_t tk_add_space_blocks(TkDrawing* drawing);
int16_t tk_add_default_classes(TkDrawing* drawing);
// The number of the known class of that DXF name, added with its default definition when the
// drawing lacks it (an older drawing given the objects of a newer one); 0 for a name the toolkit
// does not know or when memory runs out.
uint16_t tk_ensure_default_class(TkDrawing* drawing, const char* dxf_name);
