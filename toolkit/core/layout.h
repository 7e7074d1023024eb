// The objects an AC1015 drawing carries for its layouts: the layout dictionary with "Model" and
// "Layout1", the plot-style dictionary with its "Normal" placeholder, the plot-settings
// dictionary and the wipeout variables, entered in the named-object dictionary. A new drawing
// of that version gets them at creation; an older drawing gets them on load when the caller
// asks for the upgrade. Writing them out is the writers' business.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"

// Handle template places of the objects, in the order they are made.
enum : int {
  TK_TEMPLATE_PLACEHOLDER = 28,
  TK_TEMPLATE_LAYOUT_DICTIONARY = 29,
  TK_TEMPLATE_PLOTSTYLE_DICTIONARY = 30,
  TK_TEMPLATE_MODEL_LAYOUT = 31,
  TK_TEMPLATE_PAPER_LAYOUT = 32,
  TK_TEMPLATE_PLOTSETTINGS_DICTIONARY = 33,
  TK_TEMPLATE_WIPEOUT_VARIABLES = 34,
};

// Plot-layout flag of the model-space layout.
constexpr int16_t TK_LAYOUT_MODEL_FLAG = 1024;

// Adds the layout objects, under the template's handles or fresh ones. The named-object
// dictionary is the first object of the list. 1, or 0 at the first failure, with what was
// stored before kept.
int16_t tk_add_layout_objects(TkDrawing* drawing, const TkHandle* handle_template);
